#pragma once

#include <string>
#include <string_view>

namespace tessaport {

bool IsValidUtf8(std::string_view text);
// Raises ERegistryError when `utf8` is not valid UTF-8.
std::string Utf8ToUtf16Le(std::string_view utf8);

} // namespace tessaport
