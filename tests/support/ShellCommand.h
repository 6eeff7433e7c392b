#pragma once

#include <filesystem>
#include <string>

namespace tessaport::testing {

struct ShellOutcome {
    int status; // the exit status, or -1 when the command did not exit
    std::string output;
};

// Runs `command` with /bin/sh and collects what it writes to its standard output.
ShellOutcome RunShell(const std::string &command);

// The path in single quotes, for a command line; the tests' paths hold no quote.
std::string ShellQuoted(const std::filesystem::path &path);

} // namespace tessaport::testing
