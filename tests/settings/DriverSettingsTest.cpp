#include "DriverSettings.h"

#include <climits>
#include <gtest/gtest.h>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaport {
namespace {

const SettingField &NumberOfCards() {
    return SettingFields[0];
}
const SettingField &DiStartAddress() {
    return SettingFields[1];
}

TEST(DriverSettings, ValueListsAreDecimalNumeralsFromZero) {
    const std::vector<std::string> cards = ValueListEntries(NumberOfCards());
    ASSERT_EQ(cards.size(), 20u);
    EXPECT_EQ(cards.front(), "0");
    EXPECT_EQ(cards[9], "9");
    EXPECT_EQ(cards.back(), "19");

    for (const SettingField &field : SettingFields) {
        const std::vector<std::string> entries = ValueListEntries(field);
        for (std::size_t position = 0; position < entries.size(); ++position) {
            EXPECT_EQ(entries[position], std::to_string(position)) << field.valueName;
        }
    }
    EXPECT_EQ(ValueListEntries(SettingFields[2]).back(), "49");
}

TEST(DriverSettings, StoredValueSelectsAPositionOnlyWhenInRange) {
    struct Case {
        const SettingField &field;
        std::int32_t stored;
        std::int32_t position;
    };
    const Case cases[] = {
        {NumberOfCards(), 0, 0},
        {NumberOfCards(), 19, 19},
        {NumberOfCards(), 20, NoSelection},
        {NumberOfCards(), 25, NoSelection},
        {NumberOfCards(), -1, NoSelection},
        {DiStartAddress(), 49, 49},
        {DiStartAddress(), 50, NoSelection},
        {DiStartAddress(), -5, NoSelection},
        {DiStartAddress(), INT_MIN, NoSelection},
        {DiStartAddress(), INT_MAX, NoSelection},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ListPositionFor(c.stored, c.field), c.position)
            << c.field.valueName << " = " << c.stored;
    }
}

TEST(DriverSettings, RecordIsCompleteOnlyWhenEveryFieldHoldsAChoice) {
    EXPECT_TRUE(IsComplete({0, 0, 0}));
    EXPECT_TRUE(IsComplete({19, 49, 49}));
    EXPECT_FALSE(IsComplete({}));
    EXPECT_FALSE(IsComplete({NoSelection, 0, 0}));
    EXPECT_FALSE(IsComplete({0, NoSelection, 0}));
    EXPECT_FALSE(IsComplete({0, 0, NoSelection}));
    EXPECT_FALSE(IsComplete({0, 0, -7}));
}

TEST(DriverSettings, CatalogueMatchesProviderNamesExactly) {
    EXPECT_EQ(ProviderCatalogue.front(), "Advantech");
    EXPECT_TRUE(IsCatalogueProvider("Advantech"));
    EXPECT_TRUE(IsCatalogueProvider("Adlink"));
    EXPECT_FALSE(IsCatalogueProvider("advantech"));
    EXPECT_FALSE(IsCatalogueProvider(" Adlink"));
    EXPECT_FALSE(IsCatalogueProvider(""));
}

// Key names match without regard to ASCII case: the catalogue's spelling, or none.
TEST(DriverSettings, CatalogueSpellingIsFoundWhateverTheCase) {
    const std::vector<std::pair<std::string_view, std::optional<std::string_view>>> cases{
        {"ADVANTECH", "Advantech"}, {"adLINK", "Adlink"},        {"Advantech", "Advantech"},
        {"Advantec", std::nullopt}, {"Adlinks", std::nullopt},   {"Adlink ", std::nullopt},
        {"", std::nullopt},         {"Adl\xC9nk", std::nullopt},
    };
    for (const auto &[name, spelling] : cases) {
        EXPECT_EQ(CatalogueProviderFor(name), spelling) << name;
    }
}

} // namespace
} // namespace tessaport
