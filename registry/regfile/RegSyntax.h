#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

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

// The closing quote of the quoted text that opens at `open`, stepping over backslash escapes;
// npos when there is none.
constexpr std::size_t ClosingQuote(std::string_view text, std::size_t open) {
    // Most names and strings hold no escape: then the next quote closes them.
    const std::size_t quote = text.find('"', open + 1);
    if (quote == std::string_view::npos ||
        text.substr(open + 1, quote - open - 1).find('\\') == std::string_view::npos) {
        return quote;
    }
    for (std::size_t pos = open + 1; pos < text.size(); ++pos) {
        if (text[pos] == '\\') {
            ++pos;
        } else if (text[pos] == '"') {
            return pos;
        }
    }
    return std::string_view::npos;
}

} // namespace tessaport::regsyntax
