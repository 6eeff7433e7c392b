#include "RegEditor.h"

#include "ERegSyntaxError.h"
#include "KeyScanner.h"
#include "RegNames.h"
#include "RegParser.h"
#include "RegValueCodec.h"
#include "RegVisitorPair.h"
#include "StateFingerprint.h"

#include <algorithm>
#include <set>
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

// The whole comment lines between a value's first and last line: a rewrite keeps them.
std::string CommentLinesWithin(std::string_view lines, std::string_view eol) {
    std::string kept;
    std::size_t pos = lines.find_first_of("\r\n");
    while (pos != std::string_view::npos) {
        const std::size_t begin = lines.find_first_not_of("\r\n", pos);
        if (begin == std::string_view::npos) {
            break;
        }
        pos = lines.find_first_of("\r\n", begin);
        const std::string_view line = lines.substr(
            begin, pos == std::string_view::npos ? std::string_view::npos : pos - begin);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && line[first] == ';') {
            kept += eol;
            kept += line;
        }
    }
    return kept;
}

} // namespace

RegEditor::RegEditor(const RegText *text, RegKeyPath key, Preparation preparation)
    : text_(text), key_(std::move(key)) {
    KeyScanner scanner(key_);
    StateFingerprint fingerprint(key_);
    if (text_ != nullptr && preparation == Preparation::Now) {
        RegVisitorPair both(scanner, fingerprint);
        RegParser::Parse(*text_, both);
        fingerprint_ = fingerprint.Value();
    } else if (text_ != nullptr) {
        RegParser::Parse(*text_, scanner);
    } else {
        fingerprint_ = fingerprint.Value();
    }
    snapshot_ = scanner.TakeSnapshot();
}

std::uint64_t RegEditor::Fingerprint() const {
    if (!fingerprint_) {
        StateFingerprint fingerprint(key_);
        RegParser::Parse(*text_, fingerprint);
        fingerprint_ = fingerprint.Value();
    }
    return *fingerprint_;
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
        if (std::string candidate = Applied(RewriteOf(*current, value));
            Verify(candidate, expected)) {
            return candidate;
        }
    }
    if (snapshot_.exists && snapshot_.insertion) {
        if (std::string candidate = Applied(InsertionAt(*snapshot_.insertion, line));
            Verify(candidate, expected)) {
            return candidate;
        }
    }
    // The end of the key's section may be cut off by a continued value at the end of the file.
    if (snapshot_.exists && snapshot_.afterHeader && !current) {
        if (std::string candidate = Applied(InsertionAt(*snapshot_.afterHeader, line));
            Verify(candidate, expected)) {
            return candidate;
        }
    }
    std::string candidate = Append(line);
    CheckSize(candidate.size(), "setting \"" + std::string(name) + "\"");
    if (Verify(candidate, expected)) {
        return candidate;
    }
    throw ERegistryError(text_->Source() + ": cannot set \"" + std::string(name) + "\" in " +
                         key_.FullName() +
                         " without changing how the rest of the file reads (does another key "
                         "end inside a continued hex value?); the file was left as it is");
}

std::optional<RegEdit> RegEditor::SetValues(const std::vector<Assignment> &assignments) const {
    Values expected = snapshot_.Values();
    for (const Assignment &assignment : assignments) {
        expected[Folded(assignment.name)] = assignment.value;
    }
    if (snapshot_.exists && expected == snapshot_.Values()) {
        return std::nullopt;
    }
    if (text_ == nullptr) {
        std::string lines;
        for (const Assignment &assignment : assignments) {
            lines += lines.empty() ? std::string_view() : Eol();
            lines += ValueLine(assignment.name, assignment.value);
        }
        return RegEdit(NewFile(lines));
    }
    // Below the key's last line, or right below its header when a continued value at the end
    // of the file cuts the key's last line off.
    for (const std::optional<KeySnapshot::InsertionPoint> &where :
         {snapshot_.insertion, snapshot_.afterHeader}) {
        bool inserted = false;
        if (std::optional<RegEdit> candidate = SpliceAll(assignments, where, inserted)) {
            CheckSize(candidate->Size(), "these values");
            if ((!inserted && RewritesReadBack(assignments)) ||
                Verify(candidate->Text(), expected)) {
                return candidate;
            }
        }
    }
    std::optional<std::string> edited = OneByOne(assignments);
    return edited ? std::optional<RegEdit>(RegEdit(std::move(*edited))) : std::nullopt;
}

// Every change placed against the current file at once, making one edit to check.
std::optional<RegEdit>
RegEditor::SpliceAll(const std::vector<Assignment> &assignments,
                     const std::optional<KeySnapshot::InsertionPoint> &insertion,
                     bool &inserted) const {
    std::vector<RegEdit::Change> splices;
    std::set<std::string> seen;
    std::string newLines;
    for (const Assignment &assignment : assignments) {
        if (!seen.insert(Folded(assignment.name)).second) {
            return std::nullopt;
        }
        const KeySnapshot::Entry *current = snapshot_.Find(assignment.name);
        if (!snapshot_.exists || current == nullptr) {
            newLines += newLines.empty() ? std::string_view() : Eol();
            newLines += ValueLine(assignment.name, assignment.value);
        } else if (!(current->value == assignment.value)) {
            splices.push_back(RewriteOf(*current, assignment.value));
        }
    }
    if (!newLines.empty()) {
        if (!snapshot_.exists || !insertion) {
            return splices.empty() ? std::optional<RegEdit>(RegEdit(Append(newLines)))
                                   : std::nullopt;
        }
        inserted = true;
        splices.push_back(InsertionAt(*insertion, newLines));
    }
    std::sort(splices.begin(), splices.end(), [](const auto &a, const auto &b) {
        // An insertion comes before a rewrite that starts at the same place.
        return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    for (std::size_t i = 1; i < splices.size(); ++i) {
        if (splices[i].begin < splices[i - 1].end) {
            return std::nullopt;
        }
    }
    return RegEdit(text_->Raw(), std::move(splices));
}

// A rewrite replaces the whole of a value's deciding lines, from the start of its first line to
// the end of its last, with one complete value line and the comment lines that were among them.
// The lines around are parsed as before when that line parses by itself as the value intended
// and does not continue onto the next line: then only it needs parsing, not the whole file.
bool RegEditor::RewritesReadBack(const std::vector<Assignment> &assignments) const {
    const std::string_view eol = Eol();
    for (const Assignment &assignment : assignments) {
        const KeySnapshot::Entry *current = snapshot_.Find(assignment.name);
        if (current == nullptr) {
            return false;
        }
        if (current->value == assignment.value) {
            continue;
        }
        // A section header after it: a line that continued would make this fail to parse.
        std::string alone = "REGEDIT4";
        alone += eol;
        alone += '[' + key_.FullName() + ']';
        alone += eol;
        alone += RewrittenLines(*current, assignment.value);
        alone += eol;
        alone += "[HKEY_LOCAL_MACHINE\\~]";
        alone += eol;
        try {
            const KeySnapshot read = KeyScanner::Scan(RegText(alone, text_->Source()), key_);
            const KeySnapshot::Entry *entry = read.Find(assignment.name);
            if (read.values.size() != 1 || entry == nullptr ||
                !(entry->value == assignment.value)) {
                return false;
            }
        } catch (const ERegSyntaxError &) {
            return false;
        }
    }
    return true;
}

// Each change checked against the file before it: slower, but finds a place for a value
// wherever the key's lines allow one.
std::optional<std::string> RegEditor::OneByOne(const std::vector<Assignment> &assignments) const {
    std::optional<std::string> edited;
    for (const Assignment &assignment : assignments) {
        const RegText text(edited ? std::string_view(*edited) : text_->Raw(), text_->Source());
        const RegEditor step(&text, key_);
        if (std::optional<std::string> next = step.SetValue(assignment.name, assignment.value)) {
            edited = std::move(next);
        }
    }
    return edited;
}

void RegEditor::CheckSize(std::size_t size, std::string_view change) const {
    if (size > RegText::kMaxFileBytes) {
        throw ERegistryError(text_->Source() + ": " + std::string(change) + " in " +
                             key_.FullName() +
                             " would make the file larger than 256 MiB; the file was left as "
                             "it is");
    }
}

std::optional<std::string> RegEditor::CreateKey() const {
    if (snapshot_.exists) {
        return std::nullopt;
    }
    if (text_ == nullptr) {
        return NewFile(std::nullopt);
    }
    std::string candidate = Append(std::nullopt);
    CheckSize(candidate.size(), "adding the key");
    if (Verify(candidate, snapshot_.Values())) {
        return candidate;
    }
    throw ERegistryError(text_->Source() + ": cannot add the key " + key_.FullName() +
                         " without changing how the rest of the file reads (does it end inside a "
                         "continued hex value?); the file was left as it is");
}

namespace {

// Whether a key has subkeys once the file is replayed: a later deletion of a subkey, or of an
// ancestor of it, takes it away again.
class SubkeyFinder : public RegVisitor {
public:
    explicit SubkeyFinder(const RegKeyPath &key) : key_(key) {}

    void OnSection(const RegSectionEvent &section) override {
        if (!section.path) {
            return;
        }
        if (section.deletion) {
            std::erase_if(subkeys_, [&](const RegKeyPath &subkey) {
                const KeyRelation relation = RelationOf(*section.path, subkey);
                return relation == KeyRelation::Same || relation == KeyRelation::Ancestor;
            });
        } else if (RelationOf(*section.path, key_) == KeyRelation::Descendant) {
            if (std::optional<RegKeyPath> subkey =
                    RegKeyPath::Make(section.path->root, section.path->relative)) {
                subkeys_.push_back(std::move(*subkey));
            } else {
                unnamed_ = true;
            }
        }
    }
    void OnValue(const RegValueEvent &) override {}

    bool Found() const { return unnamed_ || !subkeys_.empty(); }

private:
    const RegKeyPath &key_;
    std::vector<RegKeyPath> subkeys_;
    bool unnamed_ = false; // a subkey whose name cannot be matched: counted as kept
};

} // namespace

std::optional<std::string> RegEditor::DeleteKey() const {
    if (!snapshot_.exists || text_ == nullptr) {
        return std::nullopt;
    }
    SubkeyFinder subkeys(key_);
    RegParser::Parse(*text_, subkeys);
    if (subkeys.Found()) {
        throw ERegistryError(text_->Source() + ": " + key_.FullName() +
                             " has subkeys, which are not deleted with it; the file was left as "
                             "it is");
    }
    // A deletion section at the end, as an importer replays it: every other byte stays.
    std::string candidate = Append(std::nullopt);
    const std::size_t header = candidate.rfind(text_->Encode('[' + key_.FullName() + ']'));
    candidate.insert(header + text_->Encode("[").size(), text_->Encode("-"));
    CheckSize(candidate.size(), "deleting the key");
    if (KeyScanner::Scan(RegText(candidate, text_->Source()), key_).exists) {
        throw ERegistryError(text_->Source() + ": cannot delete " + key_.FullName() +
                             " (does the file end inside a continued hex value?); the file was "
                             "left as it is");
    }
    return candidate;
}

std::string RegEditor::ValueLine(std::string_view name, const RegValue &value) const {
    std::string line = FormatValueName(name) + '=';
    line += FormatValueData(value, line.size(), Eol());
    return line;
}

std::string RegEditor::Applied(RegEdit::Change change) const {
    return RegEdit(text_->Raw(), {std::move(change)}).Text();
}

RegEdit::Change RegEditor::RewriteOf(const KeySnapshot::Entry &entry, const RegValue &value) const {
    return {entry.span.rawBegin, entry.span.rawContentEnd,
            text_->Encode(RewrittenLines(entry, value))};
}

std::string RegEditor::RewrittenLines(const KeySnapshot::Entry &entry,
                                      const RegValue &value) const {
    const std::string_view decoded = text_->Decoded();
    const RegValueSpan &span = entry.span;
    std::string line(decoded.substr(span.lineBegin, span.dataBegin - span.lineBegin));
    line += FormatValueData(value, line.size(), Eol());
    line += decoded.substr(span.dataEnd, span.contentEnd - span.dataEnd);
    line +=
        CommentLinesWithin(decoded.substr(span.dataBegin, span.dataEnd - span.dataBegin), Eol());
    return line;
}

RegEdit::Change RegEditor::InsertionAt(const KeySnapshot::InsertionPoint &where,
                                       std::string_view lines) const {
    std::string added(where.lineEnd == LineEnd::None ? Eol() : std::string_view());
    added += lines;
    added += Eol();
    return {where.rawPos, where.rawPos, text_->Encode(added)};
}

std::string RegEditor::Append(const std::optional<std::string> &valueLine) const {
    return std::string(text_->Raw()) + text_->Encode(SectionAfter(text_->Decoded(), valueLine));
}

// A new file is the key's section after the header line.
std::string RegEditor::NewFile(const std::optional<std::string> &valueLine) const {
    return std::string(kNewFileHeader) + std::string(Eol()) + SectionAfter({}, valueLine);
}

std::string RegEditor::SectionAfter(std::string_view decoded,
                                    const std::optional<std::string> &valueLine) const {
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
    return added;
}

bool RegEditor::Verify(const std::string &candidate, const Values &expected) const {
    try {
        const RegText text(candidate, text_->Source());
        KeyScanner scanner(key_);
        StateFingerprint fingerprint(key_);
        RegVisitorPair both(scanner, fingerprint);
        RegParser::Parse(text, both);
        const KeySnapshot &after = scanner.Snapshot();
        return after.exists && after.Values() == expected && fingerprint.Value() == Fingerprint();
    } catch (const ERegSyntaxError &) {
        return false;
    }
}

} // namespace tessaport
