#include "TempFile.h"

#include "SystemError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessaport {

std::string TempFile::PrefixFor(const std::string &finalPath) {
    const std::filesystem::path path(finalPath);
    const std::filesystem::path folder = path.parent_path();
    // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + std::string.
    std::string name = ".";
    name += path.filename().string();
    name += ".tmp-";
    return (folder.empty() ? std::filesystem::path(".") : folder) / name;
}

TempFile::TempFile(const std::string &finalPath) : finalPath_(finalPath) {
    std::string pattern = PrefixFor(finalPath) + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        ThrowSystemError(finalPath, "create a temporary file beside it", errno);
    }
    fd_ = FileDescriptor(fd);
    path_ = name.data();
}

TempFile::~TempFile() {
    fd_.Close();
    if (!committed_) {
        ::unlink(path_.c_str());
    }
}

void TempFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_.Get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(path_, "write", errno);
        }
        if (written == 0) {
            ThrowSystemError(path_, "write", EIO);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void TempFile::SetMode(mode_t mode) {
    if (::fchmod(fd_.Get(), mode) != 0) {
        ThrowSystemError(path_, "set its mode", errno);
    }
}

void TempFile::Commit() {
    // Never rename a file whose data may not be on disk.
    if (::fsync(fd_.Get()) != 0) {
        ThrowSystemError(path_, "sync", errno);
    }
    if (const int error = fd_.Close(); error != 0) {
        ThrowSystemError(path_, "close", error);
    }
    if (::rename(path_.c_str(), finalPath_.c_str()) != 0) {
        if (errno == EBUSY) {
            // The file itself is a mount point, as when it alone is bind-mounted into a
            // container: it can be read, but never replaced.
            ThrowSystemError(finalPath_,
                             "replace it, as it is a mount point (a file bind-mounted on its "
                             "own?); mount its folder instead",
                             errno);
        }
        ThrowSystemError(finalPath_, "replace it", errno);
    }
    committed_ = true;
}

} // namespace tessaport
