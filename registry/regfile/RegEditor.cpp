#include "RegEditor.h"

#include "ERegSyntaxError.h"
#include "KeyScanner.h"
#include "RegNames.h"
#include "RegParser.h"
#include "RegValueCodec.h"
#include "RegVisitorPair.h"
#include "StateFingerprint.h"

#include <utility>

namespace tessaport {

namespace {

constexpr std::string_view kNewFileHeader = "Windows Registry Editor Version 5.00";

bool IsLineEndChar(char c) {
    return c == '\n' || c == '\r';
}

// True when the text ends with a line end that closes an empty line.
bool EndsWithBlankLine(std::string_view text) {
    if (text.empty() || !IsLineEndChar(text.back())) {
        return false;
    }
    text.remove_suffix(text.ends_with("\r\n") ? 2 : 1);
    return !text.empty() && IsLineEndChar(text.back());
}

} // namespace

RegEditor::RegEditor(const RegText *text, RegKeyPath key) : text_(text), key_(std::move(key)) {
    KeyScanner scanner(key_);
    StateFingerprint fingerprint(key_);
    if (text_ != nullptr) {
        RegVisitorPair both(scanner, fingerprint);
        RegParser::Parse(*text_, both);
    }
    snapshot_ = scanner.TakeSnapshot();
    fingerprint_ = fingerprint.Value();
}

std::string_view RegEditor::Eol() const {
    return LineEndText(text_ != nullptr ? text_->Style() : LineEnd::CrLf);
}

std::optional<std::string> RegEditor::SetValue(std::string_view name, const RegValue &value) const {
    const KeySnapshot::Entry *current = snapshot_.Find(name);
    if (snapshot_.exists && current != nullptr && current->value == value) {
        return std::nullopt;
    }
    Values expected = snapshot_.Values();
    expected[Folded(name)] = value;
    const std::string line = ValueLine(name, value);
    if (text_ == nullptr) {
        return NewFile(line);
    }
    if (snapshot_.exists && current != nullptr) {
        if (std::string candidate = Rewrite(*current, value); Verify(candidate, expected)) {
            return candidate;
        }
    }
    if (snapshot_.exists && snapshot_.insertion) {
        if (std::string candidate = Insert(*snapshot_.insertion, line);
            Verify(candidate, expected)) {
            return candidate;
        }
    }
    if (std::string candidate = Append(line); Verify(candidate, expected)) {
        return candidate;
    }
    throw ERegistryError(text_->Source() + ": cannot set \"" + std::string(name) + "\" in " +
                         key_.FullName() +
                         " without changing how the rest of the file reads (does it end inside a "
                         "continued hex value?); the file was left as it is");
}

std::optional<std::string> RegEditor::CreateKey() const {
    if (snapshot_.exists) {
        return std::nullopt;
    }
    if (text_ == nullptr) {
        return NewFile(std::nullopt);
    }
    if (std::string candidate = Append(std::nullopt); Verify(candidate, snapshot_.Values())) {
        return candidate;
    }
    throw ERegistryError(text_->Source() + ": cannot add the key " + key_.FullName() +
                         " without changing how the rest of the file reads (does it end inside a "
                         "continued hex value?); the file was left as it is");
}

std::string RegEditor::ValueLine(std::string_view name, const RegValue &value) const {
    std::string line = FormatValueName(name) + '=';
    line += FormatValueData(value, line.size(), Eol());
    return line;
}

std::string RegEditor::Rewrite(const KeySnapshot::Entry &entry, const RegValue &value) const {
    const std::string_view decoded = text_->Decoded();
    const RegValueSpan &span = entry.span;
    std::string line(decoded.substr(span.lineBegin, span.dataBegin - span.lineBegin));
    line += FormatValueData(value, line.size(), Eol());
    line += decoded.substr(span.dataEnd, span.contentEnd - span.dataEnd);
    const std::string_view raw = text_->Raw();
    std::string out(raw.substr(0, span.rawBegin));
    out += text_->Encode(line);
    out += raw.substr(span.rawContentEnd);
    return out;
}

std::string RegEditor::Insert(const KeySnapshot::InsertionPoint &where,
                              const std::string &line) const {
    std::string added(where.lineEnd == LineEnd::None ? Eol() : std::string_view());
    added += line;
    added += Eol();
    const std::string_view raw = text_->Raw();
    std::string out(raw.substr(0, where.rawPos));
    out += text_->Encode(added);
    out += raw.substr(where.rawPos);
    return out;
}

std::string RegEditor::Append(const std::optional<std::string> &valueLine) const {
    const std::string_view decoded = text_->Decoded();
    std::string added;
    if (!decoded.empty() && !IsLineEndChar(decoded.back())) {
        added += Eol();
    }
    if (!EndsWithBlankLine(decoded)) {
        added += Eol();
    }
    added += '[' + key_.FullName() + ']';
    added += Eol();
    if (valueLine) {
        added += *valueLine;
        added += Eol();
    }
    added += Eol();
    std::string out(text_->Raw());
    out += text_->Encode(added);
    return out;
}

std::string RegEditor::NewFile(const std::optional<std::string> &valueLine) const {
    const std::string_view eol = Eol();
    std::string out(kNewFileHeader);
    out += eol;
    out += eol;
    out += '[' + key_.FullName() + ']';
    out += eol;
    if (valueLine) {
        out += *valueLine;
        out += eol;
    }
    out += eol;
    return out;
}

bool RegEditor::Verify(const std::string &candidate, const Values &expected) const {
    try {
        const RegText text(candidate, text_->Source());
        KeyScanner scanner(key_);
        StateFingerprint fingerprint(key_);
        RegVisitorPair both(scanner, fingerprint);
        RegParser::Parse(text, both);
        const KeySnapshot &after = scanner.Snapshot();
        return after.exists && after.Values() == expected && fingerprint.Value() == fingerprint_;
    } catch (const ERegSyntaxError &) {
        return false;
    }
}

} // namespace tessaport
