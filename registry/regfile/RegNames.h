#pragma once

#include "RegistryTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace tessaport {

// Key and value names compare without regard to ASCII case, as the registry does.
constexpr char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
constexpr bool EqualsFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}
std::string Folded(std::string_view name);

// "HKEY_LOCAL_MACHINE" for kHKeyLocalMachine; empty for a root this registry does not have.
std::string_view RootKeyName(RegRootKey root);
// A root as written in a section header: the full names and the short aliases (HKLM), any case.
std::optional<RegRootKey> RootKeyFromName(std::string_view name);

// "REG_SZ" and so on, for messages.
std::string RegTypeName(std::uint32_t type);

} // namespace tessaport
