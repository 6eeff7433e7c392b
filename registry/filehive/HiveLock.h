#pragma once

#include "FileDescriptor.h"

#include <string>
#include <sys/types.h>

namespace tessaport {

// The writers' exclusive lock: flock on "<hive>.lock", a file that is never replaced (a lock
// on the hive itself would be lost to the rename). Held until destruction.
class HiveLock {
public:
    // Every user of the hive must be able to open the lock file, whatever the umask of the
    // writer that created it: it gets this mode and the hive's group.
    static constexpr mode_t kMode = 0644;

    HiveLock(const std::string &hivePath, gid_t hiveGroup);

    // Raises ERegistryError when the lock file was removed or replaced since the lock was
    // taken: another writer may then hold a lock of its own, so nothing may be written.
    void CheckStillHeld() const;

private:
    // True when the lock is held on the file the lock path names; false when that file was
    // removed or replaced meanwhile, and the lock must be taken again.
    bool Acquire(const std::string &path, gid_t hiveGroup);

    bool NamesLockedFile() const;

    std::string path_;
    FileDescriptor fd_;
};

} // namespace tessaport
