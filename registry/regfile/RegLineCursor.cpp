#include "RegLineCursor.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tessaport {

namespace {

// The first LF, CR or NUL at or after `pos`. Sixteen bytes at a time where the processor can:
// most of a hive's bytes are no control character at all.
std::size_t FindLineStop(const char *data, std::size_t pos, std::size_t size) {
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (pos + 16 <= size) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + pos));
        const __m128i stops =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                         _mm_cmpeq_epi8(bytes, nul));
        if (const int mask = _mm_movemask_epi8(stops); mask != 0) {
            return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
        pos += 16;
    }
#endif
    for (; pos < size; ++pos) {
        if (data[pos] == '\n' || data[pos] == '\r' || data[pos] == '\0') {
            return pos;
        }
    }
    return size;
}

} // namespace

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
    const std::size_t stop = FindLineStop(data, start, size);
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
