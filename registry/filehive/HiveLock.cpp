#include "HiveLock.h"

#include "ERegistryError.h"
#include "SystemError.h"
#include "TempFile.h"

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

HiveLock::HiveLock(int folder, const std::string &hiveName, const std::string &hivePath,
                   gid_t hiveGroup)
    : folder_(folder), name_(NameFor(hiveName)), path_(hivePath + ".lock") {
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (!Acquire(hiveGroup)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw ERegistryError(path_ + ": the lock file keeps being removed or replaced; "
                                         "nothing was written");
        }
    }
}

std::string HiveLock::NarrowLockAdvice(const std::string &lockPath) {
    return lockPath +
           ": this user may not open the lock file, which every writer needs; an administrator "
           "makes it usable with \"chmod 0644 " +
           lockPath +
           "\", or removes it while nobody saves (the next save makes it anew); nothing was "
           "written";
}

bool HiveLock::Acquire(gid_t hiveGroup) {
    bool created = false;
    Open(created);
    if (!fd_.IsOpen()) {
        return false; // removed between two opens
    }
    struct stat &info = locked_;
    if (::fstat(fd_.Get(), &info) != 0) {
        ThrowSystemError(path_, "look at the lock file", errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw ERegistryError(path_ + ": the lock file is not a regular file; nothing was written");
    }
    if (info.st_nlink > 1) {
        throw ERegistryError(path_ + ": the lock file has " + std::to_string(info.st_nlink) +
                             " hard links, so it may be another file under this name; remove "
                             "it (it is made anew); nothing was written");
    }
    if (created) {
        // The umask narrowed the mode. The group is only a courtesy: the mode lets every user
        // open it, and a writer outside the hive's group keeps its own.
        if ((info.st_mode & 07777) != kMode && ::fchmod(fd_.Get(), kMode) != 0) {
            ThrowSystemError(path_, "set the lock file's mode", errno);
        }
        if (info.st_gid != hiveGroup) {
            [[maybe_unused]] const int ignored =
                ::fchown(fd_.Get(), static_cast<uid_t>(-1), hiveGroup);
        }
    }
    Lock();
    // A lock on a file that no longer has the lock's name excludes nobody.
    if (!NamesLockedFile()) {
        return false;
    }
    // Emptiness tells an old writer's lock file from a file someone renamed to its name.
    if (!created && !replaced_ && (info.st_mode & 07777) != kMode && info.st_size == 0) {
        replaced_ = true;
        return !Replace(hiveGroup);
    }
    return true;
}

void HiveLock::Open(bool &created) {
    // Made by the first save only: after that it is opened as it is.
    fd_ = FileDescriptor(::openat(folder_, name_.c_str(), kOpenFlags));
    created = false;
    if (!fd_.IsOpen() && errno == ENOENT) {
        fd_ =
            FileDescriptor(::openat(folder_, name_.c_str(), kOpenFlags | O_CREAT | O_EXCL, kMode));
        created = fd_.IsOpen();
        if (!created && errno == EEXIST) {
            return; // made by another writer between two opens
        }
    }
    if (!fd_.IsOpen()) {
        if (errno == ELOOP) {
            throw ERegistryError(path_ + ": the lock file is a symbolic link; nothing was written");
        }
        if (errno == EACCES) {
            throw ERegistryError(NarrowLockAdvice(path_));
        }
        ThrowSystemError(path_, "open the lock file", errno);
    }
}

void HiveLock::Lock() {
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(fd_.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ThrowSystemError(path_, "lock", errno);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            throw ERegistryError(path_ + ": another writer has held the lock for over " +
                                 std::to_string(kLockPatience.count()) +
                                 " seconds; nothing was written");
        }
        std::this_thread::sleep_for(kLockRetry);
    }
}

// Writers waiting on the old file find it renamed over once they hold it, and take the new one.
bool HiveLock::Replace(gid_t hiveGroup) {
    try {
        TempFile fresh(folder_, name_, path_);
        fresh.SetMode(kMode);
        [[maybe_unused]] const int ignored =
            ::fchown(fresh.Descriptor(), static_cast<uid_t>(-1), hiveGroup);
        fresh.Commit();
        return true;
    } catch (const ERegistryError &) {
        // Not allowed here: the narrow lock file still serves those who may open it.
        return false;
    }
}

bool HiveLock::NamesLockedFile() const {
    struct stat named {};
    if (::fstatat(folder_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return false;
        }
        ThrowSystemError(path_, "look at the lock file", errno);
    }
    return named.st_dev == locked_.st_dev && named.st_ino == locked_.st_ino;
}

void HiveLock::CheckStillHeld() const {
    if (!NamesLockedFile()) {
        throw ERegistryError(path_ + ": the lock file was removed or replaced while writing, so "
                                     "another writer may be busy; nothing was written");
    }
}

} // namespace tessaport
