#include "FolderSync.h"

#include "SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace tessaport {

std::string ParentFolder(const std::string &path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

FileDescriptor OpenForReading(int folder) {
    // Listing a folder marks its access time for writing out, and the sync of a file made in it
    // then writes the folder's inode too: one more wait for the disk in every save. Only the
    // owner (or root) may leave it alone; anyone else lists it as usual.
    FileDescriptor fd(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOATIME));
    if (!fd.IsOpen() && errno == EPERM) {
        fd = FileDescriptor(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return fd;
}

void SyncFolder(int folder, const std::string &shown) {
    const FileDescriptor fd = OpenForReading(folder);
    if (!fd.IsOpen()) {
        ThrowSystemError(shown, "open the folder to sync it", errno);
    }
    // Some file systems cannot sync a folder; that is not an error of ours.
    if (::fsync(fd.Get()) != 0 && errno != EINVAL) {
        ThrowSystemError(shown, "sync the folder", errno);
    }
}

} // namespace tessaport
