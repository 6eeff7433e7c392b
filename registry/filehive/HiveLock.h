#pragma once

#include "FileDescriptor.h"

#include <string>

namespace tessaport {

// The writers' exclusive lock: flock on "<hive>.lock", a file that is never replaced (a lock
// on the hive itself would be lost to the rename). Held until destruction.
class HiveLock {
public:
    explicit HiveLock(const std::string &hivePath);

private:
    FileDescriptor fd_;
};

} // namespace tessaport
