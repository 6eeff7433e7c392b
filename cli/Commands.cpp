// get and set.
#include "Commands.h"

#include "ExitStatus.h"
#include "Output.h"

#include <iostream>
#include <new>
#include <optional>

namespace tessaport {
namespace {

std::string_view StatusWord(int status) {
    switch (status) {
    case kExitOk:
        return "ok";
    case kExitNotConfigured:
        return "not configured";
    default:
        return "failed";
    }
}

void PrintSettings(const DriverSettings &settings) {
    for (const SettingField &field : SettingFields) {
        std::cout << field.valueName << '=' << settings.*field.member << '\n';
    }
}

std::string StoredText(const std::optional<std::int32_t> &value) {
    return value ? std::to_string(*value) : "(none)";
}

} // namespace

int RunGet(const Invocation &invocation) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    int status = kExitOk;
    bool printedOne = false;
    SettingsStore store(SettingsStore::Access::Read);
    for (const std::string &provider : invocation.providers) {
        const ProviderRead read = store.Read(provider);
        const int readStatus = ExitStatusOf(read);
        status = WorseExitStatus(status, readStatus);
        ReportWarnings(provider, read.warnings);
        if (invocation.json) {
            nlohmann::ordered_json &entry = document[provider];
            entry["status"] = StatusWord(readStatus);
            if (readStatus == kExitOk) {
                AddSettings(entry, read.settings);
            } else {
                entry["message"] = read.message;
            }
            AddWarnings(entry, read.warnings);
        } else if (readStatus != kExitOk) {
            ReportFailure(invocation.everyProvider ? provider + ": " + read.message : read.message);
        } else {
            if (invocation.everyProvider) {
                std::cout << (printedOne ? "\n[" : "[") << provider << "]\n";
            }
            PrintSettings(read.settings);
            printedOne = true;
        }
    }
    if (invocation.json) {
        PrintJson(document);
    }
    return WorseExitStatus(status, FlushStandardOutput());
}

int RunSet(const Invocation &invocation) {
    const std::string &provider = invocation.providers.front();
    const SettingsWarnings warnings;
    SettingsChange change;
    try {
        SettingsStore store(invocation.check ? SettingsStore::Access::Read
                                             : SettingsStore::Access::Update);
        change = invocation.check ? store.Check(provider, invocation.settings)
                                  : store.Update(provider, invocation.settings);
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &failure) {
        const bool unconfirmed = dynamic_cast<const ESettingsSavedUnconfirmed *>(&failure);
        const int status = unconfirmed ? kExitUnconfirmed : kExitFailed;
        ReportWarnings(provider, warnings.Notices());
        if (!invocation.json) {
            ReportFailure(FailureText(failure));
            return status;
        }
        nlohmann::ordered_json entry{{"status", unconfirmed ? "changed, unconfirmed" : "failed"},
                                     {"message", FailureText(failure)}};
        AddWarnings(entry, warnings.Notices());
        PrintJson({{provider, entry}});
        FlushStandardOutput();
        return status;
    }
    ReportWarnings(provider, warnings.Notices());
    const std::string_view word = !change.changed    ? "unchanged"
                                  : invocation.check ? "would change"
                                                     : "changed";
    if (invocation.json) {
        nlohmann::ordered_json entry{{"status", word}};
        AddSettings(entry, invocation.settings);
        nlohmann::ordered_json &previous = entry["previous"];
        for (std::size_t i = 0; i < SettingFields.size(); ++i) {
            const std::string name(SettingFields[i].valueName);
            previous[name] = change.previous[i] ? nlohmann::ordered_json(*change.previous[i])
                                                : nlohmann::ordered_json(nullptr);
        }
        AddWarnings(entry, warnings.Notices());
        PrintJson({{provider, entry}});
    } else {
        std::cout << word << "\n";
        for (std::size_t i = 0; invocation.check && i < SettingFields.size(); ++i) {
            const SettingField &field = SettingFields[i];
            const std::int32_t wanted = invocation.settings.*field.member;
            if (change.previous[i] != wanted) {
                std::cout << field.valueName << ": " << StoredText(change.previous[i]) << " -> "
                          << wanted << "\n";
            }
        }
    }
    return FlushStandardOutput();
}

} // namespace tessaport
