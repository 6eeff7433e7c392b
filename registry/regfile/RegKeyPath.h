#pragma once

#include "RegistryTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace tessaport {

// A key named by its root and its path below the root ("Software\Korvanta"), in a form that can
// be written as a section header and read back as the same key.
class RegKeyPath {
public:
    // nullopt for an unknown root or a path that would not survive as a header line.
    static std::optional<RegKeyPath> Make(RegRootKey root, std::string_view relative);

    RegRootKey Root() const { return root_; }
    const std::string &Relative() const { return relative_; }
    // "HKEY_LOCAL_MACHINE\Software\Korvanta", as a section header names it.
    std::string FullName() const;

private:
    RegKeyPath(RegRootKey root, std::string relative);

    RegRootKey root_;
    std::string relative_;
};

// A key path as a section header gives it: root plus the path below it (empty for the root).
struct RegSectionPath {
    RegRootKey root = 0;
    std::string_view relative;
};

enum class KeyRelation { Unrelated, Same, Ancestor, Descendant };

// How a section's key stands to `target`: Ancestor means the section's key contains the target.
KeyRelation RelationOf(const RegSectionPath &section, const RegKeyPath &target);

// True for a value name that fits on one line of the file.
bool IsWritableValueName(std::string_view name);

} // namespace tessaport
