#include "RegValue.h"

namespace tessaport {

RegValue RegValue::Dword(std::uint32_t number) {
    RegValue value{kRegDword, std::string(4, '\0')};
    for (std::size_t i = 0; i < 4; ++i) {
        value.data[i] = static_cast<char>((number >> (8 * i)) & 0xFFu);
    }
    return value;
}

std::optional<std::uint32_t> RegValue::AsDword() const {
    if (type != kRegDword || data.size() != 4) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    }
    return number;
}

} // namespace tessaport
