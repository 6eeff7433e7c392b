#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Character classes and small scanners shared by the parser and the value codec.
namespace tessaport::regsyntax {

constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Each byte's hex digit value, or 0xFF for a byte that is no hex digit.
inline constexpr std::array<std::uint8_t, 256> kHexDigitValues = [] {
    std::array<std::uint8_t, 256> values{};
    values.fill(0xFF);
    for (int digit = 0; digit < 10; ++digit) {
        values['0' + digit] = static_cast<std::uint8_t>(digit);
    }
    for (int digit = 0; digit < 6; ++digit) {
        values['a' + digit] = static_cast<std::uint8_t>(10 + digit);
        values['A' + digit] = static_cast<std::uint8_t>(10 + digit);
    }
    return values;
}();

constexpr bool IsHexDigit(char c) {
    return kHexDigitValues[static_cast<unsigned char>(c)] != 0xFF;
}

constexpr std::uint32_t HexDigitValue(char c) {
    return kHexDigitValues[static_cast<unsigned char>(c)];
}

// The eight hex digits at `digits` as a number, all at once; nullopt unless all eight are
// hex digits (or on a big-endian machine, which takes them one by one).
inline std::optional<std::uint32_t> EightHexDigits(const char *digits) {
    if constexpr (std::endian::native != std::endian::little) {
        return std::nullopt;
    }
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x80 * kOnes;
    std::uint64_t word = 0;
    std::memcpy(&word, digits, sizeof word);
    // Below 0x80 each byte can take these sums without carrying into the next; the high bit of
    // each sum's byte answers "at least" for that byte.
    const std::uint64_t lower = word | 0x20 * kOnes;
    const auto atLeast = [](std::uint64_t bytes, std::uint64_t least) {
        return (bytes + (0x80 - least) * kOnes) & kHigh;
    };
    const std::uint64_t isLetter = atLeast(lower, 'a') & ~atLeast(lower, 'g');
    const std::uint64_t isDigit = atLeast(word, '0') & ~atLeast(word, ':');
    if ((word & kHigh) != 0 || (isLetter | isDigit) != kHigh) {
        return std::nullopt;
    }
    // Each byte's value, then pairs, quads and all eight, the first digit the highest.
    std::uint64_t value = (lower & 0x0F * kOnes) + (isLetter >> 7) * 9;
    value = ((value & 0x000F000F000F000Full) << 4) | ((value >> 8) & 0x000F000F000F000Full);
    value = ((value & 0x000000FF000000FFull) << 8) | ((value >> 16) & 0x000000FF000000FFull);
    return static_cast<std::uint32_t>(((value & 0xFFFF) << 16) | ((value >> 32) & 0xFFFF));
}

constexpr std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// True when only blanks or a ";" comment follow `pos`.
constexpr bool OnlyCommentFrom(std::string_view text, std::size_t pos) {
    pos = SkipBlanks(text, pos);
    return pos == text.size() || text[pos] == ';';
}

// The first `a`, `b` or `c` at or after `pos`; npos when there is none. Sixteen bytes at a time
// where the processor can: a call of the library's search costs more than a short name, and
// most of a hive's bytes are none of those looked for.
inline std::size_t FindAnyOf(std::string_view text, std::size_t pos, char a, char b, char c) {
#ifdef __SSE2__
    const __m128i wantedA = _mm_set1_epi8(a);
    const __m128i wantedB = _mm_set1_epi8(b);
    const __m128i wantedC = _mm_set1_epi8(c);
    for (; pos + 16 <= text.size(); pos += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + pos));
        const __m128i found = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, wantedA), _mm_cmpeq_epi8(bytes, wantedB)),
            _mm_cmpeq_epi8(bytes, wantedC));
        if (const int mask = _mm_movemask_epi8(found); mask != 0) {
            return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
    }
#endif
    for (; pos < text.size(); ++pos) {
        if (text[pos] == a || text[pos] == b || text[pos] == c) {
            return pos;
        }
    }
    return std::string_view::npos;
}

// The closing quote of the quoted text that opens at `open`, stepping over backslash escapes;
// npos when there is none.
inline std::size_t ClosingQuote(std::string_view text, std::size_t open) {
    std::size_t pos = FindAnyOf(text, open + 1, '"', '\\', '"');
    while (pos != std::string_view::npos && text[pos] == '\\') {
        pos = pos + 2 < text.size() ? FindAnyOf(text, pos + 2, '"', '\\', '"')
                                    : std::string_view::npos;
    }
    return pos;
}

} // namespace tessaport::regsyntax
