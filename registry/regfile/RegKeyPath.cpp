#include "RegKeyPath.h"

#include "RegNames.h"
#include "Utf8.h"

#include <algorithm>
#include <utility>

namespace tessaport {

namespace {

// Windows' own limits, in characters, on a key name component and on a value name.
constexpr std::size_t kMaxKeyComponentChars = 255;
constexpr std::size_t kMaxValueNameChars = 16383;

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// Characters of valid UTF-8: every byte but the continuation bytes starts one.
std::size_t CharacterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::ranges::count_if(
        utf8, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool IsWritableComponent(std::string_view component) {
    // A bracket would end or start a header early; a line break would split it.
    return !component.empty() && CharacterCount(component) <= kMaxKeyComponentChars &&
           std::ranges::none_of(component,
                                [](char c) { return IsControl(c) || c == '[' || c == ']'; });
}

} // namespace

RegKeyPath::RegKeyPath(RegRootKey root, std::string relative)
    : root_(root), relative_(std::move(relative)) {}

std::optional<RegKeyPath> RegKeyPath::Make(RegRootKey root, std::string_view relative) {
    if (RootKeyName(root).empty() || relative.empty() || !IsValidUtf8(relative)) {
        return std::nullopt;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = relative.find('\\', start);
        const std::string_view component =
            relative.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (!IsWritableComponent(component)) {
            return std::nullopt;
        }
        if (slash == std::string_view::npos) {
            break;
        }
        start = slash + 1;
    }
    return RegKeyPath(root, std::string(relative));
}

std::string RegKeyPath::FullName() const {
    std::string name(RootKeyName(root_));
    name += '\\';
    name += relative_;
    return name;
}

KeyRelation RelationOf(const RegSectionPath &section, const RegKeyPath &target) {
    if (section.root != target.Root()) {
        return KeyRelation::Unrelated;
    }
    const std::string_view mine = section.relative;
    const std::string_view theirs = target.Relative();
    if (mine.size() == theirs.size()) {
        return EqualsFolded(mine, theirs) ? KeyRelation::Same : KeyRelation::Unrelated;
    }
    if (mine.empty()) {
        return KeyRelation::Ancestor;
    }
    if (mine.size() < theirs.size()) {
        return theirs[mine.size()] == '\\' && EqualsFolded(mine, theirs.substr(0, mine.size()))
                   ? KeyRelation::Ancestor
                   : KeyRelation::Unrelated;
    }
    return mine[theirs.size()] == '\\' && EqualsFolded(theirs, mine.substr(0, theirs.size()))
               ? KeyRelation::Descendant
               : KeyRelation::Unrelated;
}

bool IsWritableValueName(std::string_view name) {
    return IsValidUtf8(name) && CharacterCount(name) <= kMaxValueNameChars &&
           std::ranges::none_of(name, IsControl);
}

} // namespace tessaport
