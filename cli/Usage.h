#pragma once

#include <ostream>
#include <string_view>

namespace tessaport {

inline constexpr std::string_view kProgram = "tessaport-reg";

// The short usage that follows a usage error.
void PrintSynopsis(std::ostream &out);
// --help: the synopsis, the commands and options, the providers and value lists, where the
// settings are kept and the exit statuses.
void PrintHelp(std::ostream &out);
void PrintVersion(std::ostream &out);

} // namespace tessaport
