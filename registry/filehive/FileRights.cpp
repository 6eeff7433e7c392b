#include "FileRights.h"

#include "ERegistryError.h"
#include "SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tessaport {

namespace {

std::string Octal(mode_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode));
    return text;
}

bool Unsupported(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

// The names of a file's extended attributes; none where the file system has none.
std::vector<std::string> AttributeNames(int fd, const std::string &path) {
    std::vector<char> names;
    while (true) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            if (Unsupported(errno)) {
                return {};
            }
            ThrowSystemError(path, "list its extended attributes", errno);
        }
        if (size == 0) {
            return {};
        }
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) {
            ThrowSystemError(path, "list its extended attributes", errno);
        }
    }
    std::vector<std::string> list;
    for (std::size_t begin = 0; begin < names.size();) {
        const std::string name(names.data() + begin);
        begin += name.size() + 1;
        list.push_back(name);
    }
    return list;
}

// Fills `value` and returns true, or returns false when the file has no such attribute.
bool AttributeValue(int fd, const std::string &name, std::string &value, const std::string &path) {
    while (true) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) {
            if (errno == ENODATA || Unsupported(errno)) {
                return false;
            }
            ThrowSystemError(path, "read its extended attribute " + name, errno);
        }
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) {
            ThrowSystemError(path, "read its extended attribute " + name, errno);
        }
    }
}

} // namespace

FileRights::FileRights(int fd, const struct stat &info, const std::string &path)
    : path_(path), owner_(info.st_uid), group_(info.st_gid), mode_(info.st_mode & 07777) {
    for (const std::string &name : AttributeNames(fd, path_)) {
        std::string value;
        if (AttributeValue(fd, name, value, path_)) {
            attributes_.emplace(name, std::move(value));
        }
    }
}

void FileRights::ApplyTo(int fd) const {
    // Owner and group first: changing them clears the setuid and setgid bits.
    KeepOwnerAndGroup(fd);
    if (::fchmod(fd, mode_) != 0) {
        Refuse("its mode " + Octal(mode_), std::strerror(errno));
    }
    // After the mode: the ACL among them sets the group bits to its mask, as on the old file.
    KeepAttributes(fd);
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        ThrowSystemError(path_, "look at the new file", errno);
    }
    if ((now.st_mode & 07777) != mode_) {
        Refuse("its mode " + Octal(mode_),
               "the system set " + Octal(now.st_mode & 07777) + " instead");
    }
}

void FileRights::KeepOwnerAndGroup(int fd) const {
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        ThrowSystemError(path_, "look at the new file", errno);
    }
    const bool root = ::geteuid() == 0;
    uid_t owner = static_cast<uid_t>(-1);
    if (now.st_uid != owner_) {
        // Only root may give a file away; anyone else's write makes it the writer's. That
        // changes nobody's access when the old owner is root, who reads anything, or when the
        // owner and the group have the same rights and the old owner is in the group.
        if (!root && owner_ != 0) {
            if (const std::string why = TakeOverRefusal(); !why.empty()) {
                Refuse("its owner (user " + std::to_string(owner_) + ")", why);
            }
        }
        if (root) {
            owner = owner_;
        }
    }
    const gid_t group = now.st_gid != group_ ? group_ : static_cast<gid_t>(-1);
    if (owner == static_cast<uid_t>(-1) && group == static_cast<gid_t>(-1)) {
        return;
    }
    if (::fchown(fd, owner, group) != 0) {
        if (errno == EPERM && !root) {
            Refuse("its group (group " + std::to_string(group_) + ")",
                   "user " + std::to_string(::geteuid()) + " is not a member of it");
        }
        Refuse("its owner and group", std::strerror(errno));
    }
}

std::string FileRights::TakeOverRefusal() const {
    const std::string rule = "only root may give the new file to that user, and this user taking "
                             "it over would change that user's rights";
    if (((mode_ >> 6) & 07) != ((mode_ >> 3) & 07)) {
        return rule;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(owner_, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        // As in a container, or while the directory service is away: whether the owner would
        // keep access through the group cannot be told, so it is not risked.
        return "only root may give the new file to that user, and that user's groups cannot be "
               "established (no account entry found), so taking it over might lock them out";
    }
    if (entry.pw_gid == group_) {
        return {};
    }
    int count = 256;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) {
            return rule;
        }
    }
    groups.resize(static_cast<std::size_t>(count));
    return std::find(groups.begin(), groups.end(), group_) != groups.end() ? std::string() : rule;
}

void FileRights::KeepAttributes(int fd) const {
    for (const auto &[name, value] : attributes_) {
        std::string current;
        if (AttributeValue(fd, name, current, path_) && current == value) {
            continue;
        }
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) {
            Refuse("its extended attribute " + name, std::strerror(errno));
        }
    }
    // What the new file got by itself (an ACL inherited from the folder's default ACL) goes;
    // labels of a security module are the module's to give.
    for (const std::string &name : AttributeNames(fd, path_)) {
        if (!attributes_.contains(name) && !name.starts_with("security.") &&
            ::fremovexattr(fd, name.c_str()) != 0 && errno != ENODATA) {
            Refuse("the absence of extended attribute " + name, std::strerror(errno));
        }
    }
}

void FileRights::Refuse(const std::string &what, const std::string &why) const {
    throw ERegistryError(path_ + ": the new file cannot keep " + what + ": " + why +
                         "; the file was left as it is");
}

} // namespace tessaport
