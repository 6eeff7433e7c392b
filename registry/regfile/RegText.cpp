#include "RegText.h"

#include "ERegSyntaxError.h"
#include "Utf8.h"

namespace tessaport {

std::string_view LineEndText(LineEnd end) {
    switch (end) {
    case LineEnd::Lf:
        return "\n";
    case LineEnd::Cr:
        return "\r";
    case LineEnd::CrLf:
        return "\r\n";
    case LineEnd::None:
        break;
    }
    return "";
}

RegText::RegText(std::string_view bytes, std::string source)
    : raw_(bytes), source_(std::move(source)) {
    if (bytes.size() > kMaxFileBytes) {
        Fail(1, "the file is larger than 256 MiB");
    }
    const auto startsWith = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
    if (startsWith("\xFF\xFE")) {
        encoding_ = RegEncoding::Utf16Le;
        DecodeUtf16();
    } else if (startsWith("\xFE\xFF")) {
        Fail(1, "UTF-16 big-endian text is not accepted (Windows writes UTF-16LE)");
    } else if (startsWith("\xEF\xBB\xBF")) {
        Fail(1, "a UTF-8 byte order mark is not accepted (use plain 8-bit text or UTF-16LE)");
    } else {
        decoded_ = raw_;
    }
    DetectStyle();
}

void RegText::DecodeUtf16() {
    const std::string_view units = raw_.substr(2);
    const std::size_t count = units.size() / 2;
    // Three UTF-8 bytes at most for each UTF-16 unit.
    decodedStorage_ = std::make_unique_for_overwrite<char[]>(count * 3);
    char *const begin = decodedStorage_.get();
    char *out = begin;
    std::size_t line = 1;
    char32_t previous = 0;
    const auto unitAt = [&](std::size_t i) -> char32_t {
        return static_cast<unsigned char>(units[2 * i]) |
               (static_cast<char32_t>(static_cast<unsigned char>(units[2 * i + 1])) << 8);
    };
    for (std::size_t i = 0; i < count; ++i) {
        char32_t code = unitAt(i);
        // Printable ASCII is nearly all of a hive.
        if (code - 0x20 < 0x5F) {
            *out++ = static_cast<char>(code);
            previous = code;
            continue;
        }
        if (code == 0) {
            Fail(line, "NUL character in the text");
        }
        if (code == '\r' || (code == '\n' && previous != '\r')) {
            ++line;
        }
        previous = code;
        if (code >= 0xDC00 && code <= 0xDFFF) {
            Fail(line, "invalid UTF-16: a low surrogate without a high one");
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            const char32_t low = i + 1 < count ? unitAt(i + 1) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                Fail(line, "invalid UTF-16: a high surrogate without a low one");
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            *out++ = static_cast<char>(code);
        } else if (code < 0x800) {
            *out++ = static_cast<char>(0xC0 | (code >> 6));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (code >> 12));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | (code >> 18));
            *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    if (units.size() % 2 != 0) {
        Fail(line, "the UTF-16 text ends in half a character (the file is truncated)");
    }
    decoded_ = std::string_view(begin, static_cast<std::size_t>(out - begin));
}

void RegText::DetectStyle() {
    const std::size_t end = decoded_.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        style_ = LineEnd::CrLf;
    } else if (decoded_[end] == '\n') {
        style_ = LineEnd::Lf;
    } else {
        style_ =
            end + 1 < decoded_.size() && decoded_[end + 1] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
    }
}

std::string RegText::Encode(std::string_view utf8) const {
    if (encoding_ == RegEncoding::Utf16Le) {
        return Utf8ToUtf16Le(utf8);
    }
    return std::string(utf8);
}

void RegText::Fail(std::size_t line, const std::string &reason) const {
    throw ERegSyntaxError(source_, line, reason);
}

} // namespace tessaport
