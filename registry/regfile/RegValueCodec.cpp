#include "RegValueCodec.h"

#include "ERegistryError.h"
#include "RegSyntax.h"

#include <array>
#include <cstdio>

namespace tessaport {

using namespace regsyntax;

namespace {

// The parser has checked the list, so only comments need care: they may hold hex digits.
std::string DecodeHexBytes(std::string_view list) {
    std::string bytes;
    bytes.reserve(list.size() / 3 + 1);
    for (std::size_t pos = 0; pos < list.size(); ++pos) {
        const char c = list[pos];
        if (c == ';') {
            while (pos + 1 < list.size() && list[pos + 1] != '\n' && list[pos + 1] != '\r') {
                ++pos;
            }
        } else if (IsHexDigit(c)) {
            std::uint32_t byte = HexDigitValue(c);
            if (pos + 1 < list.size() && IsHexDigit(list[pos + 1])) {
                byte = (byte << 4) | HexDigitValue(list[++pos]);
            }
            bytes += static_cast<char>(byte);
        }
    }
    return bytes;
}

constexpr std::size_t kWrapColumn = 76;

std::string FormatHex(const RegValue &value, std::size_t column, std::string_view lineEnd) {
    std::array<char, 16> tag{};
    if (value.type == kRegBinary) {
        std::snprintf(tag.data(), tag.size(), "hex:");
    } else {
        std::snprintf(tag.data(), tag.size(), "hex(%x):", value.type);
    }
    std::string out(tag.data());
    column += out.size();
    static constexpr std::string_view kDigits = "0123456789abcdef";
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        const bool last = i + 1 == value.data.size();
        const std::size_t width = last ? 2 : 3;
        if (column + width > kWrapColumn) {
            out += '\\';
            out += lineEnd;
            out += "  ";
            column = 2;
        }
        const auto byte = static_cast<unsigned char>(value.data[i]);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
        if (!last) {
            out += ',';
        }
        column += width;
    }
    return out;
}

} // namespace

RegValue DecodeValue(const RegValueEvent &event) {
    switch (event.kind) {
    case RegDataKind::String:
        return RegValue{kRegSz, UnescapeQuoted(event.data)};
    case RegDataKind::Dword:
        return RegValue::Dword(event.dword);
    case RegDataKind::Hex:
        return RegValue{event.type, DecodeHexBytes(event.data)};
    case RegDataKind::Delete:
        break;
    }
    return RegValue{};
}

std::string UnescapeQuoted(std::string_view escaped) {
    std::string text;
    text.reserve(escaped.size());
    for (std::size_t pos = 0; pos < escaped.size(); ++pos) {
        if (escaped[pos] == '\\' && pos + 1 < escaped.size() &&
            (escaped[pos + 1] == '\\' || escaped[pos + 1] == '"')) {
            ++pos;
        }
        text += escaped[pos];
    }
    return text;
}

std::string EscapeQuoted(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string FormatValueName(std::string_view name) {
    return name.empty() ? std::string("@") : '"' + EscapeQuoted(name) + '"';
}

std::string FormatValueData(const RegValue &value, std::size_t column, std::string_view lineEnd) {
    if (const std::optional<std::uint32_t> number = value.AsDword()) {
        std::array<char, 16> text{};
        std::snprintf(text.data(), text.size(), "dword:%08x", *number);
        return text.data();
    }
    if (value.type == kRegSz) {
        for (char c : value.data) {
            if (c == '\r' || c == '\n' || c == '\0') {
                throw ERegistryError("a string with a line break or NUL cannot be written "
                                     "as a quoted .reg string");
            }
        }
        return '"' + EscapeQuoted(value.data) + '"';
    }
    return FormatHex(value, column, lineEnd);
}

} // namespace tessaport
