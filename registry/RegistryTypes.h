#pragma once

#include <cstdint>

namespace tessaport {

// Access masks and predefined root keys, with the values the Windows registry gives them.
using RegAccess = std::uint32_t;
using RegRootKey = std::uint32_t;

inline constexpr RegAccess kKeyQueryValue = 0x0001;
inline constexpr RegAccess kKeyRead = 0x20019;
inline constexpr RegAccess kKeyAllAccess = 0xF003F;

inline constexpr RegRootKey kHKeyClassesRoot = 0x80000000;
inline constexpr RegRootKey kHKeyCurrentUser = 0x80000001;
inline constexpr RegRootKey kHKeyLocalMachine = 0x80000002;
inline constexpr RegRootKey kHKeyUsers = 0x80000003;
inline constexpr RegRootKey kHKeyCurrentConfig = 0x80000005;

// True when the mask asks for anything beyond reading.
constexpr bool RequestsWriteAccess(RegAccess access) {
    constexpr RegAccess readOnlyRights = kKeyRead;
    return (access & ~readOnlyRights & 0x000F003F) != 0;
}

} // namespace tessaport
