#pragma once

#include "RegEvents.h"
#include "RegValue.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tessaport {

// One key's effective state after replaying a file, with where each value was decided.
struct KeySnapshot {
    struct Entry {
        std::string name; // as the file spells it
        RegValue value;
        RegValueSpan span; // the line(s) that decide the value
    };

    // Right after the last line of the key's last section, when nothing later in the file
    // deletes the key: a value line put there takes effect.
    struct InsertionPoint {
        std::size_t rawPos = 0;
        LineEnd lineEnd = LineEnd::None; // of the line before; None at the end of the file
    };

    bool exists = false;
    std::map<std::string, Entry> values; // by folded name
    std::optional<InsertionPoint> insertion;
    // Right after the header of the key's last section: a new value may go there when the end
    // of the section is cut off (a continued value at the end of the file).
    std::optional<InsertionPoint> afterHeader;

    const Entry *Find(std::string_view name) const;
    // The values alone, for comparing two states.
    std::map<std::string, RegValue> Values() const;
};

} // namespace tessaport
