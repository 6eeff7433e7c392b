#pragma once

#include <cstddef>
#include <string_view>

namespace tessaport {

// A file's contents, read once into memory mapped for the purpose: a large hive then costs no
// zero-filling and no page fault per page, which matters when one process reads it once.
class FileBytes {
public:
    explicit FileBytes(std::size_t capacity);
    ~FileBytes();
    FileBytes(FileBytes &&other) noexcept;
    FileBytes &operator=(FileBytes &&other) noexcept;
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;

    char *Data() { return data_; }
    void SetSize(std::size_t size) { size_ = size; }
    std::size_t Capacity() const { return capacity_; }
    std::string_view View() const { return {data_, size_}; }

private:
    void Release();

    char *data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t mapped_ = 0;
    std::size_t size_ = 0;
};

} // namespace tessaport
