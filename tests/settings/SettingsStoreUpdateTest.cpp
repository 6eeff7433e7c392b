// Updates that say whether they changed anything, and reads that tell "never configured" from
// failures, on the system registry as on the file hive.
#include "ScratchRegistry.h"
#include "SettingsStore.h"

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
    static SettingsChange Apply(const DriverSettings &settings) {
        return SettingsStore(SettingsStore::Access::Update).Update("Adlink", settings);
    }
    static SettingsChange Check(const DriverSettings &settings) {
        return SettingsStore(SettingsStore::Access::Read).Check("Adlink", settings);
    }
    static ProviderRead Read() { return SettingsStore(SettingsStore::Access::Read).Read("Adlink"); }

    testing::ScratchRegistry registry;
};

TEST_F(SettingsUpdateTest, ApplyWritesOnlyWhatDiffersAndCheckWritesNothing) {
    const SettingsChange checkedFirst = Check({1, 2, 3});
    EXPECT_TRUE(checkedFirst.changed);
    EXPECT_EQ(checkedFirst.previous, StoredValues{});
    EXPECT_FALSE(registry.KeyExists(kAdlinkKey));

    EXPECT_TRUE(Apply({1, 2, 3}).changed);
    EXPECT_EQ(Stored("PIQBeginAddress"), 3u);

    const SettingsChange again = Apply({1, 2, 3});
    EXPECT_FALSE(again.changed);
    EXPECT_EQ(again.previous, (StoredValues{1, 2, 3}));
    EXPECT_FALSE(Check({1, 2, 3}).changed);

    const SettingsChange checked = Check({1, 2, 4});
    EXPECT_TRUE(checked.changed);
    EXPECT_EQ(Stored("PIQBeginAddress"), 3u);

    // A value of another type is replaced.
    registry.SetString(kAdlinkKey, "NumberOfCards", "1");
    const SettingsChange mended = Apply({1, 2, 3});
    EXPECT_TRUE(mended.changed);
    EXPECT_EQ(mended.previous, (StoredValues{std::nullopt, 2, 3}));
    EXPECT_EQ(Stored("NumberOfCards"), 1u);
}

TEST_F(SettingsUpdateTest, ReadTellsNotConfiguredFromAValueOfAnotherType) {
    EXPECT_EQ(Read().outcome, ProviderRead::Outcome::NotConfigured);
    registry.SetDword(kAdlinkKey, "NumberOfCards", 1);
    registry.SetDword(kAdlinkKey, "PIIBeginAddress", 2);
    EXPECT_EQ(Read().outcome, ProviderRead::Outcome::NotConfigured);

    registry.SetBinary(kAdlinkKey, "PIQBeginAddress", std::string("\x03\0\0\0", 4));
    const ProviderRead binary = Read();
    EXPECT_EQ(binary.outcome, ProviderRead::Outcome::Failed) << binary.message;
    EXPECT_NE(binary.message.find("PIQBeginAddress"), std::string::npos);

    registry.SetDword(kAdlinkKey, "PIQBeginAddress", 3);
    const ProviderRead complete = Read();
    EXPECT_EQ(complete.outcome, ProviderRead::Outcome::Read) << complete.message;
    EXPECT_EQ(complete.settings, (DriverSettings{1, 2, 3}));
}

} // namespace
} // namespace tessaport
