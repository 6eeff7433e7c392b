#pragma once

#include "DriverSettings.h"
#include "ESettingsError.h"
#include "SettingsStore.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tessaport {

// "tessaport-reg: TEXT" on standard error.
void ReportFailure(const std::string &text);

// Flushes standard output: kExitOk, or kExitFailed with the reason printed when it cannot be
// written (closed, or a full disk).
int FlushStandardOutput();

// "tessaport-reg: warning: PROVIDER: TEXT" on standard error for each warning.
void ReportWarnings(const std::string &provider, const std::vector<std::string> &warnings);
// The warnings as the member "warning" of `object`, when there are any.
void AddWarnings(nlohmann::ordered_json &object, const std::vector<std::string> &warnings);

// The three values as JSON members of `object`, named as in the registry.
void AddSettings(nlohmann::ordered_json &object, const DriverSettings &settings);
// One JSON document on standard output. Text that is not UTF-8 (a file name) is replaced, not
// refused.
void PrintJson(const nlohmann::ordered_json &document);

} // namespace tessaport
