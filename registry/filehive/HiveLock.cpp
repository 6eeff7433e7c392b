#include "HiveLock.h"

#include "ERegistryError.h"
#include "SystemError.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tessaport {

namespace {

// Writers hold the lock for one file replacement; anything much longer is a stuck process, and
// waiting on it forever would freeze the window.
constexpr std::chrono::seconds kLockPatience{10};
constexpr std::chrono::milliseconds kLockRetry{5};

// Read-only is enough for flock, and lets a writer use a lock file another user created.
// Non-blocking, so that a FIFO in its place cannot hang the open.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;

} // namespace

HiveLock::HiveLock(const std::string &hivePath, gid_t hiveGroup) : path_(hivePath + ".lock") {
    const std::string &path = path_;
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (!Acquire(path, hiveGroup)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw ERegistryError(path + ": the lock file keeps being removed or replaced; "
                                        "nothing was written");
        }
    }
}

bool HiveLock::Acquire(const std::string &path, gid_t hiveGroup) {
    fd_ = FileDescriptor(::open(path.c_str(), kOpenFlags | O_CREAT | O_EXCL, kMode));
    const bool created = fd_.IsOpen();
    if (!created && errno == EEXIST) {
        fd_ = FileDescriptor(::open(path.c_str(), kOpenFlags));
        if (!fd_.IsOpen() && errno == ENOENT) {
            return false; // removed between the two opens
        }
    }
    if (!fd_.IsOpen()) {
        ThrowSystemError(path, "open the lock file", errno);
    }
    struct stat info {};
    if (::fstat(fd_.Get(), &info) != 0) {
        ThrowSystemError(path, "look at the lock file", errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw ERegistryError(path + ": the lock file is not a regular file; nothing was written");
    }
    // The umask narrowed the mode; a lock file of ours left narrow by an older writer is
    // widened too. The group is only a courtesy: the mode lets every user open it.
    if (info.st_uid == ::geteuid() && (info.st_mode & 07777) != kMode) {
        if (::fchmod(fd_.Get(), kMode) != 0) {
            ThrowSystemError(path, "set the lock file's mode", errno);
        }
    }
    if (created && info.st_gid != hiveGroup &&
        ::fchown(fd_.Get(), static_cast<uid_t>(-1), hiveGroup) != 0) {
        // Not a member of the hive's group: the lock file keeps this writer's group.
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
    // A lock on a file that no longer has the lock's name excludes nobody.
    return NamesLockedFile();
}

bool HiveLock::NamesLockedFile() const {
    struct stat locked {};
    struct stat named {};
    if (::fstat(fd_.Get(), &locked) != 0) {
        ThrowSystemError(path_, "look at the lock file", errno);
    }
    if (::lstat(path_.c_str(), &named) != 0) {
        if (errno == ENOENT) {
            return false;
        }
        ThrowSystemError(path_, "look at the lock file", errno);
    }
    return named.st_dev == locked.st_dev && named.st_ino == locked.st_ino;
}

void HiveLock::CheckStillHeld() const {
    if (!NamesLockedFile()) {
        throw ERegistryError(path_ + ": the lock file was removed or replaced while writing, so "
                                     "another writer may be busy; nothing was written");
    }
}

} // namespace tessaport
