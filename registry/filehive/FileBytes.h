#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace tessaport {

// A file's contents, read into the heap. The buffer is not zero-filled first: the read fills it.
class FileBytes {
public:
    explicit FileBytes(std::size_t capacity)
        : data_(std::make_unique_for_overwrite<char[]>(capacity == 0 ? 1 : capacity)) {}

    char *Data() { return data_.get(); }
    void SetSize(std::size_t size) { size_ = size; }
    std::string_view View() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};

} // namespace tessaport
