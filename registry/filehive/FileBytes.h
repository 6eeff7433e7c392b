#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace tessaport {

// A file's contents. A large hive is read into memory mapped for the purpose, so it costs no
// zero-filling and no page fault per page; a small one goes on the heap, whose warm pages a
// process that reads the hive again and again (the window, a save) reuses.
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

    std::unique_ptr<char[]> heap_;
    char *data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t mapped_ = 0; // 0 when on the heap
    std::size_t size_ = 0;
};

} // namespace tessaport
