#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

// A file's bytes after an edit: the old bytes with some ranges put in place of others. A save
// writes the pieces as they stand, so that changing a few lines of a large file copies none of
// it; the old bytes must outlive this object.
class RegEdit {
public:
    struct Change {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::string bytes;
    };

    // A file made whole.
    explicit RegEdit(std::string whole) : changes_{{0, 0, std::move(whole)}} {}
    // `changes` are in order and do not overlap.
    RegEdit(std::string_view old, std::vector<Change> changes)
        : old_(old), changes_(std::move(changes)) {}

    std::size_t Size() const;
    std::vector<std::string_view> Pieces() const;
    std::string Text() const;

private:
    std::string_view old_;
    std::vector<Change> changes_;
};

} // namespace tessaport
