#include "ChangeReport.h"

#include "Output.h"

#include <optional>

namespace tessaport {
namespace {

std::string StoredText(const std::optional<std::int32_t> &value) {
    return value ? std::to_string(*value) : "(none)";
}

} // namespace

std::string_view ChangeWord(const SettingsChange &change, bool check) {
    return !change.changed ? "unchanged" : check ? "would change" : "changed";
}

void PrintChangedValues(std::ostream &out, const SettingsChange &change,
                        const DriverSettings &settings) {
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        const SettingField &field = SettingFields[i];
        const std::int32_t wanted = settings.*field.member;
        if (change.previous[i] != wanted) {
            out << field.valueName << ": " << StoredText(change.previous[i]) << " -> " << wanted
                << "\n";
        }
    }
}

nlohmann::ordered_json ChangeEntry(const SettingsChange &change, const DriverSettings &settings,
                                   bool check) {
    nlohmann::ordered_json entry{{"status", ChangeWord(change, check)}};
    AddSettings(entry, settings);
    nlohmann::ordered_json &previous = entry["previous"];
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        const std::string name(SettingFields[i].valueName);
        previous[name] = change.previous[i] ? nlohmann::ordered_json(*change.previous[i])
                                            : nlohmann::ordered_json(nullptr);
    }
    return entry;
}

nlohmann::ordered_json FailureEntry(std::string_view word, const std::string &message) {
    return {{"status", word}, {"message", message}};
}

int RefuseRun(int status, std::string_view word, const std::string &message, bool json) {
    if (json) {
        PrintJson(FailureEntry(word, message));
        FlushStandardOutput();
    } else {
        ReportFailure(message);
    }
    return status;
}

} // namespace tessaport
