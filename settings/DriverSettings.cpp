#include "DriverSettings.h"

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
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    const auto sameLetter = [&](char a, char b) { return fold(a) == fold(b); };
    for (std::string_view provider : ProviderCatalogue) {
        if (std::equal(provider.begin(), provider.end(), name.begin(), name.end(), sameLetter)) {
            return provider;
        }
    }
    return std::nullopt;
}

} // namespace tessaport
