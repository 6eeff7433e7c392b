#pragma once

#include "RegLine.h"
#include "RegText.h"

namespace tessaport {

// Walks the lines of a RegText. CR, LF and CRLF each end a line. Raises ERegSyntaxError for a
// NUL byte or a line longer than RegText::kMaxLineBytes.
class RegLineCursor {
public:
    explicit RegLineCursor(const RegText &text);

    // False after the last line.
    bool Next(RegLine &line);

private:
    std::size_t RawLineEndAfter(std::size_t rawPos) const;

    const RegText &text_;
    std::string_view decoded_;
    std::string_view raw_;
    bool utf16_;
    std::size_t pos_ = 0;
    std::size_t rawPos_;
    std::size_t number_ = 0;
};

} // namespace tessaport
