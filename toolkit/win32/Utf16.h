#pragma once

#include <string>
#include <string_view>

namespace tessaport {

// Between the program's UTF-8 text and the UTF-16 of the Win32 API. Invalid input becomes
// replacement characters rather than an error: this is display text.
std::wstring Utf16(std::string_view text);
std::string Utf8(std::wstring_view text);

} // namespace tessaport
