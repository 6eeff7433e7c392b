#include "HiveLock.h"

#include "SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace tessaport {

HiveLock::HiveLock(const std::string &hivePath) {
    const std::string path = hivePath + ".lock";
    // Read-only is enough for flock, and lets a writer use a lock file another user created.
    const int fd =
        ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
    if (fd < 0) {
        ThrowSystemError(path, "open the lock file", errno);
    }
    fd_ = FileDescriptor(fd);
    while (::flock(fd_.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            ThrowSystemError(path, "lock", errno);
        }
    }
}

} // namespace tessaport
