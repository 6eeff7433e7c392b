#pragma once

#include "RegKeyPath.h"
#include "RegText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaport {

// A section header line: "[ROOT\path]" or "[-ROOT\path]".
struct RegSectionEvent {
    std::size_t line = 0;
    std::string_view name; // between "[" (or "[-") and the last "]"
    bool deletion = false;
    // nullopt for a root the registry does not have: importers skip such a section.
    std::optional<RegSectionPath> path;
    std::size_t rawEnd = 0; // after the header line's line end
    LineEnd lineEnd = LineEnd::None;
};

enum class RegDataKind { Delete, String, Dword, Hex };

// Where a value's lines lie. Offsets into RegText::Decoded() unless named raw.
struct RegValueSpan {
    std::size_t lineBegin = 0;  // start of the value's first line
    std::size_t dataBegin = 0;  // start of the data ("dword:...", "\"...\"", "hex:...", "-")
    std::size_t dataEnd = 0;    // end of the data; only blanks or a comment follow
    std::size_t contentEnd = 0; // end of the value's last line, before its line end
    std::size_t rawBegin = 0;
    std::size_t rawContentEnd = 0;
    std::size_t rawEnd = 0;
    LineEnd lineEnd = LineEnd::None;
};

// A value line, with any continuation lines: "name"=data.
struct RegValueEvent {
    std::size_t firstLine = 0;
    std::size_t lastLine = 0;
    std::string_view name; // between the quotes, escapes kept; empty for the default value
    RegDataKind kind = RegDataKind::Delete;
    std::uint32_t type = 0;  // the registry type the data has
    std::uint32_t dword = 0; // for RegDataKind::Dword
    // String: between the quotes, escapes kept. Hex: the byte list, perhaps over several lines.
    std::string_view data;
    RegValueSpan span;
};

} // namespace tessaport
