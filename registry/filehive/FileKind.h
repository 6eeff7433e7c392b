#pragma once

#include <sys/stat.h>

namespace tessaport {

// What a file that is not a regular file is, in words ("a FIFO"); nullptr for a regular file.
inline const char *NonRegularKind(mode_t mode) {
    if (S_ISREG(mode)) {
        return nullptr;
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return S_ISSOCK(mode) ? "a socket" : "not a regular file";
}

} // namespace tessaport
