#pragma once

#include "DriverSettings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tessaport {

// A provider's values as stored before an update, in SettingFields order: nullopt where a value
// is missing or is not a DWORD.
using StoredValues = std::array<std::optional<std::int32_t>, SettingFields.size()>;

struct SettingsChange {
    StoredValues previous;
    bool changed = false;
};

// Writes a provider's settings only when they differ from what is stored, and says which it
// was, so that scripts and configuration tools can report "changed" or "unchanged" truthfully.
class SettingsUpdate {
public:
    // Writes all three values at once, through the store's full access, unless the key holds
    // them already. Failures as SettingsStore::WriteDriverSettings raises them. `settings` is
    // complete.
    static SettingsChange Apply(const std::string &provider, const DriverSettings &settings);
    // What Apply would do, with only the right to read; writes and creates nothing.
    static SettingsChange Check(const std::string &provider, const DriverSettings &settings);
};

} // namespace tessaport
