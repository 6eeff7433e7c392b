// export and import: the providers' settings as a .reg file.
#include "ChangeReport.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "Output.h"

#include <iostream>
#include <new>

namespace tessaport {
namespace {

// "; the import stopped there: A and B were not imported", for the providers after a failed save.
std::string NotImported(const std::vector<ProviderSettings> &providers, std::size_t next) {
    std::string names;
    for (std::size_t i = next; i < providers.size(); ++i) {
        names += i == next ? "" : (i + 1 == providers.size() ? " and " : ", ");
        names += providers[i].provider;
    }
    if (names.empty()) {
        return {};
    }
    return "; the import stopped there: " + names +
           (providers.size() - next == 1 ? " was" : " were") + " not imported";
}

} // namespace

int RunExport(const Invocation &invocation) {
    std::vector<ProviderSettings> configured;
    SettingsStore store(SettingsStore::Access::Read);
    for (std::string_view provider : ProviderCatalogue) {
        const ProviderRead read = store.Read(std::string(provider));
        ReportWarnings(read.provider, read.warnings);
        if (read.outcome == ProviderRead::Outcome::Failed) {
            ReportFailure(read.provider + ": " + read.message + "; nothing was exported");
            return kExitFailed;
        }
        if (read.outcome == ProviderRead::Outcome::NotConfigured) {
            if (!invocation.quiet) {
                ReportFailure(read.provider +
                              " is not configured and is left out: " + read.message);
            }
            continue;
        }
        configured.push_back({read.provider, read.settings});
    }
    if (configured.empty()) {
        ReportFailure("no provider is configured; nothing was exported");
        return kExitNotConfigured;
    }
    const ExportTarget target =
        invocation.for32BitWindows ? ExportTarget::Windows32 : SettingsStore::NativeTarget();
    if (invocation.file.empty() || invocation.file == "-") {
        std::cout << SettingsStore::Export(configured, target);
        return FlushStandardOutput();
    }
    try {
        SettingsStore::ExportTo(invocation.file, configured, target);
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &failure) {
        ReportFailure(std::string(failure.what()) + "; nothing was exported");
        return kExitFailed;
    }
    return kExitOk;
}

int RunImport(const Invocation &invocation) {
    std::vector<ProviderSettings> providers;
    try {
        providers = SettingsStore::ImportFrom(invocation.file);
    } catch (const ESettingsFileError &failure) {
        return RefuseRun(kExitUsage, "invalid file",
                         std::string(failure.what()) + "; nothing was imported", invocation.json);
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &failure) {
        return RefuseRun(kExitFailed, "failed",
                         std::string(failure.what()) + "; nothing was imported", invocation.json);
    }
    if (providers.empty()) {
        return RefuseRun(kExitUsage, "invalid file",
                         invocation.file +
                             " holds no Tessaport provider settings; nothing was imported",
                         invocation.json);
    }
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    const auto reportFailure = [&](const std::string &provider, std::string_view word,
                                   const std::string &message,
                                   const std::vector<std::string> &warnings) {
        ReportWarnings(provider, warnings);
        if (invocation.json) {
            document[provider] = FailureEntry(word, message);
            AddWarnings(document[provider], warnings);
        } else {
            FlushStandardOutput();
            ReportFailure(provider + ": " + message);
        }
    };
    // Each provider is one save, as in the window, in the catalogue's order. A failed save stops
    // the import: the providers saved before it stay saved, those after it are left as they were.
    int status = kExitOk;
    SettingsStore store(invocation.check ? SettingsStore::Access::Read
                                         : SettingsStore::Access::Update);
    for (std::size_t i = 0; i < providers.size(); ++i) {
        const ProviderSettings &entry = providers[i];
        const SettingsWarnings warnings;
        try {
            const SettingsChange change = invocation.check
                                              ? store.Check(entry.provider, entry.settings)
                                              : store.Update(entry.provider, entry.settings);
            ReportWarnings(entry.provider, warnings.Notices());
            if (invocation.json) {
                document[entry.provider] = ChangeEntry(change, entry.settings, invocation.check);
                AddWarnings(document[entry.provider], warnings.Notices());
            } else if (!invocation.quiet) {
                std::cout << entry.provider << ": " << ChangeWord(change, invocation.check) << "\n";
                if (invocation.check) {
                    PrintChangedValues(std::cout, change, entry.settings);
                }
            }
        } catch (const std::bad_alloc &) {
            throw;
        } catch (const ESettingsSavedUnconfirmed &failure) {
            // In place: the next provider is still worth saving.
            reportFailure(entry.provider, "changed, unconfirmed", FailureText(failure),
                          warnings.Notices());
            status = kExitUnconfirmed;
        } catch (const std::exception &failure) {
            reportFailure(entry.provider, "failed",
                          FailureText(failure) + NotImported(providers, i + 1), warnings.Notices());
            status = kExitFailed;
            break;
        }
    }
    if (invocation.json) {
        PrintJson(document);
    }
    return WorseExitStatus(status, FlushStandardOutput());
}

} // namespace tessaport
