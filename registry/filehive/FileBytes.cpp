#include "FileBytes.h"

#include <new>
#include <sys/mman.h>
#include <utility>

namespace tessaport {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this, mapping and unmapping fresh pages costs more than the copy it saves.
constexpr std::size_t kHeapLimit = std::size_t{1} << 20;

} // namespace

FileBytes::FileBytes(std::size_t capacity) : capacity_(capacity) {
    if (capacity < kHeapLimit) {
        heap_ = std::make_unique_for_overwrite<char[]>(capacity == 0 ? 1 : capacity);
        data_ = heap_.get();
        return;
    }
    mapped_ = capacity;
    void *memory =
        ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    data_ = static_cast<char *>(memory);
#ifdef MADV_HUGEPAGE
    // A few large pages instead of thousands of small ones; only a hint.
    if (mapped_ >= kHugePage) {
        ::madvise(memory, mapped_, MADV_HUGEPAGE);
    }
#endif
#ifdef MADV_POPULATE_WRITE
    // All pages in one call rather than one page fault each while reading, which costs far
    // more on a virtual machine; only a hint too (Linux 5.14 and later).
    ::madvise(memory, mapped_, MADV_POPULATE_WRITE);
#endif
}

FileBytes::~FileBytes() {
    Release();
}

FileBytes::FileBytes(FileBytes &&other) noexcept
    : heap_(std::move(other.heap_)), data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)), mapped_(std::exchange(other.mapped_, 0)),
      size_(std::exchange(other.size_, 0)) {}

FileBytes &FileBytes::operator=(FileBytes &&other) noexcept {
    if (this != &other) {
        Release();
        heap_ = std::move(other.heap_);
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void FileBytes::Release() {
    if (mapped_ != 0) {
        ::munmap(data_, mapped_);
        mapped_ = 0;
    }
    heap_.reset();
    data_ = nullptr;
}

} // namespace tessaport
