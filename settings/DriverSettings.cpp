#include "DriverSettings.h"

#include "RegNames.h"

#include <algorithm>

namespace tessaport {

std::vector<std::string> ValueListEntries(const SettingField &field) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(field.entryCount));
    for (std::int32_t position = 0; position < field.entryCount; ++position) {
        entries.push_back(std::to_string(position));
    }
    return entries;
}

bool IsCatalogueProvider(std::string_view name) {
    return std::find(ProviderCatalogue.begin(), ProviderCatalogue.end(), name) !=
           ProviderCatalogue.end();
}

std::optional<std::string_view> CatalogueProviderFor(std::string_view name) {
    for (std::string_view provider : ProviderCatalogue) {
        if (EqualsFolded(provider, name)) {
            return provider;
        }
    }
    return std::nullopt;
}

} // namespace tessaport
