#pragma once

namespace tessaport {

// Owns a file descriptor and closes it once.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor &&other) noexcept;
    FileDescriptor &operator=(FileDescriptor &&other) noexcept;
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

    // Closes now and returns 0 or the errno of a failed close: after writing, a failed close
    // can mean lost data. The descriptor is gone either way.
    int Close();

private:
    int fd_ = -1;
};

} // namespace tessaport
