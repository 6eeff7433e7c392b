#pragma once

#include "Invocation.h"

#include <ostream>
#include <string_view>

namespace tessaport {

inline constexpr std::string_view kProgram = "tessaport-reg";

// --help: the synopsis, the commands and options, the providers and value lists, where the
// settings are kept and the exit statuses; COMMAND --help (`topic`): that command's alone.
void PrintHelp(std::ostream &out, Command topic = Command::Help);
void PrintVersion(std::ostream &out);

} // namespace tessaport
