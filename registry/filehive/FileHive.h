#pragma once

#include "FileBytes.h"
#include "FileDescriptor.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tessaport {

enum class HiveState { Missing, Present, Denied };

// The hive file on disk: what is at its path, who may read or replace it, and the atomic,
// durable replacement under the writers' lock. A symbolic link is followed when root, its folder's
// owner or this user made it, and the file is written beside its target; anything but a regular
// file, a link someone else made, or a dangling or looping link, is an error; a hard-linked file
// is never replaced.
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
    // The bytes, or nullopt when there is no file. Takes no lock: writers rename.
    std::optional<FileBytes> Read() const;
    // Re-reads the file under the lock, applies `edit` and replaces the file with the result.
    // On failure the file is as it was and no temporary file is left. `expected` is the file as
    // the caller read it, if it did.
    void Update(const Edit &edit, std::optional<std::string_view> expected = std::nullopt) const;

private:
    struct Target {
        std::string path; // the file itself, a symbolic link resolved
        HiveState state = HiveState::Missing;
        struct stat info {};
    };

    Target Resolve() const;
    void CheckLinkChain() const;
    void CheckKind(const struct stat &info) const;
    std::optional<FileBytes> ReadFile(const std::string &path) const;
    // Not open when there is no file.
    FileDescriptor OpenNoFollow(const std::string &path) const;
    std::optional<FileBytes> ReadFrom(int fd, const struct stat &info) const;
    bool Holds(int fd, const struct stat &info, std::string_view expected) const;
    gid_t GroupOf(const Target &target, const std::string &folder) const;
    void CreateFolders(const std::string &folder) const;
    void SyncFolder(const std::string &folder) const;
    void RemoveStaleTempFiles(const std::string &target) const;

    std::string path_;
};

} // namespace tessaport
