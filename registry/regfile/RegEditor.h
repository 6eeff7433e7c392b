#pragma once

#include "KeySnapshot.h"
#include "RegEdit.h"
#include "RegKeyPath.h"
#include "RegText.h"
#include "RegValue.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

// Changes one key of a .reg file and nothing else: every byte outside the line(s) that decide
// the change stays as it was, including encoding and line ends. Each candidate edit is parsed
// again and kept only when the key reads back as intended and the rest of the file reads as
// before; when no candidate passes, the edit is refused.
class RegEditor {
public:
    struct Assignment {
        std::string name;
        RegValue value;
    };

    // Whether the check of edits against the rest of the file is prepared while parsing, or
    // only when an edit needs it (a save that only rewrites values does not).
    enum class Preparation { Now, WhenNeeded };

    // `text` is the current file, or null when there is none yet. Raises ERegSyntaxError when
    // the file cannot be parsed.
    RegEditor(const RegText *text, RegKeyPath key, Preparation preparation = Preparation::Now);

    const KeySnapshot &Key() const { return snapshot_; }

    // The new file with `name` set to `value` in the key (created when missing), or nullopt
    // when the key already holds exactly that. Raises ERegistryError when it cannot be done
    // safely.
    std::optional<std::string> SetValue(std::string_view name, const RegValue &value) const;
    // The new file with all of `assignments` made, in one edit (later ones win), or nullopt when
    // the key already holds them. Raises ERegistryError, naming the first value that cannot be
    // placed, when it cannot be done safely.
    std::optional<RegEdit> SetValues(const std::vector<Assignment> &assignments) const;
    // The new file with the key created, or nullopt when it exists.
    std::optional<std::string> CreateKey() const;
    // The new file with the key and its values deleted, or nullopt when it does not exist.
    // Raises ERegistryError when the key has subkeys: they are never deleted with it.
    std::optional<std::string> DeleteKey() const;

private:
    using Values = std::map<std::string, RegValue>;

    // The file with one change made.
    std::string Applied(RegEdit::Change change) const;
    RegEdit::Change RewriteOf(const KeySnapshot::Entry &entry, const RegValue &value) const;
    std::string RewrittenLines(const KeySnapshot::Entry &entry, const RegValue &value) const;
    std::optional<RegEdit> SpliceAll(const std::vector<Assignment> &assignments,
                                     const std::optional<KeySnapshot::InsertionPoint> &insertion,
                                     bool &inserted) const;
    bool RewritesReadBack(const std::vector<Assignment> &assignments) const;
    std::uint64_t Fingerprint() const;
    std::optional<std::string> OneByOne(const std::vector<Assignment> &assignments) const;
    void CheckSize(std::size_t size, std::string_view change) const;
    RegEdit::Change InsertionAt(const KeySnapshot::InsertionPoint &where,
                                std::string_view lines) const;
    std::string Append(const std::optional<std::string> &valueLine) const;
    std::string NewFile(const std::optional<std::string> &valueLine) const;
    // What follows `decoded` to add the key's section, with `valueLine` in it, after a blank line.
    std::string SectionAfter(std::string_view decoded,
                             const std::optional<std::string> &valueLine) const;
    std::string ValueLine(std::string_view name, const RegValue &value) const;
    bool Verify(const std::string &candidate, const Values &expected) const;
    std::string_view Eol() const;

    const RegText *text_;
    RegKeyPath key_;
    KeySnapshot snapshot_;
    mutable std::optional<std::uint64_t> fingerprint_;
};

} // namespace tessaport
