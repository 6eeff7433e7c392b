// OpenKey against the system registry: creation, path rules, roots and the access mask.
#include "ERegistryError.h"
#include "RawRegistry.h"
#include "ScratchRegistry.h"
#include "TRegistry.h"
#include "WinRegistryApi.h"

#include <gtest/gtest.h>
#include <utility>

namespace tessaport {
namespace {

using testing::ScratchRegistry;

const std::string kAdvantechKey = "Software\\Korvanta\\Tessaport\\Advantech";

TEST(WindowsOpenKey, WithoutCreateAMissingKeyIsNotOpenedNorCreated) {
    ScratchRegistry scratch;
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);

    EXPECT_FALSE(registry.OpenKey(kAdvantechKey, false));
    EXPECT_FALSE(registry.HasCurrentKey());
    EXPECT_FALSE(scratch.KeyExists("Software\\Korvanta"));
}

TEST(WindowsOpenKey, CreateMakesTheKeyAndItsMissingParents) {
    ScratchRegistry scratch;
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);

    ASSERT_TRUE(registry.OpenKey(kAdvantechKey, true));
    EXPECT_EQ(registry.CurrentPath(), kAdvantechKey);
    EXPECT_TRUE(scratch.KeyExists(kAdvantechKey));

    TRegistry again(kKeyAllAccess);
    again.RootKey(kHKeyLocalMachine);
    EXPECT_TRUE(again.OpenKey(kAdvantechKey, false));
}

TEST(WindowsOpenKey, MalformedPathsAreRefusedEvenWhereTheSystemWouldAcceptThem) {
    ScratchRegistry scratch;
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);

    for (const std::string path :
         {"", "\\Software\\Korvanta\\Tessaport\\Advantech",
          "Software\\\\Korvanta\\Tessaport\\Advantech",
          "Software\\Korvanta\\Tessaport\\Advantech\\", "\\", "Software\\Korvanta\\[Tessaport]",
          "Software\\Korvanta\\Tab\there"}) {
        EXPECT_FALSE(registry.OpenKey(path, true)) << path;
        EXPECT_FALSE(registry.HasCurrentKey()) << path;
    }
    EXPECT_FALSE(scratch.KeyExists("Software\\Korvanta"));
}

TEST(WindowsOpenKey, RootConstantsReachThePredefinedKeys) {
    const std::wstring userKey = L"Software\\Korvanta\\TessaportRootCheck";
    testing::DeleteRawTree(HKEY_CURRENT_USER, userKey, testing::OurView());
    ScratchRegistry scratch;

    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyCurrentUser);
    ASSERT_TRUE(registry.OpenKey("Software\\Korvanta\\TessaportRootCheck", true));
    registry.WriteInteger("Probe", 7);

    EXPECT_EQ(testing::RawDword(HKEY_CURRENT_USER, userKey, testing::OurView(), L"Probe"), 7u);
    EXPECT_FALSE(scratch.KeyExists("Software\\Korvanta\\TessaportRootCheck"));
    testing::DeleteRawTree(HKEY_CURRENT_USER, userKey, testing::OurView());

    registry.RootKey(0x80000010);
    EXPECT_FALSE(registry.OpenKey("Software", false));
}

TEST(WindowsOpenKey, TheKeyIsOpenedWithTheRequestedAccessOnly) {
    ScratchRegistry scratch;
    scratch.SetDword(kAdvantechKey, "NumberOfCards", 4);

    TRegistry reader(kKeyRead);
    reader.RootKey(kHKeyLocalMachine);
    ASSERT_TRUE(reader.OpenKey(kAdvantechKey, false));
    EXPECT_EQ(reader.ReadInteger("NumberOfCards"), 4);
    try {
        reader.WriteInteger("NumberOfCards", 5);
        FAIL() << "a key opened for reading took a write";
    } catch (const ERegistryError &failure) {
        EXPECT_NE(std::string(failure.what()).find(testing::SystemMessage(ERROR_ACCESS_DENIED)),
                  std::string::npos)
            << failure.what();
    }
    EXPECT_EQ(scratch.Dword(kAdvantechKey, "NumberOfCards"), 4u);
}

// Wine does not check a key's permissions, so the statuses are given here rather than caused.
TEST(WindowsOpenKey, OnlyAMissingKeyOrValueCountsAsNotConfigured) {
    const std::pair<LONG, WinLookup> cases[] = {
        {ERROR_SUCCESS, WinLookup::Present},          {ERROR_ACCESS_DENIED, WinLookup::Present},
        {ERROR_FILE_NOT_FOUND, WinLookup::Absent},    {ERROR_PATH_NOT_FOUND, WinLookup::Failed},
        {ERROR_KEY_DELETED, WinLookup::Failed},       {ERROR_BADKEY, WinLookup::Failed},
        {ERROR_NOT_ENOUGH_MEMORY, WinLookup::Failed}, {ERROR_INVALID_HANDLE, WinLookup::Failed},
    };
    for (const auto &[status, outcome] : cases) {
        EXPECT_EQ(LookupOutcome(status), outcome) << "status " << status;
    }
}

} // namespace
} // namespace tessaport
