// Only a 4-byte REG_DWORD is an integer; everything else is refused with a reason.
#include "ERegistryError.h"
#include "RawRegistry.h"
#include "ScratchRegistry.h"
#include "TRegistry.h"

#include <climits>
#include <gtest/gtest.h>

namespace tessaport {
namespace {

using testing::ScratchRegistry;

const std::string kAdvantechKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::wstring kAdvantechKeyW = L"Software\\Korvanta\\Tessaport\\Advantech";

class WindowsDwordTest : public ::testing::Test {
protected:
    TRegistry &OpenAdvantech() {
        registry.RootKey(kHKeyLocalMachine);
        EXPECT_TRUE(registry.OpenKey(kAdvantechKey, true));
        return registry;
    }

    ScratchRegistry scratch;
    TRegistry registry{kKeyAllAccess};
};

TEST_F(WindowsDwordTest, SignedValuesRoundTripThroughTheirUnsignedForm) {
    OpenAdvantech();
    const std::pair<std::int32_t, std::uint32_t> cases[] = {
        {0, 0u}, {-1, 0xFFFFFFFFu}, {INT32_MIN, 0x80000000u}, {INT32_MAX, 0x7FFFFFFFu}};
    for (auto [value, stored] : cases) {
        registry.WriteInteger("NumberOfCards", value);
        EXPECT_EQ(scratch.Dword(kAdvantechKey, "NumberOfCards"), stored);
        EXPECT_EQ(registry.ReadInteger("NumberOfCards"), value);
    }
}

struct WrongValue {
    const char *label;
    DWORD type;
    std::string bytes;
};

TEST_F(WindowsDwordTest, ValuesThatAreNotFourByteDwordsAreRefused) {
    const WrongValue cases[] = {
        {"string", REG_SZ, std::string("1\0\0\0", 4)},
        {"binary of four bytes", REG_BINARY, std::string("\x03\0\0\0", 4)},
        {"big-endian dword", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x03", 4)},
        {"qword", REG_QWORD, std::string("\x03\0\0\0\0\0\0\0", 8)},
        {"dword of two bytes", REG_DWORD, std::string("\x03\0", 2)},
        {"dword of eight bytes", REG_DWORD, std::string("\x03\0\0\0\0\0\0\0", 8)},
        {"empty dword", REG_DWORD, std::string()},
    };
    OpenAdvantech();
    for (const WrongValue &wrong : cases) {
        testing::SetRawValue(HKEY_LOCAL_MACHINE, kAdvantechKeyW, testing::OurView(),
                             L"PIIBeginAddress", wrong.type, wrong.bytes);
        try {
            registry.ReadInteger("PIIBeginAddress");
            ADD_FAILURE() << wrong.label << " was read as an integer";
        } catch (const ERegistryError &failure) {
            const std::string message = failure.what();
            EXPECT_NE(message.find("not a DWORD"), std::string::npos) << message;
            EXPECT_NE(message.find("PIIBeginAddress"), std::string::npos) << message;
        }
    }
}

TEST_F(WindowsDwordTest, AMissingValueNamesValueKeyAndTheSystemReason) {
    OpenAdvantech();
    try {
        registry.ReadInteger("PIQBeginAddress");
        FAIL() << "a missing value was read";
    } catch (const ERegistryError &failure) {
        const std::string message = failure.what();
        EXPECT_NE(message.find("\"PIQBeginAddress\""), std::string::npos) << message;
        EXPECT_NE(message.find("HKEY_LOCAL_MACHINE\\" + kAdvantechKey), std::string::npos)
            << message;
        EXPECT_NE(message.find(testing::SystemMessage(ERROR_FILE_NOT_FOUND)), std::string::npos)
            << message;
    }
}

TEST_F(WindowsDwordTest, NamesAreUtf8) {
    registry.RootKey(kHKeyLocalMachine);
    ASSERT_TRUE(registry.OpenKey("Software\\Korvanta\\Tessaport\\Pr\xC3\xBC"
                                 "fstand",
                                 true));
    registry.WriteInteger("Z\xC3\xA4hler", 12);

    EXPECT_EQ(testing::RawDword(HKEY_LOCAL_MACHINE,
                                L"Software\\Korvanta\\Tessaport\\Pr\u00fcfstand",
                                testing::OurView(), L"Z\u00e4hler"),
              12u);
    EXPECT_THROW(registry.ReadInteger("Z\xE4hler"), ERegistryError);
}

} // namespace
} // namespace tessaport
