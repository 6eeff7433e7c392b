#pragma once

#include "FileBytes.h"
#include "FileDescriptor.h"
#include "HivePath.h"
#include "HiveState.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tessaport {

class TempFile;

// The hive file on disk: what is at its path, who may read or replace it, and the atomic,
// durable replacement under the writers' lock. The path is resolved once per use (see HivePath):
// a symbolic link is followed when root, its folder's owner or this user made it, and the file is
// written beside its target; anything but a regular file, a link someone else made, or a
// dangling or looping link, is an error; a hard-linked file is never replaced.
class FileHive {
public:
    // What the file holds when Update reads it under the lock.
    struct Current {
        std::optional<std::string_view> bytes; // nullopt when there is no file
        // The file holds exactly the bytes Update was told to expect: what the caller read
        // before, and may have parsed already.
        bool unchangedSinceRead = false;
    };
    // Gets the current content and returns the new bytes, or nullopt to leave the file alone.
    using Edit = std::function<std::optional<std::string>(const Current &current)>;

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
    // Re-reads the file under the lock, applies `edit` and replaces the file with the result.
    // On failure the file is as it was and no temporary file is left, except for
    // ERegistryUnconfirmedWrite: the new file is in place, but may not have reached the disk.
    // `expected` is the file as the caller read it, if it did. A file made new gets mode 0660
    // and the folder's group in a setgid folder, else 0644.
    void Update(const Edit &edit, std::optional<std::string_view> expected = std::nullopt) const;

private:
    HivePath Resolve() const;
    void CheckKind(const struct stat &info) const;
    std::optional<FileBytes> ReadFile(const HivePath &target) const;
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
};

} // namespace tessaport
