#include "FileHive.h"

#include "ERegistryError.h"
#include "FileDescriptor.h"
#include "FileRights.h"
#include "HiveLock.h"
#include "RegText.h"
#include "SystemError.h"
#include "TempFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <new>
#include <unistd.h>
#include <vector>

namespace tessaport {

namespace {

std::string ParentFolder(const std::string &path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool IsDenial(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// The effective user's rights, as the kernel would check them on open or rename.
bool Accessible(const std::string &path, int mode) {
    if (::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0) {
        return true;
    }
    if (IsDenial(errno)) {
        return false;
    }
    ThrowSystemError(path, "check access", errno);
}

struct FreeDeleter {
    void operator()(char *pointer) const { std::free(pointer); }
};

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};

} // namespace

FileHive::Target FileHive::Resolve() const {
    if (path_.ends_with('/')) {
        throw ERegistryError(path_ + ": names a folder (it ends with '/'), not a registry file; "
                                     "nothing was read or written");
    }
    Target target{path_, HiveState::Present, {}};
    if (::lstat(path_.c_str(), &target.info) != 0) {
        // A file where a folder should be means there is no hive, as with a missing folder.
        if (errno == ENOENT || errno == ENOTDIR) {
            target.state = HiveState::Missing;
            return target;
        }
        if (IsDenial(errno)) {
            target.state = HiveState::Denied;
            return target;
        }
        ThrowSystemError(path_, "look at it", errno);
    }
    if (S_ISLNK(target.info.st_mode)) {
        CheckLinkChain();
        const std::unique_ptr<char, FreeDeleter> resolved(::realpath(path_.c_str(), nullptr));
        if (!resolved) {
            if (errno == ENOENT) {
                throw ERegistryError(path_ + ": is a symbolic link to nothing (dangling); "
                                             "refusing to use it");
            }
            if (errno == ELOOP) {
                throw ERegistryError(path_ + ": is a loop of symbolic links; refusing to use it");
            }
            if (IsDenial(errno)) {
                target.state = HiveState::Denied;
                return target;
            }
            ThrowSystemError(path_, "resolve the symbolic link", errno);
        }
        target.path = resolved.get();
        if (::stat(target.path.c_str(), &target.info) != 0) {
            ThrowSystemError(target.path, "look at it", errno);
        }
    }
    CheckKind(target.info);
    return target;
}

// The rule of the kernel's protected_symlinks, whatever the folder's mode: a link is followed
// only when its owner is root, the folder's owner or this user; anyone else who may write the
// folder could have planted it to make this process write elsewhere.
void FileHive::CheckLinkChain() const {
    constexpr int kMaxLinks = 40;
    std::filesystem::path link(path_);
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat info {};
        if (::lstat(link.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return; // not a link (any more): what is wrong with it is found when resolving
        }
        const std::string folder = ParentFolder(link.string());
        struct stat folderInfo {};
        if (::stat(folder.c_str(), &folderInfo) != 0) {
            ThrowSystemError(folder, "look at the folder of the symbolic link " + link.string(),
                             errno);
        }
        if (info.st_uid != 0 && info.st_uid != folderInfo.st_uid && info.st_uid != ::geteuid()) {
            throw ERegistryError(link.string() + ": is a symbolic link owned by user " +
                                 std::to_string(info.st_uid) + " in a folder owned by user " +
                                 std::to_string(folderInfo.st_uid) +
                                 "; only links made by root, the folder's owner or this user are "
                                 "followed, so nothing was read or written");
        }
        std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
        const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
        if (length < 0) {
            ThrowSystemError(link.string(), "read the symbolic link", errno);
        }
        target.resize(static_cast<std::size_t>(length));
        const std::filesystem::path next(target);
        link = next.is_absolute() ? next : std::filesystem::path(folder) / next;
    }
}

void FileHive::CheckKind(const struct stat &info) const {
    const char *kind = nullptr;
    if (S_ISDIR(info.st_mode)) {
        kind = "a folder";
    } else if (S_ISFIFO(info.st_mode)) {
        kind = "a FIFO";
    } else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        kind = "a device";
    } else if (S_ISSOCK(info.st_mode)) {
        kind = "a socket";
    } else if (!S_ISREG(info.st_mode)) {
        kind = "not a regular file";
    }
    if (kind != nullptr) {
        throw ERegistryError(path_ + ": is " + std::string(kind) +
                             ", not a registry file; nothing was read or written");
    }
}

HiveState FileHive::State() const {
    return Resolve().state;
}

bool FileHive::MayRead() const {
    const Target target = Resolve();
    return target.state == HiveState::Present && Accessible(target.path, R_OK);
}

bool FileHive::MayWrite() const {
    const Target target = Resolve();
    if (target.state == HiveState::Denied) {
        return false;
    }
    if (target.state == HiveState::Present) {
        // The rename needs the folder; the lock file must be openable when another user made it.
        const std::string lock = target.path + ".lock";
        return Accessible(target.path, R_OK | W_OK) &&
               Accessible(ParentFolder(target.path), W_OK | X_OK) &&
               (::access(lock.c_str(), F_OK) != 0 || Accessible(lock, R_OK));
    }
    // Missing: the nearest folder that exists must let us create what is below it.
    std::string folder = ParentFolder(target.path);
    while (true) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) == 0) {
            return S_ISDIR(info.st_mode) && Accessible(folder, W_OK | X_OK);
        }
        if (IsDenial(errno)) {
            return false;
        }
        if (errno != ENOENT) {
            ThrowSystemError(folder, "look at it", errno);
        }
        const std::string parent = ParentFolder(folder);
        if (parent == folder) {
            return false;
        }
        folder = parent;
    }
}

std::optional<FileBytes> FileHive::Read() const {
    const Target target = Resolve();
    if (target.state == HiveState::Missing) {
        return std::nullopt;
    }
    if (target.state == HiveState::Denied) {
        ThrowSystemError(path_, "read it", EACCES);
    }
    return ReadFile(target.path);
}

std::optional<FileBytes> FileHive::ReadFile(const std::string &path) const {
    // Non-blocking, in case a FIFO took the file's place since it was looked at; never through
    // a link put in the file's place since then.
    FileDescriptor fd(OpenNoFollow(path));
    if (!fd.IsOpen()) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        ThrowSystemError(path_, "look at it", errno);
    }
    CheckKind(info);
    return ReadFrom(fd.Get(), info);
}

FileDescriptor FileHive::OpenNoFollow(const std::string &path) const {
    FileDescriptor fd(
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
    if (!fd.IsOpen()) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return fd;
        }
        if (errno == ELOOP) {
            throw ERegistryError(path + ": became a symbolic link while being used; nothing "
                                        "was read or written");
        }
        ThrowSystemError(path_, "open it", errno);
    }
    return fd;
}

std::optional<FileBytes> FileHive::ReadFrom(int fd, const struct stat &info) const {
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > RegText::kMaxFileBytes) {
        throw ERegistryError(path_ + ": is larger than 256 MiB; refusing to read it");
    }
    std::optional<FileBytes> buffer;
    try {
        buffer.emplace(size);
    } catch (const std::bad_alloc &) {
        throw ERegistryError(path_ + ": not enough memory to read its " + std::to_string(size) +
                             " bytes");
    }
    FileBytes &bytes = *buffer;
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(fd, bytes.Data() + filled, size - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(path_, "read it", errno);
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    // An empty file holds no keys, as a missing one; an administrator may create it ahead of
    // time to choose its owner and mode, which the first write keeps.
    if (filled == 0) {
        return std::nullopt;
    }
    bytes.SetSize(filled);
    return buffer;
}

void FileHive::Update(const Edit &edit, std::optional<std::string_view> expected) const {
    const Target target = Resolve();
    if (target.state == HiveState::Denied) {
        ThrowSystemError(path_, "reach it", EACCES);
    }
    const std::string folder = ParentFolder(target.path);
    if (target.state == HiveState::Missing) {
        CreateFolders(folder);
    }
    const HiveLock lock(target.path, GroupOf(target, folder));
    RemoveStaleTempFiles(target.path);

    // Another writer may have created or replaced the file while this one waited. What is
    // read, and whose rights are kept, is the file opened here, not whatever the path names
    // by the time of a later check.
    const FileDescriptor current = OpenNoFollow(target.path);
    struct stat info {};
    std::optional<FileBytes> bytes;
    Current content;
    std::optional<FileRights> rights;
    if (current.IsOpen()) {
        if (::fstat(current.Get(), &info) != 0) {
            ThrowSystemError(path_, "look at it", errno);
        }
        CheckKind(info);
        if (info.st_nlink > 1) {
            throw ERegistryError(path_ + ": has " + std::to_string(info.st_nlink) +
                                 " hard links; replacing it would split them, so it was not "
                                 "written");
        }
        if (expected && Holds(current.Get(), info, *expected)) {
            content = {*expected, true};
        } else {
            if (expected && ::lseek(current.Get(), 0, SEEK_SET) != 0) {
                ThrowSystemError(path_, "read it", errno);
            }
            bytes = ReadFrom(current.Get(), info);
            if (bytes) {
                content.bytes = bytes->View();
            }
        }
        rights.emplace(current.Get(), info, path_);
    }
    const std::optional<std::string> next = edit(content);
    if (!next) {
        return;
    }
    TempFile temp(target.path);
    temp.Write(*next);
    if (rights) {
        rights->ApplyTo(temp.Descriptor());
    } else {
        temp.SetMode(0644);
    }
    lock.CheckStillHeld();
    temp.Commit();
    SyncFolder(folder);
}

// Compared a piece at a time, so that a large file unchanged since it was read costs no second
// copy of it in memory.
bool FileHive::Holds(int fd, const struct stat &info, std::string_view expected) const {
    if (static_cast<std::size_t>(info.st_size) != expected.size()) {
        return false;
    }
    constexpr std::size_t kPiece = std::size_t{64} << 10;
    std::vector<char> piece(kPiece);
    std::size_t compared = 0;
    while (compared < expected.size()) {
        const ssize_t got = ::read(fd, piece.data(), std::min(kPiece, expected.size() - compared));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(path_, "read it", errno);
        }
        if (got == 0 || std::memcmp(piece.data(), expected.data() + compared,
                                    static_cast<std::size_t>(got)) != 0) {
            return false;
        }
        compared += static_cast<std::size_t>(got);
    }
    return true;
}

gid_t FileHive::GroupOf(const Target &target, const std::string &folder) const {
    if (target.state == HiveState::Present) {
        return target.info.st_gid;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 ? info.st_gid : ::getegid();
}

void FileHive::CreateFolders(const std::string &folder) const {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        return;
    }
    if (errno != ENOENT) {
        ThrowSystemError(folder, "look at it", errno);
    }
    const std::string parent = ParentFolder(folder);
    if (parent != folder) {
        CreateFolders(parent);
    }
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        ThrowSystemError(folder, "create the folder", errno);
    }
    SyncFolder(parent);
}

void FileHive::SyncFolder(const std::string &folder) const {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        ThrowSystemError(folder, "open the folder to sync it", errno);
    }
    // Some file systems cannot sync a folder; that is not an error of ours.
    if (::fsync(fd.Get()) != 0 && errno != EINVAL) {
        ThrowSystemError(folder,
                         "sync the folder (the new file is in place, but may not "
                         "survive a power cut)",
                         errno);
    }
}

void FileHive::RemoveStaleTempFiles(const std::string &target) const {
    const std::filesystem::path prefix(TempFile::PrefixFor(target));
    const std::string folder = prefix.parent_path().string();
    const std::string stem = prefix.filename().string();
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return;
    }
    // Under the lock no writer is busy, so whatever matches was left by a crash.
    while (const dirent *entry = ::readdir(dir.get())) {
        if (std::string_view(entry->d_name).starts_with(stem)) {
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
        }
    }
}

} // namespace tessaport
