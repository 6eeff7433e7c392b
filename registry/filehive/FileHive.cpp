#include "FileHive.h"

#include "ERegistryError.h"
#include "ERegistryUnconfirmedWrite.h"
#include "FileDescriptor.h"
#include "FileKind.h"
#include "FileRights.h"
#include "FolderSync.h"
#include "HiveLock.h"
#include "RegText.h"
#include "SystemError.h"
#include "TempFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <unistd.h>

namespace tessaport {

namespace {

bool IsDenial(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// The effective user's rights to `name` in `folder`, as the kernel would check them on open or
// rename.
bool Accessible(int folder, const char *name, int mode, const std::string &shown) {
    if (::faccessat(folder, name, mode, AT_EACCESS) == 0) {
        return true;
    }
    if (IsDenial(errno)) {
        return false;
    }
    ThrowSystemError(shown, "check access", errno);
}

// Whether the lock file beside the hive is there and this user may not open it.
bool LockClosed(const HivePath &target) {
    const std::string lock = HiveLock::NameFor(target.name);
    struct stat info {};
    return ::fstatat(target.folder.Get(), lock.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           !Accessible(target.folder.Get(), lock.c_str(), R_OK, target.path + ".lock");
}

} // namespace

HivePath &FileHive::Resolve() const {
    if (resolved_) {
        return *resolved_;
    }
    if (path_.ends_with('/')) {
        throw ERegistryError(path_ + ": names a folder (it ends with '/'), not a registry file; "
                                     "nothing was read or written");
    }
    HivePath target = HivePath::Resolve(path_);
    if (target.state == HiveState::Present) {
        CheckKind(target.info);
    }
    return resolved_.emplace(std::move(target));
}

void FileHive::CheckKind(const struct stat &info) const {
    if (const char *kind = NonRegularKind(info.st_mode)) {
        throw ERegistryError(path_ + ": is " + std::string(kind) +
                             ", not a registry file; nothing was read or written");
    }
}

HiveState FileHive::State() const {
    return Resolve().state;
}

bool FileHive::MayRead() const {
    const HivePath &target = Resolve();
    return target.state == HiveState::Present &&
           Accessible(target.folder.Get(), target.name.c_str(), R_OK, target.path);
}

bool FileHive::MayWrite() const {
    const HivePath &target = Resolve();
    if (target.state == HiveState::Denied) {
        return false;
    }
    if (mayWrite_) {
        return *mayWrite_;
    }
    const std::string folder = ParentFolder(target.path);
    // Missing: the nearest folder that exists must let us create what is below it.
    const bool folderWritable = Accessible(target.folder.Get(), ".", W_OK | X_OK, folder);
    if (target.state == HiveState::Missing) {
        return *(mayWrite_ = folderWritable && !target.blocked);
    }
    // The rename needs the folder; the lock file must be openable when another user made it.
    return *(mayWrite_ =
                 Accessible(target.folder.Get(), target.name.c_str(), R_OK | W_OK, target.path) &&
                 folderWritable && !LockClosed(target));
}

std::string FileHive::LockRefusal() const {
    const HivePath &target = Resolve();
    return target.state == HiveState::Present && LockClosed(target)
               ? HiveLock::NarrowLockAdvice(target.path + ".lock")
               : std::string();
}

std::optional<FileBytes> FileHive::Read() const {
    const HivePath &target = Resolve();
    if (target.state == HiveState::Denied) {
        ThrowSystemError(path_, "read it", EACCES);
    }
    // By name in the folder held: the file may have been made since the path was resolved.
    if (!target.missingFolders.empty() || target.blocked) {
        return std::nullopt;
    }
    FileDescriptor fd;
    struct stat info {};
    return ReadFile(target, fd, info);
}

std::optional<FileBytes> FileHive::ReadFile(const HivePath &target, FileDescriptor &fd,
                                            struct stat &info) const {
    // Non-blocking, in case a FIFO took the file's place since it was looked at; never through
    // a link put in the file's place since then.
    fd = OpenNoFollow(target);
    if (!fd.IsOpen()) {
        return std::nullopt;
    }
    if (::fstat(fd.Get(), &info) != 0) {
        ThrowSystemError(path_, "look at it", errno);
    }
    CheckKind(info);
    return ReadFrom(fd.Get(), info);
}

FileDescriptor FileHive::OpenNoFollow(const HivePath &target) const {
    FileDescriptor fd(::openat(target.folder.Get(), target.name.c_str(),
                               O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
    if (!fd.IsOpen()) {
        if (errno == ENOENT) {
            return fd;
        }
        if (errno == ELOOP) {
            throw ERegistryError(target.path + ": became a symbolic link while being used; "
                                               "nothing was read or written");
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

void FileHive::Update(const Edit &edit) const {
    Writer writer(*this);
    if (const std::optional<std::string> next = edit(writer.Content())) {
        writer.Replace(*next);
    }
}

FileHive::Writer::Writer(const FileHive &hive) : hive_(hive) {
    HivePath &target = hive.Resolve();
    if (target.state == HiveState::Denied) {
        ThrowSystemError(hive.path_, "reach it", EACCES);
    }
    hive.CheckNameLeavesRoom(target);
    if (!target.missingFolders.empty()) {
        hive.CreateFolders(target);
    }
    folderInfo_ = hive.FolderInfo(target);
    lock_.emplace(target.folder.Get(), target.name, target.path,
                  target.state == HiveState::Present ? target.info.st_gid : folderInfo_.st_gid);
    hive.RemoveStaleTempFiles(target);

    ReadCurrent();
}

// Another writer may have created or replaced the file since the path was resolved. What is
// read, and whose rights are kept, is the file opened here, not whatever the path names by the
// time of a later check.
void FileHive::Writer::ReadCurrent() {
    bytes_ = hive_.ReadFile(hive_.Resolve(), file_, info_);
    content_.bytes = bytes_ ? std::optional<std::string_view>(bytes_->View())
                            : std::optional<std::string_view>();
}

bool FileHive::Writer::StillAsRead() const {
    const HivePath &target = hive_.Resolve();
    struct stat now {};
    if (::fstatat(target.folder.Get(), target.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        return !file_.IsOpen();
    }
    if (!file_.IsOpen() || now.st_dev != info_.st_dev || now.st_ino != info_.st_ino) {
        return false;
    }
    return hive_.Holds(file_.Get(), now, content_.bytes.value_or(std::string_view()));
}

bool FileHive::Writer::Refresh() {
    if (StillAsRead()) {
        return false;
    }
    ReadCurrent();
    return true;
}

void FileHive::Writer::Replace(std::span<const std::string_view> pieces) {
    HivePath &target = hive_.Resolve();
    const std::string &path = hive_.path_;
    if (file_.IsOpen() && info_.st_nlink > 1) {
        throw ERegistryError(path + ": has " + std::to_string(info_.st_nlink) +
                             " hard links; replacing it would split them, so it was not "
                             "written");
    }
    TempFile temp(target.folder.Get(), target.name, target.path);
    temp.Write(pieces);
    if (file_.IsOpen()) {
        FileRights(file_.Get(), info_, path).ApplyTo(temp.Descriptor());
    } else {
        hive_.GiveNewFileRights(temp, folderInfo_);
    }
    lock_->CheckStillHeld();
    // Let go of the old file first: its space is then freed by the rename, before the folder's
    // sync, not after it while the next save may already wait for the disk.
    file_.Close();
    temp.Commit();
    // A later writer of this operation finds the file made here.
    if (::fstatat(target.folder.Get(), target.name.c_str(), &target.info, AT_SYMLINK_NOFOLLOW) ==
        0) {
        target.state = HiveState::Present;
        hive_.mayWrite_.reset();
    }
    // The new settings are in place now: what fails from here on is no failed save.
    try {
        SyncFolder(target.folder.Get(), ParentFolder(target.path));
    } catch (const ERegistryError &failure) {
        throw ERegistryUnconfirmedWrite(
            path +
            ": the new settings are in place, but could not be confirmed to have "
            "reached the disk (" +
            failure.what() + "); a power cut could still undo them");
    }
}

// Compared a piece at a time through a buffer on the stack, so that a large file unchanged since
// it was read costs no second copy of it in memory, nor fresh pages for one. The pieces are large
// because each read is a call into the kernel.
bool FileHive::Holds(int fd, const struct stat &info, std::string_view expected) const {
    if (static_cast<std::size_t>(info.st_size) != expected.size()) {
        return false;
    }
    char piece[65536];
    std::size_t compared = 0;
    while (compared < expected.size()) {
        const ssize_t got = ::pread(fd, piece, std::min(sizeof piece, expected.size() - compared),
                                    static_cast<off_t>(compared));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(path_, "read it", errno);
        }
        if (got == 0 ||
            std::memcmp(piece, expected.data() + compared, static_cast<std::size_t>(got)) != 0) {
            return false;
        }
        compared += static_cast<std::size_t>(got);
    }
    return true;
}

struct stat FileHive::FolderInfo(const HivePath &target) const {
    struct stat info {};
    if (::fstat(target.folder.Get(), &info) != 0) {
        ThrowSystemError(ParentFolder(target.path), "look at the folder", errno);
    }
    return info;
}

// A folder whose files stay in its group (setgid) is shared by that group: a file made there
// must let the next member write it, whatever this writer's umask.
void FileHive::GiveNewFileRights(TempFile &temp, const struct stat &folderInfo) const {
    if ((folderInfo.st_mode & S_ISGID) == 0) {
        temp.SetMode(0644);
        return;
    }
    temp.SetGroup(folderInfo.st_gid);
    temp.SetMode(0660);
}

// Each folder made is synced through its parent, so that a power cut cannot lose it and the
// file made in it.
void FileHive::CreateFolders(HivePath &target) const {
    // The system finds nothing at such a path, so reads find no file: a write must not create
    // the folder and then climb out of it to a file the reads never saw.
    const auto &missing = target.missingFolders;
    if (target.name == ".." || std::find(missing.begin(), missing.end(), "..") != missing.end()) {
        throw ERegistryError(path_ + ": cannot create it: \"..\" follows a folder that does not "
                                     "exist, so the path names no file; nothing was written");
    }
    std::string shown = ParentFolder(target.path);
    for (std::size_t i = target.missingFolders.size(); i > 0; --i) {
        shown = ParentFolder(shown);
    }
    for (const std::string &name : target.missingFolders) {
        const std::string made = (std::filesystem::path(shown) / name).string();
        if (::mkdirat(target.folder.Get(), name.c_str(), 0755) != 0 && errno != EEXIST) {
            ThrowSystemError(made, "create the folder", errno);
        }
        SyncFolder(target.folder.Get(), shown);
        FileDescriptor next(::openat(target.folder.Get(), name.c_str(),
                                     O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.IsOpen()) {
            if (errno == ELOOP) {
                throw ERegistryError(made + ": became a symbolic link while being created; "
                                            "nothing was written");
            }
            ThrowSystemError(made, "open the folder", errno);
        }
        target.folder = std::move(next);
        shown = made;
    }
    target.missingFolders.clear();
}

// A save makes its new file beside the old one under a longer name: a name that leaves no room
// for it is refused here, before anything is made, rather than after the lock file.
void FileHive::CheckNameLeavesRoom(const HivePath &target) const {
    long longest = ::fpathconf(target.folder.Get(), _PC_NAME_MAX);
    if (longest <= 0) {
        longest = NAME_MAX;
    }
    const std::size_t needed = TempFile::NameLength(target.name);
    if (needed > static_cast<std::size_t>(longest)) {
        throw ERegistryError(path_ +
                             ": the file's name is too long to save: a save makes a "
                             "new file beside it with a name " +
                             std::to_string(needed - target.name.size()) +
                             " bytes longer, and this folder takes names of at most " +
                             std::to_string(longest) + " bytes; nothing was written");
    }
}

void FileHive::RemoveStaleTempFiles(const HivePath &target) const {
    const std::string stem = TempFile::PrefixFor(target.name);
    const std::string lockStem = TempFile::PrefixFor(HiveLock::NameFor(target.name));
    const FileDescriptor listing = OpenForReading(target.folder.Get());
    // Read straight from the kernel: a library's directory stream looks at the folder again.
    alignas(dirent64) char entries[8192];
    ssize_t filled = 0;
    while (listing.IsOpen() &&
           (filled = ::getdents64(listing.Get(), entries, sizeof entries)) > 0) {
        for (ssize_t at = 0; at < filled;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(entries + at);
            at += entry->d_reclen;
            // Under the lock no writer is busy, so whatever matches was left by a crash.
            const std::string_view name(entry->d_name);
            if (name.starts_with(stem) || name.starts_with(lockStem)) {
                ::unlinkat(target.folder.Get(), entry->d_name, 0);
            }
        }
    }
}

} // namespace tessaport
