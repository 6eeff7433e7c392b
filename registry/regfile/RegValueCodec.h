#pragma once

#include "RegEvents.h"
#include "RegValue.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaport {

// The value a parsed value line holds (not for RegDataKind::Delete).
RegValue DecodeValue(const RegValueEvent &event);

// Quoted text as the file writes it: backslash escapes for "\" and the double quote.
std::string UnescapeQuoted(std::string_view escaped);
std::string EscapeQuoted(std::string_view text);

// `name` as the left side of a value line: "@" for the default value, else quoted.
std::string FormatValueName(std::string_view name);

// The data as a value line writes it ("dword:0000000a", "\"text\"", "hex(b):..."). Long hex
// data wraps like an export: ",\", `lineEnd` and two blanks. `column` is where the data starts.
// Raises ERegistryError for a string that cannot be written on one line.
std::string FormatValueData(const RegValue &value, std::size_t column, std::string_view lineEnd);

} // namespace tessaport
