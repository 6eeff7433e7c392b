#include "HiveLock.h"

#include "ERegistryError.h"
#include "SystemError.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

namespace tessaport {

namespace {

// Writers hold the lock for one file replacement; anything much longer is a stuck process, and
// waiting on it forever would freeze the window.
constexpr std::chrono::seconds kLockPatience{10};
constexpr std::chrono::milliseconds kLockRetry{5};

} // namespace

HiveLock::HiveLock(const std::string &hivePath) {
    const std::string path = hivePath + ".lock";
    // Read-only is enough for flock, and lets a writer use a lock file another user created.
    // Non-blocking, so that a FIFO in its place cannot hang the open.
    const int fd = ::open(
        path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        ThrowSystemError(path, "open the lock file", errno);
    }
    fd_ = FileDescriptor(fd);
    struct stat info {};
    if (::fstat(fd_.Get(), &info) != 0) {
        ThrowSystemError(path, "look at the lock file", errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw ERegistryError(path + ": the lock file is not a regular file; nothing was written");
    }
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(fd_.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ThrowSystemError(path, "lock", errno);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            throw ERegistryError(path + ": another writer has held the lock for over " +
                                 std::to_string(kLockPatience.count()) +
                                 " seconds; nothing was written");
        }
        std::this_thread::sleep_for(kLockRetry);
    }
}

} // namespace tessaport
