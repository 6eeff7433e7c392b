#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessaport {

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegQword = 11;

// A value's type and data. Strings written as "..." keep their text (escapes removed) as data;
// everything else holds the bytes the file gives.
struct RegValue {
    std::uint32_t type = kRegNone;
    std::string data;

    static RegValue Dword(std::uint32_t number);
    // The number when this is a 4-byte REG_DWORD, however the file wrote it.
    std::optional<std::uint32_t> AsDword() const;

    friend bool operator==(const RegValue &, const RegValue &) = default;
};

} // namespace tessaport
