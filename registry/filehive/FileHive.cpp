#include "FileHive.h"

#include "ERegistryError.h"
#include "FileDescriptor.h"
#include "HiveLock.h"
#include "RegText.h"
#include "SystemError.h"
#include "TempFile.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <new>
#include <unistd.h>

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
    // Non-blocking, in case a FIFO took the file's place since it was looked at.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.IsOpen()) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        ThrowSystemError(path_, "open it", errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        ThrowSystemError(path_, "look at it", errno);
    }
    CheckKind(info);
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
        const ssize_t got = ::read(fd.Get(), bytes.Data() + filled, size - filled);
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

void FileHive::Update(const Edit &edit) const {
    const Target target = Resolve();
    if (target.state == HiveState::Denied) {
        ThrowSystemError(path_, "reach it", EACCES);
    }
    const std::string folder = ParentFolder(target.path);
    if (target.state == HiveState::Missing) {
        CreateFolders(folder);
    }
    const HiveLock lock(target.path);
    RemoveStaleTempFiles(target.path);

    // Another writer may have created or replaced the file while this one waited.
    struct stat info {};
    bool exists = true;
    if (::lstat(target.path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            ThrowSystemError(path_, "look at it", errno);
        }
        exists = false;
    } else {
        if (S_ISLNK(info.st_mode)) {
            throw ERegistryError(path_ + ": became a symbolic link while waiting to write it");
        }
        CheckKind(info);
        if (info.st_nlink > 1) {
            throw ERegistryError(path_ + ": has " + std::to_string(info.st_nlink) +
                                 " hard links; replacing it would split them, so it was not "
                                 "written");
        }
    }
    const std::optional<FileBytes> current = exists ? ReadFile(target.path) : std::nullopt;
    const std::optional<std::string> next =
        edit(current ? std::optional<std::string_view>(current->View()) : std::nullopt);
    if (!next) {
        return;
    }
    TempFile temp(target.path);
    temp.Write(*next);
    temp.SetMode(exists ? (info.st_mode & 07777) : 0644);
    if (exists && ::geteuid() == 0) {
        temp.SetOwner(info.st_uid, info.st_gid);
    }
    temp.Commit();
    SyncFolder(folder);
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
