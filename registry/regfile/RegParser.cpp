#include "RegParser.h"

#include "RegNames.h"
#include "RegSyntax.h"
#include "RegValue.h"

#include <algorithm>
#include <string>

namespace tessaport {

using namespace regsyntax;

namespace {

constexpr std::string_view kHeaderV5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeaderV4 = "REGEDIT4";
constexpr std::size_t kMaxDwordDigits = 8;

} // namespace

void RegParser::Parse(const RegText &text, RegVisitor &visitor) {
    RegParser parser(text, visitor);
    parser.Run();
}

RegParser::RegParser(const RegText &text, RegVisitor &visitor)
    : text_(text), visitor_(visitor), cursor_(text) {}

void RegParser::Run() {
    ParseHeader();
    RegLine line;
    while (cursor_.Next(line)) {
        const std::string_view text = line.text;
        const std::size_t start = SkipBlanks(text, 0);
        if (start == text.size() || text[start] == ';') {
            continue;
        }
        if (text[start] == '[') {
            ParseSection(line, start);
        } else if (text[start] == '@' || text[start] == '"') {
            if (!inSection_) {
                text_.Fail(line.number, "a value before any section header");
            }
            ParseValue(line, start);
        } else {
            text_.Fail(line.number, "neither a section header, a value nor a comment");
        }
    }
}

void RegParser::ParseHeader() {
    RegLine line;
    if (!cursor_.Next(line)) {
        text_.Fail(1, "the file is empty; expected the header \"" + std::string(kHeaderV5) +
                          "\" or \"" + std::string(kHeaderV4) + "\"");
    }
    if (line.text != kHeaderV5 && line.text != kHeaderV4) {
        text_.Fail(1, "expected the header \"" + std::string(kHeaderV5) + "\" or \"" +
                          std::string(kHeaderV4) + "\" alone on the first line");
    }
}

void RegParser::ParseSection(const RegLine &line, std::size_t bracket) {
    const std::string_view text = line.text;
    // The name runs to the last "]" of the line, as importers read it.
    const std::size_t close = text.rfind(']');
    if (close == std::string_view::npos) {
        text_.Fail(line.number, "section header without a closing ']'");
    }
    if (!OnlyCommentFrom(text, close + 1)) {
        text_.Fail(line.number, "unexpected text after the section header");
    }
    RegSectionEvent event;
    event.line = line.number;
    std::string_view name = text.substr(bracket + 1, close - bracket - 1);
    event.deletion = name.starts_with('-');
    if (event.deletion) {
        name.remove_prefix(1);
    }
    event.name = name;
    const std::size_t slash = name.find('\\');
    if (const std::optional<RegRootKey> root = RootKeyFromName(name.substr(0, slash))) {
        std::string_view relative =
            slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
        // A trailing backslash is harmless.
        if (relative.ends_with('\\')) {
            relative.remove_suffix(1);
        }
        CheckSectionPath(relative, line.number);
        event.path = RegSectionPath{*root, relative};
    }
    event.rawEnd = line.rawEnd;
    event.lineEnd = line.end;
    inSection_ = true;
    visitor_.OnSection(event);
}

void RegParser::CheckSectionPath(std::string_view relative, std::size_t line) const {
    if (relative.empty()) {
        return;
    }
    std::size_t depth = 1;
    for (std::size_t slash = FindAnyOf(relative, 0, '\\', '\\', '\\');
         slash != std::string_view::npos;
         slash = FindAnyOf(relative, slash + 1, '\\', '\\', '\\')) {
        if (slash == 0 || slash + 1 == relative.size() || relative[slash + 1] == '\\') {
            text_.Fail(line, "key path with an empty name (doubled or stray backslash)");
        }
        ++depth;
    }
    if (depth > kMaxKeyDepth) {
        text_.Fail(line, "key path more than 512 levels deep");
    }
}

void RegParser::ParseValue(const RegLine &line, std::size_t start) {
    const std::string_view text = line.text;
    RegValueEvent event;
    event.firstLine = line.number;
    event.span.lineBegin = line.offset;
    event.span.rawBegin = line.rawBegin;
    if (ParseExportedDword(line, start, event)) {
        return;
    }
    std::size_t pos = start + 1;
    if (text[start] == '"') {
        const std::size_t close = ClosingQuote(text, start);
        if (close == std::string_view::npos) {
            text_.Fail(line.number, "value name without a closing quote");
        }
        event.name = text.substr(start + 1, close - start - 1);
        pos = close + 1;
    }
    pos = SkipBlanks(text, pos);
    if (pos == text.size() || text[pos] != '=') {
        text_.Fail(line.number, "expected '=' after the value name");
    }
    pos = SkipBlanks(text, pos + 1);
    event.span.dataBegin = line.offset + pos;
    const std::string_view data = text.substr(pos);
    std::size_t end = pos;
    if (data.starts_with('-')) {
        end = ParseDeletion(line, pos, event);
    } else if (data.starts_with('"')) {
        end = ParseString(line, pos, event);
    } else if (data.starts_with("dword:")) {
        end = ParseDword(line, pos, event);
    } else if (data.starts_with("hex")) {
        // Hex data may go on over further lines, so it finishes the value itself.
        ParseHexValue(line, pos, event);
        return;
    } else {
        text_.Fail(line.number,
                   "unknown kind of value data (expected \"...\", dword:, hex:, hex(N): or -)");
    }
    event.span.dataEnd = line.offset + end;
    FinishValue(line, event);
}

// "name"=dword:12345678 alone on its line, as exporters write a dword, read in one step; false,
// with nothing read, for any other value line. Inline: it runs for most lines of a hive.
inline bool RegParser::ParseExportedDword(const RegLine &line, std::size_t start,
                                          RegValueEvent &event) {
    constexpr std::string_view kTag = "\"=dword:";
    const std::string_view text = line.text;
    if (text[start] != '"' || text.size() < start + 1 + kTag.size() + kMaxDwordDigits) {
        return false;
    }
    const std::size_t quote = text.size() - kMaxDwordDigits - kTag.size();
    if (text.compare(quote, kTag.size(), kTag) != 0 ||
        FindAnyOf(text, start + 1, '"', '\\', '"') != quote) {
        return false;
    }
    const std::optional<std::uint32_t> number = EightHexDigits(text.data() + quote + kTag.size());
    if (!number) {
        return false;
    }
    event.name = text.substr(start + 1, quote - start - 1);
    event.kind = RegDataKind::Dword;
    event.type = kRegDword;
    event.dword = *number;
    event.data = text.substr(quote + kTag.size());
    event.span.dataBegin = line.offset + quote + std::string_view("\"=").size();
    event.span.dataEnd = line.offset + text.size();
    FinishValue(line, event);
    return true;
}

std::size_t RegParser::ParseDeletion(const RegLine &line, std::size_t pos,
                                     RegValueEvent &event) const {
    event.kind = RegDataKind::Delete;
    if (!OnlyCommentFrom(line.text, pos + 1)) {
        text_.Fail(line.number, "unexpected text after '-'");
    }
    return pos + 1;
}

std::size_t RegParser::ParseString(const RegLine &line, std::size_t pos,
                                   RegValueEvent &event) const {
    const std::string_view text = line.text;
    const std::size_t close = ClosingQuote(text, pos);
    if (close == std::string_view::npos) {
        text_.Fail(line.number, "string without a closing quote");
    }
    event.kind = RegDataKind::String;
    event.type = kRegSz;
    event.data = text.substr(pos + 1, close - pos - 1);
    if (!OnlyCommentFrom(text, close + 1)) {
        text_.Fail(line.number, "unexpected text after the string");
    }
    return close + 1;
}

std::size_t RegParser::ParseDword(const RegLine &line, std::size_t pos,
                                  RegValueEvent &event) const {
    const std::string_view text = line.text;
    const std::size_t digits = SkipBlanks(text, pos + std::string_view("dword:").size());
    std::size_t end = digits;
    event.dword = ReadHexNumber(line, end, "a dword");
    if (end == digits) {
        text_.Fail(line.number, "a dword needs 1 to 8 hex digits");
    }
    if (!OnlyCommentFrom(text, end)) {
        text_.Fail(line.number, "unexpected text after the dword's hex digits");
    }
    event.kind = RegDataKind::Dword;
    event.type = kRegDword;
    event.data = text.substr(digits, end - digits);
    return end;
}

void RegParser::ParseHexValue(const RegLine &line, std::size_t pos, RegValueEvent &event) {
    const std::string_view text = line.text;
    std::size_t colon = pos + std::string_view("hex").size();
    event.type = kRegBinary;
    if (colon < text.size() && text[colon] == '(') {
        std::size_t digit = colon + 1;
        event.type = ReadHexNumber(line, digit, "a value type");
        if (digit == colon + 1 || digit == text.size() || text[digit] != ')') {
            text_.Fail(line.number, "expected hex(N): with the type N in hex digits");
        }
        colon = digit + 1;
    }
    if (colon >= text.size() || text[colon] != ':') {
        text_.Fail(line.number, "expected ':' after hex");
    }
    event.kind = RegDataKind::Hex;
    ParseHex(line, colon + 1, event);
}

std::uint32_t RegParser::ReadHexNumber(const RegLine &line, std::size_t &pos,
                                       std::string_view what) const {
    const std::string_view text = line.text;
    const std::size_t limit = std::min(text.size(), pos + kMaxDwordDigits);
    std::uint32_t number = 0;
    for (std::uint32_t digit = 0; pos < limit && (digit = HexDigitValue(text[pos])) <= 0xF; ++pos) {
        number = (number << 4) | digit;
    }
    if (pos < text.size() && IsHexDigit(text[pos])) {
        text_.Fail(line.number, std::string(what) + " has at most 8 hex digits");
    }
    return number;
}

void RegParser::ParseHex(RegLine line, std::size_t pos, RegValueEvent &event) {
    const std::size_t bytesBegin = line.offset + pos;
    std::size_t dataEnd = bytesBegin;
    bool expectByte = true;
    while (true) {
        const std::string_view text = line.text;
        bool continued = false;
        while (true) {
            pos = SkipBlanks(text, pos);
            if (pos == text.size() || text[pos] == ';') {
                break;
            }
            const char c = text[pos];
            if (c == '\\' && expectByte) {
                if (!OnlyCommentFrom(text, pos + 1)) {
                    text_.Fail(line.number, "unexpected text after the continuation '\\'");
                }
                dataEnd = line.offset + pos + 1;
                continued = true;
                break;
            }
            if (c == ',' && !expectByte) {
                ++pos;
                expectByte = true;
            } else if (IsHexDigit(c) && expectByte) {
                ++pos;
                if (pos < text.size() && IsHexDigit(text[pos])) {
                    ++pos;
                }
                if (pos < text.size() && IsHexDigit(text[pos])) {
                    text_.Fail(line.number, "a hex byte has at most two digits");
                }
                expectByte = false;
            } else {
                text_.Fail(line.number, "invalid hex data (expected bytes such as 0a,ff separated "
                                        "by commas)");
            }
            dataEnd = line.offset + pos;
        }
        if (!continued) {
            break;
        }
        // The data goes on at the next line that is not blank or a comment. At the end of the
        // file the value simply ends.
        RegLine next;
        bool more = false;
        while (cursor_.Next(next)) {
            const std::size_t start = SkipBlanks(next.text, 0);
            if (start == next.text.size() || next.text[start] == ';') {
                continue;
            }
            if (!IsHexDigit(next.text[start])) {
                text_.Fail(next.number, "expected more hex data, since line " +
                                            std::to_string(line.number) +
                                            " ends with a continuation '\\'");
            }
            line = next;
            pos = start;
            more = true;
            break;
        }
        if (!more) {
            break;
        }
    }
    event.data = text_.Decoded().substr(bytesBegin, dataEnd - bytesBegin);
    event.span.dataEnd = dataEnd;
    FinishValue(line, event);
}

void RegParser::FinishValue(const RegLine &last, RegValueEvent &event) {
    event.lastLine = last.number;
    event.span.contentEnd = last.offset + last.text.size();
    event.span.rawContentEnd = last.rawContentEnd;
    event.span.rawEnd = last.rawEnd;
    event.span.lineEnd = last.end;
    visitor_.OnValue(event);
}

} // namespace tessaport
