#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

// A list position meaning "nothing chosen".
inline constexpr std::int32_t NoSelection = -1;

// The supported card providers, in list order; the first is selected when the window opens.
// Each name is also the last component of that provider's settings key.
inline constexpr std::array<std::string_view, 2> ProviderCatalogue{"Advantech", "Adlink"};

// One provider's settings. Each field is a position in that field's value list, or NoSelection.
struct DriverSettings {
    std::int32_t numberOfCards = NoSelection;
    std::int32_t diStartAddress = NoSelection;
    std::int32_t doStartAddress = NoSelection;

    friend bool operator==(const DriverSettings &, const DriverSettings &) = default;
};

// What is known of each field: where it is stored, how the window labels it and how many
// entries its value list has ("0", "1", ... up to entryCount - 1).
struct SettingField {
    std::int32_t DriverSettings::*member;
    std::string_view valueName;
    std::string_view label;
    std::int32_t entryCount;
};

// The three fields, in the order in which they are read, written and shown.
inline constexpr std::array<SettingField, 3> SettingFields{{
    {&DriverSettings::numberOfCards, "NumberOfCards", "Number Of Cards", 20},
    {&DriverSettings::diStartAddress, "PIIBeginAddress", "DI Start Address", 50},
    {&DriverSettings::doStartAddress, "PIQBeginAddress", "DO Start Address", 50},
}};

// The entries of a field's value list: decimal numerals from "0" upward.
std::vector<std::string> ValueListEntries(const SettingField &field);

// The list position a stored value selects: the value itself when it is a position in the
// list, otherwise NoSelection. Never an error.
constexpr std::int32_t ListPositionFor(std::int32_t stored, const SettingField &field) {
    return stored >= 0 && stored < field.entryCount ? stored : NoSelection;
}

// A record may be written only when every field holds a choice.
constexpr bool IsComplete(const DriverSettings &settings) {
    for (const SettingField &field : SettingFields) {
        if (settings.*field.member < 0) {
            return false;
        }
    }
    return true;
}

// True when `name` is one of the ProviderCatalogue entries, with exactly its letters and case.
bool IsCatalogueProvider(std::string_view name);
// The catalogue's spelling of `name`, matched without regard to ASCII case as registry key names
// are; nullopt for a name not in the catalogue.
std::optional<std::string_view> CatalogueProviderFor(std::string_view name);

} // namespace tessaport
