#pragma once

#include "FileBytes.h"
#include "FileDescriptor.h"
#include "HiveLock.h"
#include "HivePath.h"
#include "HiveState.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tessaport {

class TempFile;

// The hive file on disk: what is at its path, who may read or replace it, and the atomic,
// durable replacement under the writers' lock. The path is resolved once, at first use, and then
// serves every call (see HivePath): a FileHive lasts one operation. A symbolic link is followed
// when root, its folder's owner or this user made it, and the file is written beside its target;
// anything but a regular file, a link someone else made, or a dangling or looping link, is an
// error; a hard-linked file is never replaced.
class FileHive {
public:
    // What the file holds when Update reads it under the lock.
    struct Current {
        std::optional<std::string_view> bytes; // nullopt when there is no file
    };
    // Gets the current content and returns the new bytes, or nullopt to leave the file alone.
    using Edit = std::function<std::optional<std::string>(const Current &current)>;

    // Holds the writers' lock from construction to destruction, and the file as it was read
    // under it, so that what is written is based on what no other writer can change meanwhile.
    class Writer {
    public:
        // Creates the missing folders, takes the lock and reads the file.
        explicit Writer(const FileHive &hive);

        const Current &Content() const { return content_; }
        // Reads the file again when another program changed it since (editors take no lock);
        // true when it did. The file held open is compared first: no name is looked up again
        // unless it was replaced.
        bool Refresh();
        // Replaces the file with `pieces`, one after another. On failure the file is as it was and
        // no temporary file is left, except for ERegistryUnconfirmedWrite: the new file is in
        // place, but may not have reached the disk. A file made new gets mode 0660 and the folder's
        // group in a setgid folder, else 0644. Called once: the old file is let go of either way.
        void Replace(std::span<const std::string_view> pieces);
        void Replace(std::string_view bytes) { Replace(std::span(&bytes, 1)); }

    private:
        void ReadCurrent();
        bool StillAsRead() const;

        const FileHive &hive_;
        struct stat folderInfo_ {};
        std::optional<HiveLock> lock_;
        FileDescriptor file_;
        struct stat info_ {};
        std::optional<FileBytes> bytes_;
        Current content_;
    };

    explicit FileHive(std::string path) : path_(std::move(path)) {}

    const std::string &Path() const { return path_; }

    HiveState State() const;
    bool MayRead() const;
    // Whether this process could replace the file, or create it and its folders.
    bool MayWrite() const;
    // Why MayWrite is false when it is the lock file's fault, saying what fixes it; else empty.
    std::string LockRefusal() const;
    // The bytes, or nullopt when there is no file. Takes no lock: writers rename.
    std::optional<FileBytes> Read() const;
    // Reads the file under the lock, applies `edit` and replaces the file with the result, as
    // Writer does.
    void Update(const Edit &edit) const;

private:
    HivePath &Resolve() const;
    void CheckKind(const struct stat &info) const;
    // `fd` is left open on the file read, `info` its fstat; not open when there is no file.
    std::optional<FileBytes> ReadFile(const HivePath &target, FileDescriptor &fd,
                                      struct stat &info) const;
    // Not open when there is no file.
    FileDescriptor OpenNoFollow(const HivePath &target) const;
    std::optional<FileBytes> ReadFrom(int fd, const struct stat &info) const;
    bool Holds(int fd, const struct stat &info, std::string_view expected) const;
    struct stat FolderInfo(const HivePath &target) const;
    void CheckNameLeavesRoom(const HivePath &target) const;
    void CreateFolders(HivePath &target) const;
    void GiveNewFileRights(TempFile &temp, const struct stat &folderInfo) const;
    void RemoveStaleTempFiles(const HivePath &target) const;

    std::string path_;
    mutable std::optional<HivePath> resolved_;
    // MayWrite's answer for the path as resolved; a write that makes the file asks again.
    mutable std::optional<bool> mayWrite_;
};

} // namespace tessaport
