#include "FileDescriptor.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace tessaport {

FileDescriptor::~FileDescriptor() {
    Close();
}

FileDescriptor::FileDescriptor(FileDescriptor &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

FileDescriptor &FileDescriptor::operator=(FileDescriptor &&other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int FileDescriptor::Close() {
    if (fd_ < 0) {
        return 0;
    }
    // Linux releases the descriptor even when close fails, so it is never retried.
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
}

} // namespace tessaport
