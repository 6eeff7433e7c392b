#include "RegLineCursor.h"

#include "RegSyntax.h"

#include <algorithm>

namespace tessaport {

RegLineCursor::RegLineCursor(const RegText &text)
    : text_(text), decoded_(text.Decoded()), raw_(text.Raw()),
      utf16_(text.Encoding() == RegEncoding::Utf16Le), rawPos_(utf16_ ? 2 : 0) {}

bool RegLineCursor::Next(RegLine &line) {
    if (pos_ >= decoded_.size()) {
        return false;
    }
    ++number_;
    const std::size_t start = pos_;
    const char *data = decoded_.data();
    const std::size_t size = decoded_.size();
    const std::size_t stop =
        std::min(regsyntax::FindAnyOf(decoded_, start, '\r', '\n', '\0'), size);
    if (stop < size && data[stop] == '\0') {
        text_.Fail(number_, "NUL byte in the text (a binary file, or UTF-16 without its "
                            "byte order mark?)");
    }
    if (stop - start > RegText::kMaxLineBytes) {
        text_.Fail(number_, "line longer than 1 MiB");
    }
    line.number = number_;
    line.text = std::string_view(data + start, stop - start);
    line.offset = start;
    if (stop == size) {
        line.end = LineEnd::None;
        pos_ = stop;
    } else if (data[stop] == '\n') {
        line.end = LineEnd::Lf;
        pos_ = stop + 1;
    } else if (stop + 1 < size && data[stop + 1] == '\n') {
        line.end = LineEnd::CrLf;
        pos_ = stop + 2;
    } else {
        line.end = LineEnd::Cr;
        pos_ = stop + 1;
    }
    if (!utf16_) {
        line.rawBegin = start;
        line.rawContentEnd = stop;
        line.rawEnd = pos_;
        return true;
    }
    // The UTF-16 bytes have the same lines: walk them alongside.
    line.rawBegin = rawPos_;
    line.rawContentEnd = RawLineEndAfter(rawPos_);
    line.rawEnd = line.rawContentEnd + 2 * LineEndText(line.end).size();
    rawPos_ = line.rawEnd;
    return true;
}

std::size_t RegLineCursor::RawLineEndAfter(std::size_t rawPos) const {
    std::size_t pos = rawPos;
    while (pos + 1 < raw_.size()) {
        if (raw_[pos + 1] == '\0' && (raw_[pos] == '\n' || raw_[pos] == '\r')) {
            return pos;
        }
        pos += 2;
    }
    return raw_.size() - (raw_.size() - rawPos) % 2;
}

} // namespace tessaport
