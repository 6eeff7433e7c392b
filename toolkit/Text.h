#pragma once

#include <string>
#include <string_view>

namespace tessaport {

// The text without leading and trailing characters whose code is 32 or below: spaces and
// control characters alike. Inner characters are kept.
std::string Trim(std::string_view text);

} // namespace tessaport
