// A REG_DWORD is an integer only when it holds exactly four bytes, whichever back end keeps it.
#include "ERegistryError.h"
#include "ScratchRegistry.h"
#include "TRegistry.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace tessaport {
namespace {

const std::string kAdvantechKey = "Software\\Korvanta\\Tessaport\\Advantech";

struct DwordCase {
    const char *label;
    std::string bytes;
    std::optional<std::int32_t> expected; // nullopt: refused
};

TEST(DwordValue, OnlyFourBytesReadAsAnInteger) {
    const DwordCase cases[] = {
        {"four bytes", std::string("\x03\0\0\0", 4), 3},
        {"four bytes, all set", std::string("\xFF\xFF\xFF\xFF", 4), -1},
        {"no bytes", std::string(), std::nullopt},
        {"two bytes", std::string("\x03\0", 2), std::nullopt},
        {"eight bytes", std::string("\x03\0\0\0\0\0\0\0", 8), std::nullopt},
    };
    testing::ScratchRegistry scratch;
    for (const DwordCase &c : cases) {
        scratch.SetDwordBytes(kAdvantechKey, "NumberOfCards", c.bytes);
        TRegistry registry(kKeyAllAccess);
        registry.RootKey(kHKeyLocalMachine);
        ASSERT_TRUE(registry.OpenKey(kAdvantechKey, false)) << c.label;
        if (c.expected) {
            EXPECT_EQ(registry.ReadInteger("NumberOfCards"), *c.expected) << c.label;
        } else {
            EXPECT_THROW(registry.ReadInteger("NumberOfCards"), ERegistryError) << c.label;
        }
    }
}

} // namespace
} // namespace tessaport
