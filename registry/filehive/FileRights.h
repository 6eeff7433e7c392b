#pragma once

#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace tessaport {

// Who may use the hive file: its owner, group, mode (with the setuid and setgid bits) and
// extended attributes, which hold its POSIX ACL. Taken from the old file and given to the new
// one, so that a write by any user changes nobody's access.
class FileRights {
public:
    // `fd` is the old file, open for reading; `info` its fstat.
    FileRights(int fd, const struct stat &info, const std::string &path);

    // Gives the rights to the new file `fd`, or raises ERegistryError saying which of them this
    // user cannot keep and why; the caller then leaves the old file in place.
    void ApplyTo(int fd) const;

private:
    void KeepOwnerAndGroup(int fd) const;
    // Why this user may not take the file over from its owner, or empty when that changes
    // nobody's access: the owner and group have the same rights and the owner is in the group.
    std::string TakeOverRefusal() const;
    void KeepAttributes(int fd) const;
    [[noreturn]] void Refuse(const std::string &what, const std::string &why) const;

    std::string path_;
    uid_t owner_;
    gid_t group_;
    mode_t mode_;
    std::map<std::string, std::string> attributes_;
};

} // namespace tessaport
