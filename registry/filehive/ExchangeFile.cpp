// Settings files to import and export, on POSIX.
#include "ExchangeFile.h"

#include "EFileTooLarge.h"
#include "ERegistryError.h"
#include "FileDescriptor.h"
#include "FileKind.h"
#include "FileRights.h"
#include "FolderSync.h"
#include "HiveLocation.h"
#include "HiveLock.h"
#include "HivePath.h"
#include "SystemError.h"
#include "TempFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaport {
namespace {

// Room for one byte past the limit is set aside at once, however much the source offers, so that
// the bytes are never copied to a larger buffer: pages not yet written cost no memory.
std::string ReadBounded(int fd, const std::string &shown, std::size_t limit, std::size_t expected) {
    std::string bytes;
    bytes.reserve(std::min(expected, limit + 1));
    char piece[1 << 16];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(fd, piece, std::min(sizeof piece, limit + 1 - bytes.size()));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(shown, "read it", errno);
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(piece, static_cast<std::size_t>(got));
    }
    throw EFileTooLarge(shown + ": is larger than " + std::to_string(limit >> 20) +
                        " MiB, more than a settings file can be");
}

[[noreturn]] void RefuseKind(const std::string &path, const char *kind, const char *doing) {
    throw ERegistryError(path + ": is " + kind + ", not a regular file; refusing to " + doing +
                         " it");
}

// The registry's file, or its lock file, named by `target`: overwriting either by rename would
// drop every setting the export leaves out, or let two writers in at once.
void RefuseTheRegistry(const HivePath &target) {
    std::optional<HivePath> hive;
    try {
        hive = HivePath::Resolve(HiveLocation::Current());
    } catch (const ERegistryError &) {
        return; // a registry that cannot be reached was not read for the export either
    }
    struct stat exportFolder {};
    struct stat hiveFolder {};
    if (hive->state == HiveState::Denied || !hive->missingFolders.empty() ||
        ::fstat(target.folder.Get(), &exportFolder) != 0 ||
        ::fstat(hive->folder.Get(), &hiveFolder) != 0 || exportFolder.st_dev != hiveFolder.st_dev ||
        exportFolder.st_ino != hiveFolder.st_ino) {
        return;
    }
    if (target.name == hive->name) {
        throw ERegistryError(target.path + ": is the settings file itself (" + hive->path +
                             "); export to another file");
    }
    if (target.name == HiveLock::NameFor(hive->name)) {
        throw ERegistryError(target.path + ": is the settings file's lock file; export to "
                                           "another file");
    }
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::string ExchangeFile::Read(const std::string &path, std::size_t limit) {
    if (path == kStandardInput) {
        return ReadBounded(STDIN_FILENO, "standard input", limit, limit + 1);
    }
    // Looked at before it is opened: opening a device can act on it.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        ThrowSystemError(path, "read it", errno);
    }
    if (const char *kind = NonRegularKind(info.st_mode)) {
        RefuseKind(path, kind, "read");
    }
    // Non-blocking, in case a FIFO took its place since.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.IsOpen() || ::fstat(fd.Get(), &info) != 0) {
        ThrowSystemError(path, "read it", errno);
    }
    if (const char *kind = NonRegularKind(info.st_mode)) {
        RefuseKind(path, kind, "read");
    }
    return ReadBounded(fd.Get(), path, limit, static_cast<std::size_t>(info.st_size) + 1);
}

void ExchangeFile::Write(const std::string &path, std::string_view bytes) {
    if (path.ends_with('/')) {
        throw ERegistryError(path + ": names a folder (it ends with '/'), not a file to write");
    }
    const HivePath target = HivePath::Resolve(path);
    if (target.state == HiveState::Denied) {
        ThrowSystemError(path, "reach it", EACCES);
    }
    if (!target.missingFolders.empty()) {
        ThrowSystemError(path, "create it", target.blocked ? ENOTDIR : ENOENT);
    }
    RefuseTheRegistry(target);
    std::optional<FileRights> rights;
    if (target.state == HiveState::Present) {
        if (const char *kind = NonRegularKind(target.info.st_mode)) {
            RefuseKind(target.path, kind, "write");
        }
        // The write that fopen would have made needs the right to write the file itself, which
        // the rename does not check.
        const FileDescriptor old(
            ::openat(target.folder.Get(), target.name.c_str(),
                     O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
        struct stat info {};
        if (!old.IsOpen() || ::fstat(old.Get(), &info) != 0) {
            ThrowSystemError(target.path, "write it", errno);
        }
        if (const char *kind = NonRegularKind(info.st_mode)) {
            RefuseKind(target.path, kind, "write");
        }
        if (info.st_nlink > 1) {
            throw ERegistryError(target.path + ": has " + std::to_string(info.st_nlink) +
                                 " hard links; replacing it would split them, so it was not "
                                 "written");
        }
        rights.emplace(old.Get(), info, target.path);
    }
    TempFile temp(target.folder.Get(), target.name, target.path);
    temp.Write(bytes);
    if (rights) {
        rights->ApplyTo(temp.Descriptor());
    } else {
        temp.SetMode(NewFileMode());
    }
    temp.Commit();
    SyncFolder(target.folder.Get(), ParentFolder(target.path));
}

} // namespace tessaport
