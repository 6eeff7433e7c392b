#include "SettingsStore.h"

#include "ERegistryError.h"
#include "ScratchRegistry.h"

#include <gtest/gtest.h>

namespace tessaport {
namespace {

using testing::ScratchRegistry;

const std::string kAdvantechKey = "Software\\Korvanta\\Tessaport\\Advantech";
const std::string kAdlinkKey = "Software\\Korvanta\\Tessaport\\Adlink";

class SettingsStoreTest : public ::testing::Test {
protected:
    void StoreComplete(const std::string &key, std::uint32_t cards, std::uint32_t di,
                       std::uint32_t dout) {
        registry.SetDword(key, "NumberOfCards", cards);
        registry.SetDword(key, "PIIBeginAddress", di);
        registry.SetDword(key, "PIQBeginAddress", dout);
    }

    ScratchRegistry registry;
};

TEST_F(SettingsStoreTest, KeyPathIsThePrefixFollowedByTheProvider) {
    EXPECT_EQ(SettingsStore::KeyPathFor("Advantech"), kAdvantechKey);
    EXPECT_EQ(SettingsStore::KeyPathFor("Adlink"), kAdlinkKey);
}

TEST_F(SettingsStoreTest, ReadingAMissingKeyFailsAndCreatesNothing) {
    try {
        SettingsStore::ReadDriverSettings("Advantech");
        FAIL() << "read of a missing key succeeded";
    } catch (const ESettingsStoreError &failure) {
        EXPECT_STREQ(failure.what(), "Registry Not Found!!");
    }
    EXPECT_FALSE(registry.KeyExists(kAdvantechKey));
    EXPECT_FALSE(registry.KeyExists("Software\\Korvanta"));
}

TEST_F(SettingsStoreTest, ReadsACompleteKeyIncludingValuesOutsideTheLists) {
    StoreComplete(kAdvantechKey, 3, 10, 20);
    StoreComplete(kAdlinkKey, 25, 0xFFFFFFFB, 0);

    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{3, 10, 20}));
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Adlink"), (DriverSettings{25, -5, 0}));
}

TEST_F(SettingsStoreTest, ValueNamesMatchWhateverTheirCase) {
    registry.SetDword("SOFTWARE\\Korvanta\\TESSAPORT\\Advantech", "numberofcards", 4);
    registry.SetDword(kAdvantechKey, "PIIBEGINADDRESS", 5);
    registry.SetDword(kAdvantechKey, "PiqBeginAddress", 6);

    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{4, 5, 6}));
}

TEST_F(SettingsStoreTest, AKeyMissingAValueFailsAsAWhole) {
    registry.SetDword(kAdvantechKey, "NumberOfCards", 3);
    registry.SetDword(kAdvantechKey, "PIIBeginAddress", 10);

    EXPECT_THROW(SettingsStore::ReadDriverSettings("Advantech"), ERegistryError);
}

TEST_F(SettingsStoreTest, ValuesAreReadInOrderAndTheFirstMissingOneFailsTheRead) {
    const auto failure = [] {
        try {
            SettingsStore::ReadDriverSettings("Advantech");
        } catch (const ERegistryError &failure) {
            return std::string(failure.what());
        }
        return std::string();
    };
    registry.SetDword(kAdvantechKey, "PIQBeginAddress", 20);
    EXPECT_NE(failure().find("NumberOfCards"), std::string::npos) << failure();
    EXPECT_EQ(failure().find("PIIBeginAddress"), std::string::npos) << failure();

    registry.SetDword(kAdvantechKey, "NumberOfCards", 3);
    EXPECT_NE(failure().find("PIIBeginAddress"), std::string::npos) << failure();
}

TEST_F(SettingsStoreTest, AValueOfAnotherTypeFailsTheRead) {
    StoreComplete(kAdvantechKey, 3, 10, 20);
    registry.SetString(kAdvantechKey, "PIIBeginAddress", "10");
    EXPECT_THROW(SettingsStore::ReadDriverSettings("Advantech"), ERegistryError);

    registry.SetDword(kAdvantechKey, "PIIBeginAddress", 10);
    registry.SetBinary(kAdvantechKey, "NumberOfCards", std::string("\x03\x00", 2));
    EXPECT_THROW(SettingsStore::ReadDriverSettings("Advantech"), ERegistryError);
}

TEST_F(SettingsStoreTest, WritingCreatesTheKeyAndItsParents) {
    SettingsStore::WriteDriverSettings("Adlink", {0, 49, 7});

    EXPECT_TRUE(registry.KeyExists("Software\\Korvanta\\Tessaport"));
    EXPECT_EQ(registry.Dword(kAdlinkKey, "NumberOfCards"), 0u);
    EXPECT_EQ(registry.Dword(kAdlinkKey, "PIIBeginAddress"), 49u);
    EXPECT_EQ(registry.Dword(kAdlinkKey, "PIQBeginAddress"), 7u);
    EXPECT_FALSE(registry.KeyExists(kAdvantechKey));
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Adlink"), (DriverSettings{0, 49, 7}));
}

TEST_F(SettingsStoreTest, WritingReplacesOnlyTheThreeValues) {
    StoreComplete(kAdvantechKey, 1, 2, 3);
    registry.SetString(kAdvantechKey, "", "default value");
    registry.SetString(kAdvantechKey, "Comment", "installed by the driver");
    registry.SetDword(kAdvantechKey, "Interrupt", 11);
    StoreComplete(kAdlinkKey, 4, 5, 6);

    SettingsStore::WriteDriverSettings("Advantech", {19, 0, 49});

    EXPECT_EQ(SettingsStore::ReadDriverSettings("Advantech"), (DriverSettings{19, 0, 49}));
    EXPECT_EQ(registry.String(kAdvantechKey, ""), "default value");
    EXPECT_EQ(registry.String(kAdvantechKey, "Comment"), "installed by the driver");
    EXPECT_EQ(registry.Dword(kAdvantechKey, "Interrupt"), 11u);
    EXPECT_EQ(SettingsStore::ReadDriverSettings("Adlink"), (DriverSettings{4, 5, 6}));
}

TEST_F(SettingsStoreTest, WritingOverAValueOfAnotherTypeStoresADword) {
    StoreComplete(kAdvantechKey, 1, 2, 3);
    registry.SetString(kAdvantechKey, "PIQBeginAddress", "3");

    SettingsStore::WriteDriverSettings("Advantech", {1, 2, 30});

    EXPECT_EQ(registry.Dword(kAdvantechKey, "PIQBeginAddress"), 30u);
}

} // namespace
} // namespace tessaport
