#include "ShellCommand.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <sys/wait.h>

namespace tessaport::testing {

ShellOutcome RunShell(const std::string &command) {
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot start " + command);
    }
    std::string output;
    std::array<char, 4096> buffer{};
    while (std::size_t count = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        output.append(buffer.data(), count);
    }
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// Appended piece by piece: GCC 12 at -O3 gives a false -Wrestrict for "'" + path.string().
std::string ShellQuoted(const std::filesystem::path &path) {
    std::string quoted = "'";
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

} // namespace tessaport::testing
