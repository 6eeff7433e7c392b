#pragma once

#include "DriverSettings.h"
#include "SettingsStore.h"

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

namespace tessaport {

// How set and import report one provider's change, in words and in JSON.

// "changed", "unchanged", or with --check "would change".
std::string_view ChangeWord(const SettingsChange &change, bool check);
// With --check, a "NAME: old -> new" line for each value that would change.
void PrintChangedValues(std::ostream &out, const SettingsChange &change,
                        const DriverSettings &settings);
// The provider's JSON entry: the status word, the new values and the "previous" ones (null
// where there was none).
nlohmann::ordered_json ChangeEntry(const SettingsChange &change, const DriverSettings &settings,
                                   bool check);
// An entry, or a whole document, that reports a failure: its status word and its reason.
nlohmann::ordered_json FailureEntry(std::string_view word, const std::string &message);
// A run refused as a whole: that document with `json`, else the message on standard error.
// Returns `status`.
int RefuseRun(int status, std::string_view word, const std::string &message, bool json);

} // namespace tessaport
