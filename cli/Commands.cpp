// get, set and delete.
#include "Commands.h"

#include "ChangeReport.h"
#include "ESettingsError.h"
#include "ExitStatus.h"
#include "Output.h"
#include "SettingsStore.h"

#include <iostream>
#include <new>

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

int ExitStatusOf(const ProviderRead &read) {
    switch (read.outcome) {
    case ProviderRead::Outcome::Read:
        return kExitOk;
    case ProviderRead::Outcome::NotConfigured:
        return kExitNotConfigured;
    case ProviderRead::Outcome::Failed:
        break;
    }
    return kExitFailed;
}

void PrintSettings(const DriverSettings &settings) {
    for (const SettingField &field : SettingFields) {
        std::cout << field.valueName << '=' << settings.*field.member << '\n';
    }
}

// Of every provider: one never configured is a state, not a failure, unless none is.
int EveryProviderStatus(const std::vector<int> &statuses) {
    bool anyConfigured = false;
    for (int status : statuses) {
        if (status == kExitFailed) {
            return kExitFailed;
        }
        anyConfigured = anyConfigured || status == kExitOk;
    }
    return anyConfigured ? kExitOk : kExitNotConfigured;
}

} // namespace

int RunGet(const Invocation &invocation) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    std::vector<int> statuses;
    bool printedOne = false;
    SettingsStore store(SettingsStore::Access::Read);
    for (const std::string &provider : invocation.providers) {
        const ProviderRead read = store.Read(provider);
        const int readStatus = ExitStatusOf(read);
        statuses.push_back(readStatus);
        ReportWarnings(provider, read.warnings);
        const bool failed = readStatus == kExitFailed ||
                            (readStatus == kExitNotConfigured && !invocation.everyProvider);
        if (invocation.json) {
            nlohmann::ordered_json &entry = document[provider];
            entry["status"] = StatusWord(readStatus);
            if (readStatus == kExitOk) {
                AddSettings(entry, read.settings);
            } else {
                entry["message"] = read.message;
            }
            AddWarnings(entry, read.warnings);
        } else if (failed) {
            ReportFailure(invocation.everyProvider ? provider + ": " + read.message : read.message);
        } else if (!invocation.quiet) {
            if (invocation.everyProvider) {
                std::cout << (printedOne ? "\n[" : "[") << provider << "]\n";
            }
            if (readStatus == kExitOk) {
                PrintSettings(read.settings);
            } else {
                std::cout << StatusWord(readStatus) << "\n";
            }
            printedOne = true;
        }
    }
    if (invocation.json) {
        PrintJson(document);
    }
    const int status = invocation.everyProvider ? EveryProviderStatus(statuses) : statuses.front();
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
        nlohmann::ordered_json entry =
            FailureEntry(unconfirmed ? "changed, unconfirmed" : "failed", FailureText(failure));
        AddWarnings(entry, warnings.Notices());
        PrintJson({{provider, entry}});
        return WorseExitStatus(status, FlushStandardOutput());
    }
    ReportWarnings(provider, warnings.Notices());
    if (invocation.json) {
        nlohmann::ordered_json entry = ChangeEntry(change, invocation.settings, invocation.check);
        AddWarnings(entry, warnings.Notices());
        PrintJson({{provider, entry}});
    } else if (!invocation.quiet) {
        std::cout << ChangeWord(change, invocation.check) << "\n";
        if (invocation.check) {
            PrintChangedValues(std::cout, change, invocation.settings);
        }
    }
    return FlushStandardOutput();
}

int RunDelete(const Invocation &invocation) {
    const std::string &provider = invocation.providers.front();
    const SettingsWarnings warnings;
    std::string_view word;
    int status = kExitOk;
    std::string message;
    try {
        SettingsStore store(invocation.check ? SettingsStore::Access::Read
                                             : SettingsStore::Access::Update);
        const bool found = invocation.check ? store.WouldDelete(provider) : store.Delete(provider);
        word = !found ? "unchanged" : invocation.check ? "would delete" : "deleted";
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const ESettingsSavedUnconfirmed &failure) {
        word = "deleted, unconfirmed";
        status = kExitUnconfirmed;
        message = FailureText(failure);
    } catch (const std::exception &failure) {
        word = "failed";
        status = kExitFailed;
        message = FailureText(failure);
    }
    ReportWarnings(provider, warnings.Notices());
    if (invocation.json) {
        nlohmann::ordered_json entry = message.empty() ? nlohmann::ordered_json{{"status", word}}
                                                       : FailureEntry(word, message);
        AddWarnings(entry, warnings.Notices());
        PrintJson({{provider, entry}});
    } else if (!message.empty()) {
        ReportFailure(message);
    } else if (!invocation.quiet) {
        std::cout << word << "\n";
    }
    return WorseExitStatus(status, FlushStandardOutput());
}

} // namespace tessaport
