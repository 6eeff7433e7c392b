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
    // Drop-down lists: the entries, the height of each entry in the open list, and how many
    // entries the open list shows at once; it scrolls for the rest. Where the screen has no room
    // for that many below or above the list, it shows fewer rather than covering its own box.
    // Ten lists of 20-pixel entries fit below or above a list anywhere in a 316-pixel-high window
    // on a 1024 x 768 screen, at 100 % and at 150 %, taskbar included; Windows' own thirty fit
    // neither way there. Ten is also enough that a few turns of the wheel reach any of fifty.
    std::vector<std::string> (*entries)() = nullptr;
    int entryHeight = 0;
    int visibleEntries = 10;
    // Labels, check boxes and buttons: the letter of the caption that Alt takes to the control,
    // or for a label to the control it names; underlined only while Alt is held. Unique in
    // the window.
    char accessKey = '\0';
};

} // namespace tessaport
