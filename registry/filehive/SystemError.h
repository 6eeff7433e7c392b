#pragma once

#include "ERegistryError.h"

#include <cstring>
#include <string>

namespace tessaport {

// "<path>: cannot <action>: <reason>" for a failed system call.
[[noreturn]] inline void ThrowSystemError(const std::string &path, const std::string &action,
                                          int error) {
    throw ERegistryError(path + ": cannot " + action + ": " + std::strerror(error));
}

} // namespace tessaport
