#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

// A rectangle in pixels at 96 dpi; a control's is relative to its window's client area.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const Bounds &, const Bounds &) = default;
};

// A font as a Windows LOGFONT names it: a negative height is the characters' height in pixels
// at 96 dpi, without the line's leading.
struct FontDescription {
    std::string_view face;
    int height = 0;
};

// The window itself.
struct FormDescription {
    std::string_view name;
    std::string_view caption;
    // Where the frame's top-left corner opens on the screen.
    int left = 0;
    int top = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    FontDescription font;
    // Every control's own font.
    FontDescription controlFont;
};

// One control. A label's width is that of its caption; its left edge is kept. A label names the
// control created right after it, for screen readers.
struct ControlDescription {
    std::string_view name;
    std::string_view caption;
    Bounds bounds;
    bool enabled = true;
    // Drop-down lists: the entries, and the height of each entry in the open list.
    std::vector<std::string> (*entries)() = nullptr;
    int entryHeight = 0;
};

} // namespace tessaport
