#include "RegNames.h"

#include <array>

namespace tessaport {

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char &c : folded) {
        c = FoldAscii(c);
    }
    return folded;
}

namespace {

struct RootSpelling {
    RegRootKey root;
    std::string_view fullName;
    std::string_view alias;
};

constexpr std::array<RootSpelling, 5> kRoots{{
    {kHKeyClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {kHKeyCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {kHKeyLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {kHKeyUsers, "HKEY_USERS", "HKU"},
    {kHKeyCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
}};

} // namespace

std::string_view RootKeyName(RegRootKey root) {
    for (const RootSpelling &spelling : kRoots) {
        if (spelling.root == root) {
            return spelling.fullName;
        }
    }
    return {};
}

std::optional<RegRootKey> RootKeyFromName(std::string_view name) {
    // Nearly every header of a file spells its root as exporters do.
    for (const RootSpelling &spelling : kRoots) {
        if (name == spelling.fullName) {
            return spelling.root;
        }
    }
    for (const RootSpelling &spelling : kRoots) {
        if (EqualsFolded(name, spelling.fullName) || EqualsFolded(name, spelling.alias)) {
            return spelling.root;
        }
    }
    return std::nullopt;
}

std::string RegTypeName(std::uint32_t type) {
    static constexpr std::array<std::string_view, 12> kNames{"REG_NONE",
                                                             "REG_SZ",
                                                             "REG_EXPAND_SZ",
                                                             "REG_BINARY",
                                                             "REG_DWORD",
                                                             "REG_DWORD_BIG_ENDIAN",
                                                             "REG_LINK",
                                                             "REG_MULTI_SZ",
                                                             "REG_RESOURCE_LIST",
                                                             "REG_FULL_RESOURCE_DESCRIPTOR",
                                                             "REG_RESOURCE_REQUIREMENTS_LIST",
                                                             "REG_QWORD"};
    if (type < kNames.size()) {
        return std::string(kNames[type]);
    }
    return "type " + std::to_string(type);
}

} // namespace tessaport
