#include "HivePath.h"

#include "ERegistryError.h"
#include "SystemError.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <linux/openat2.h>
#include <optional>
#include <string_view>
#include <sys/syscall.h>
#include <unistd.h>

namespace tessaport {

namespace {

// As the kernel's own limit on links in one look-up.
constexpr int kMaxLinks = 40;
constexpr int kPathFlags = O_PATH | O_NOFOLLOW | O_CLOEXEC;

bool IsDenial(int error) {
    return error == EACCES || error == EPERM;
}

std::deque<std::string> Components(std::string_view path) {
    std::deque<std::string> parts;
    while (!path.empty()) {
        const std::size_t end = path.find('/');
        const std::string_view part = path.substr(0, end);
        if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        path = end == std::string_view::npos ? std::string_view() : path.substr(end + 1);
    }
    return parts;
}

FileDescriptor OpenStart(const std::string &where) {
    FileDescriptor fd(::open(where.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        ThrowSystemError(where, "open the folder", errno);
    }
    return fd;
}

// The rule of the kernel's protected_symlinks, whatever the folder's mode.
void CheckLinkOwner(const std::string &link, const struct stat &info, int folder) {
    struct stat folderInfo {};
    if (::fstat(folder, &folderInfo) != 0) {
        ThrowSystemError(link, "look at the folder of the symbolic link", errno);
    }
    if (info.st_uid != 0 && info.st_uid != folderInfo.st_uid && info.st_uid != ::geteuid()) {
        throw ERegistryError(link + ": is a symbolic link owned by user " +
                             std::to_string(info.st_uid) + " in a folder owned by user " +
                             std::to_string(folderInfo.st_uid) +
                             "; only links made by root, the folder's owner or this user are "
                             "followed, so nothing was read or written");
    }
}

// The target of the link `node` itself (O_PATH): the link whose owner was checked, not whatever
// has its name by now.
std::string ReadLink(int node, const struct stat &info, const std::string &link) {
    std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
    const ssize_t length = ::readlinkat(node, "", target.data(), target.size());
    if (length < 0) {
        ThrowSystemError(link, "read the symbolic link", errno);
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

std::string Joined(const std::filesystem::path &where, const std::string &name) {
    return where.empty() ? name : (where / name).string();
}

// Most configured paths are written plainly and hold no link: then one call reaches the folder
// and one looks at the file, where the walk takes three for each name. Anything else, and any
// failure, is left to the walk, which tells what it is.
std::optional<HivePath> ResolvePlain(const std::string &configured) {
    const std::deque<std::string> parts = Components(configured);
    std::string plain = configured.starts_with('/') ? "/" : "";
    for (const std::string &part : parts) {
        plain += (plain.empty() || plain == "/" ? "" : "/") + part;
    }
    if (parts.empty() || plain != configured || configured.find("..") != std::string::npos) {
        return std::nullopt;
    }
    const std::size_t slash = configured.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : configured.substr(0, std::max<std::size_t>(slash, 1));
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    HivePath result;
    result.folder = FileDescriptor(
        static_cast<int>(::syscall(SYS_openat2, AT_FDCWD, folder.c_str(), &how, sizeof how)));
    result.name = parts.back();
    if (!result.folder.IsOpen() ||
        ::fstatat(result.folder.Get(), result.name.c_str(), &result.info, AT_SYMLINK_NOFOLLOW) !=
            0 ||
        S_ISLNK(result.info.st_mode)) {
        return std::nullopt;
    }
    result.path = configured;
    result.state = HiveState::Present;
    return result;
}

} // namespace

HivePath HivePath::Resolve(const std::string &configured) {
    if (std::optional<HivePath> plain = ResolvePlain(configured)) {
        return std::move(*plain);
    }
    HivePath result;
    const bool absolute = configured.starts_with('/');
    std::filesystem::path where = absolute ? "/" : "";
    result.folder = OpenStart(absolute ? "/" : ".");
    std::deque<std::string> rest = Components(configured);
    int links = 0;
    // Set once the file's own name turned out to be a link: its target must exist.
    std::string finalLink;
    const auto missingFrom = [&](const std::string &name) {
        result.state = HiveState::Missing;
        result.missingFolders.push_back(name);
        result.missingFolders.insert(result.missingFolders.end(), rest.begin(), rest.end());
        result.name = result.missingFolders.back();
        result.missingFolders.pop_back();
    };
    while (!rest.empty()) {
        const std::string name = std::move(rest.front());
        rest.pop_front();
        const std::string shown = Joined(where, name);
        result.path = shown;
        FileDescriptor node(::openat(result.folder.Get(), name.c_str(), kPathFlags));
        if (!node.IsOpen()) {
            if (errno == ENOENT && !finalLink.empty()) {
                throw ERegistryError(finalLink + ": is a symbolic link to nothing (dangling); "
                                                 "refusing to use it");
            }
            if (errno == ENOENT) {
                missingFrom(name);
                for (const std::string &below : rest) {
                    result.path = Joined(std::filesystem::path(result.path), below);
                }
                return result;
            }
            if (IsDenial(errno)) {
                result.state = HiveState::Denied;
                return result;
            }
            ThrowSystemError(shown, "look at it", errno);
        }
        struct stat info {};
        if (::fstat(node.Get(), &info) != 0) {
            ThrowSystemError(shown, "look at it", errno);
        }
        if (S_ISLNK(info.st_mode)) {
            CheckLinkOwner(shown, info, result.folder.Get());
            if (++links > kMaxLinks) {
                throw ERegistryError(configured +
                                     ": is a loop of symbolic links; refusing to use it");
            }
            if (rest.empty()) {
                finalLink = shown;
            }
            const std::string target = ReadLink(node.Get(), info, shown);
            std::deque<std::string> parts = Components(target);
            rest.insert(rest.begin(), parts.begin(), parts.end());
            if (target.starts_with('/')) {
                result.folder = OpenStart("/");
                where = "/";
            }
            continue;
        }
        if (rest.empty()) {
            result.state = HiveState::Present;
            result.name = name;
            result.info = info;
            return result;
        }
        if (!S_ISDIR(info.st_mode)) {
            // A file where a folder should be means there is no hive, as with a missing folder.
            missingFrom(name);
            result.blocked = true;
            return result;
        }
        // ".." of the folder held, never of a name looked up again.
        result.folder = std::move(node);
        where = name == ".." ? (where.empty() ? std::filesystem::path("..")
                                              : (where / "..").lexically_normal())
                             : std::filesystem::path(shown);
    }
    throw ERegistryError(configured + ": names no file; nothing was read or written");
}

} // namespace tessaport
