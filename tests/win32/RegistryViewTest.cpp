// Where the settings land on 64-bit Windows: the 32-bit view unless built for the native one.
#include "RawRegistry.h"
#include "ScratchRegistry.h"
#include "SettingsStore.h"
#include "TRegistry.h"

#include <gtest/gtest.h>

namespace tessaport {
namespace {

using testing::ScratchRegistry;

const std::string kAdvantechKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::wstring kAdvantechKeyW = L"Software\\Korvanta\\Tessaport\\Advantech";

#if defined(_WIN64) && !defined(TESSAPORT_REGISTRY_NATIVE_VIEW)
TEST(WindowsRegistryView, SettingsGoWhereA32BitProgramFindsThem) {
    ScratchRegistry scratch;
    SettingsStore::WriteDriverSettings("Advantech", {2, 16, 32});

    // A 32-bit program's HKLM\Software is the 64-bit view's Software\WOW6432Node.
    const std::wstring redirected = L"Software\\WOW6432Node\\Korvanta\\Tessaport\\Advantech";
    EXPECT_EQ(testing::RawDword(HKEY_LOCAL_MACHINE, redirected, KEY_WOW64_64KEY, L"NumberOfCards"),
              2u);
    EXPECT_FALSE(testing::RawKeyExists(HKEY_LOCAL_MACHINE, kAdvantechKeyW, KEY_WOW64_64KEY));
}
#endif

TEST(WindowsRegistryView, AKeyInTheOtherViewOnlyIsNotFound) {
    ScratchRegistry scratch;
    for (const wchar_t *name : {L"NumberOfCards", L"PIIBeginAddress", L"PIQBeginAddress"}) {
        testing::SetRawValue(HKEY_LOCAL_MACHINE, kAdvantechKeyW, testing::OtherView(), name,
                             REG_DWORD, std::string("\x05\0\0\0", 4));
    }

    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);
    EXPECT_FALSE(registry.OpenKey(kAdvantechKey, false));
    EXPECT_THROW(SettingsStore::ReadDriverSettings("Advantech"), ESettingsStoreError);

    SettingsStore::WriteDriverSettings("Advantech", {1, 2, 3});
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{1, 2, 3}));
    EXPECT_EQ(testing::RawDword(HKEY_LOCAL_MACHINE, kAdvantechKeyW, testing::OtherView(),
                                L"NumberOfCards"),
              5u);
}

TEST(WindowsRegistryView, TheScratchRegistryEmptiesBothViews) {
    {
        ScratchRegistry scratch;
        testing::CreateRawKey(HKEY_LOCAL_MACHINE, kAdvantechKeyW, KEY_WOW64_32KEY);
        testing::CreateRawKey(HKEY_LOCAL_MACHINE, kAdvantechKeyW, KEY_WOW64_64KEY);
    }
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        EXPECT_FALSE(
            testing::RawKeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvanta\\Tessaport", view));
    }
}

} // namespace
} // namespace tessaport
