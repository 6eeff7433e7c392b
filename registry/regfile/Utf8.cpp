#include "Utf8.h"

#include "ERegistryError.h"

#include <cstdint>
#include <optional>

namespace tessaport {

namespace {

// Decodes one code point at `pos`, advancing it; nullopt for a malformed or overlong sequence.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t &pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    pos += length;
    return code;
}

void AppendUnit(std::string &out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!NextCodePoint(text, pos)) {
            return false;
        }
    }
    return true;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::optional<char32_t> code = NextCodePoint(utf8, pos);
        if (!code) {
            throw ERegistryError("text to be written as UTF-16 is not valid UTF-8");
        }
        if (*code >= 0x10000) {
            const char32_t offset = *code - 0x10000;
            AppendUnit(out, 0xD800 + (offset >> 10));
            AppendUnit(out, 0xDC00 + (offset & 0x3FF));
        } else {
            AppendUnit(out, *code);
        }
    }
    return out;
}

} // namespace tessaport
