// KeyExists and ValueExists tell a missing key or value from one that is there, whichever back
// end keeps it, and whatever the access the object was made with.
#include "ERegistryError.h"
#include "ScratchRegistry.h"
#include "TRegistry.h"

#include <gtest/gtest.h>
#include <string>

namespace tessaport {
namespace {

const std::string kAdlinkKey = "Software\\Korvanta\\Tessaport\\Adlink";

TEST(Existence, KeysAndValuesAreFoundWhateverTheirCaseAndType) {
    testing::ScratchRegistry scratch;
    scratch.SetDword(kAdlinkKey, "NumberOfCards", 3);
    scratch.SetString(kAdlinkKey, "PIIBeginAddress", "ten");

    for (const RegAccess access : {kKeyRead, kKeyAllAccess}) {
        SCOPED_TRACE(access);
        TRegistry registry(access);
        registry.RootKey(kHKeyLocalMachine);
        EXPECT_TRUE(registry.KeyExists(kAdlinkKey));
        EXPECT_TRUE(registry.KeyExists("SOFTWARE\\korvanta"));
        EXPECT_FALSE(registry.KeyExists("Software\\Korvanta\\Tessaport\\Advantech"));
        EXPECT_FALSE(registry.KeyExists("Software\\\\Korvanta"));
        // Looking opens nothing.
        EXPECT_FALSE(registry.HasCurrentKey());

        ASSERT_TRUE(registry.OpenKey(kAdlinkKey, false));
        EXPECT_TRUE(registry.ValueExists("numberofcards"));
        EXPECT_TRUE(registry.ValueExists("PIIBeginAddress"));
        EXPECT_FALSE(registry.ValueExists("PIQBeginAddress"));
        registry.CloseKey();
        EXPECT_THROW(registry.ValueExists("NumberOfCards"), ERegistryError);
    }
    EXPECT_FALSE(scratch.KeyExists("Software\\Korvanta\\Tessaport\\Advantech"));
}

// As reg delete: the key and its values, not its parent, a sibling or a key with subkeys.
TEST(Existence, DeleteKeyRemovesOneKeyWithWriteAccessOnly) {
    testing::ScratchRegistry scratch;
    scratch.SetDword(kAdlinkKey, "NumberOfCards", 3);
    scratch.SetDword(kAdlinkKey + "\\Card", "NumberOfCards", 1);
    scratch.SetDword("Software\\Korvanta\\Tessaport\\Advantech", "NumberOfCards", 2);
    TRegistry reader(kKeyRead);
    reader.RootKey(kHKeyLocalMachine);
    EXPECT_THROW(reader.DeleteKey(kAdlinkKey + "\\Card"), ERegistryError);
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);
    EXPECT_THROW(registry.DeleteKey(kAdlinkKey), ERegistryError);
    EXPECT_TRUE(registry.DeleteKey(kAdlinkKey + "\\Card"));
    EXPECT_TRUE(registry.DeleteKey(kAdlinkKey));
    EXPECT_FALSE(registry.DeleteKey(kAdlinkKey));
    EXPECT_FALSE(scratch.KeyExists(kAdlinkKey));
    EXPECT_TRUE(scratch.KeyExists("Software\\Korvanta\\Tessaport\\Advantech"));
}

} // namespace
} // namespace tessaport
