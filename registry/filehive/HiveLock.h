#pragma once

#include "FileDescriptor.h"

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace tessaport {

// The writers' exclusive lock: flock on "<hive>.lock", a file that is never replaced while held
// (a lock on the hive itself would be lost to the rename). Held until destruction.
//
// Only a lock file this writer made gets a mode and a group; any other is used as it is, as a
// name in a folder others may write can be made to stand for any file. A lock file that is not a
// regular file, or has other names (hard links), is refused. An empty one that not every user
// may open, left by an older writer, is replaced by a new one, under its own lock.
class HiveLock {
public:
    // Every user of the hive must be able to open the lock file, whatever the umask of the
    // writer that created it: it gets this mode and the hive's group.
    static constexpr mode_t kMode = 0644;

    // The lock file's name beside the hive `hiveName`.
    static std::string NameFor(const std::string &hiveName) { return hiveName + ".lock"; }
    // Why a writer may not use the lock file `lockPath` that it cannot open, and what fixes it.
    static std::string NarrowLockAdvice(const std::string &lockPath);

    // `folder` (held open by the caller for the lock's life) holds the hive `hiveName`, shown in
    // messages as `hivePath`.
    HiveLock(int folder, const std::string &hiveName, const std::string &hivePath, gid_t hiveGroup);

    // Raises ERegistryError when the lock file was removed or replaced since the lock was
    // taken: another writer may then hold a lock of its own, so nothing may be written.
    void CheckStillHeld() const;

private:
    // True when the lock is held on the file the lock's name names; false when that file was
    // removed or replaced meanwhile, and the lock must be taken again.
    bool Acquire(gid_t hiveGroup);
    void Open(bool &created);
    void Lock();
    // Puts a new lock file of the right mode in place of the narrow one now held; false when
    // this user may not.
    bool Replace(gid_t hiveGroup);

    bool NamesLockedFile() const;

    int folder_;
    std::string name_;
    std::string path_;
    FileDescriptor fd_;
    struct stat locked_ {}; // the file opened, as first seen
    bool replaced_ = false;
};

} // namespace tessaport
