// Updates that say whether they changed anything, and reads that tell "never configured" from
// failures, on the system registry as on the file hive.
#include "SettingsUpdate.h"

#include "ERegistryError.h"
#include "ESettingsNotConfigured.h"
#include "ScratchRegistry.h"
#include "SettingsReader.h"

#include <gtest/gtest.h>
#include <string>

namespace tessaport {
namespace {

const std::string kAdlinkKey = "Software\\Korvanta\\Tessaport\\Adlink";

class SettingsUpdateTest : public ::testing::Test {
protected:
    std::optional<std::uint32_t> Stored(const char *name) const {
        return registry.Dword(kAdlinkKey, name);
    }

    testing::ScratchRegistry registry;
};

TEST_F(SettingsUpdateTest, ApplyWritesOnlyWhatDiffersAndCheckWritesNothing) {
    const SettingsChange checkedFirst = SettingsUpdate::Check("Adlink", {1, 2, 3});
    EXPECT_TRUE(checkedFirst.changed);
    EXPECT_EQ(checkedFirst.previous, StoredValues{});
    EXPECT_FALSE(registry.KeyExists(kAdlinkKey));

    EXPECT_TRUE(SettingsUpdate::Apply("Adlink", {1, 2, 3}).changed);
    EXPECT_EQ(Stored("PIQBeginAddress"), 3u);

    const SettingsChange again = SettingsUpdate::Apply("Adlink", {1, 2, 3});
    EXPECT_FALSE(again.changed);
    EXPECT_EQ(again.previous, (StoredValues{1, 2, 3}));
    EXPECT_FALSE(SettingsUpdate::Check("Adlink", {1, 2, 3}).changed);

    const SettingsChange checked = SettingsUpdate::Check("Adlink", {1, 2, 4});
    EXPECT_TRUE(checked.changed);
    EXPECT_EQ(Stored("PIQBeginAddress"), 3u);

    // A value of another type is replaced.
    registry.SetString(kAdlinkKey, "NumberOfCards", "1");
    const SettingsChange mended = SettingsUpdate::Apply("Adlink", {1, 2, 3});
    EXPECT_TRUE(mended.changed);
    EXPECT_EQ(mended.previous, (StoredValues{std::nullopt, 2, 3}));
    EXPECT_EQ(Stored("NumberOfCards"), 1u);
}

TEST_F(SettingsUpdateTest, ReadTellsNotConfiguredFromAValueOfAnotherType) {
    EXPECT_THROW(SettingsReader::Read("Adlink"), ESettingsNotConfigured);
    registry.SetDword(kAdlinkKey, "NumberOfCards", 1);
    registry.SetDword(kAdlinkKey, "PIIBeginAddress", 2);
    EXPECT_THROW(SettingsReader::Read("Adlink"), ESettingsNotConfigured);

    registry.SetBinary(kAdlinkKey, "PIQBeginAddress", std::string("\x03\0\0\0", 4));
    try {
        SettingsReader::Read("Adlink");
        FAIL() << "a binary value was read";
    } catch (const ESettingsNotConfigured &failure) {
        FAIL() << "counted as not configured: " << failure.what();
    } catch (const ERegistryError &failure) {
        EXPECT_NE(std::string(failure.what()).find("PIQBeginAddress"), std::string::npos);
    }

    registry.SetDword(kAdlinkKey, "PIQBeginAddress", 3);
    EXPECT_EQ(SettingsReader::Read("Adlink"), (DriverSettings{1, 2, 3}));
}

} // namespace
} // namespace tessaport
