#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <windows.h>

namespace tessaport {

// Key and value names are UTF-8 in the program and UTF-16 in the W functions.
// Nothing when `text` is not valid UTF-8.
std::optional<std::wstring> WidenUtf8(std::string_view text);
std::string NarrowToUtf8(std::wstring_view text);

// The system's own text for an error code, without the trailing line end, followed by the code.
std::string SystemErrorText(DWORD code);

} // namespace tessaport
