#include "TempFile.h"

#include "ERegistryError.h"
#include "SystemError.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace tessaport {
namespace {

constexpr std::size_t kRandomLetters = 6;

} // namespace

std::string TempFile::PrefixFor(const std::string &finalName) {
    // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + std::string.
    std::string name = ".";
    name += finalName;
    name += ".tmp-";
    return name;
}

std::size_t TempFile::NameLength(const std::string &finalName) {
    return PrefixFor(finalName).size() + kRandomLetters;
}

TempFile::TempFile(int folder, const std::string &finalName, const std::string &finalPath)
    : folder_(folder), finalName_(finalName), finalPath_(finalPath) {
    // 64 letters, so that each random byte picks one evenly.
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // The kernel's generator: a library one may ask the processor what it has first,
        // which a virtual machine makes slow.
        std::array<unsigned char, kRandomLetters> random{};
        if (::getrandom(random.data(), random.size(), 0) != static_cast<ssize_t>(random.size())) {
            ThrowSystemError(finalPath, "pick a name for a temporary file beside it", errno);
        }
        std::string name = PrefixFor(finalName);
        for (const unsigned char byte : random) {
            name += kLetters[byte % kLetters.size()];
        }
        const int fd = ::openat(folder, name.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            fd_ = FileDescriptor(fd);
            name_ = name;
            path_ = (std::filesystem::path(finalPath).parent_path() / name).string();
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    ThrowSystemError(finalPath, "create a temporary file beside it", errno);
}

TempFile::~TempFile() {
    fd_.Close();
    if (!committed_ && !name_.empty()) {
        ::unlinkat(folder_, name_.c_str(), 0);
    }
}

void TempFile::Write(std::span<const std::string_view> pieces) {
    std::vector<iovec> left;
    for (const std::string_view piece : pieces) {
        if (!piece.empty()) {
            left.push_back({const_cast<char *>(piece.data()), piece.size()});
        }
    }
    std::size_t next = 0;
    while (next < left.size()) {
        const auto count = static_cast<int>(std::min<std::size_t>(left.size() - next, IOV_MAX));
        const ssize_t written = ::writev(fd_.Get(), left.data() + next, count);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(path_, "write", errno);
        }
        if (written == 0) {
            ThrowSystemError(path_, "write", EIO);
        }
        // A short write stops anywhere, even inside a piece.
        auto done = static_cast<std::size_t>(written);
        for (; next < left.size() && done >= left[next].iov_len; ++next) {
            done -= left[next].iov_len;
        }
        if (done > 0) {
            left[next].iov_base = static_cast<char *>(left[next].iov_base) + done;
            left[next].iov_len -= done;
        }
    }
}

void TempFile::SetMode(mode_t mode) {
    if (::fchmod(fd_.Get(), mode) != 0) {
        ThrowSystemError(path_, "set its mode", errno);
    }
}

void TempFile::SetGroup(gid_t group) {
    if (::fchown(fd_.Get(), static_cast<uid_t>(-1), group) != 0) {
        ThrowSystemError(path_, "give it the folder's group", errno);
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
    if (::renameat(folder_, name_.c_str(), folder_, finalName_.c_str()) != 0) {
        if (errno == ENOENT) {
            // Only a writer that found no lock, or a person, removes another's temporary file.
            throw ERegistryError(finalPath_ + ": the new file " + path_ +
                                 " was removed by someone else before it could replace it (was "
                                 "the lock file removed, or the folder cleared?); nothing was "
                                 "written");
        }
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
