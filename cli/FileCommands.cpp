// export and import: the providers' settings as a .reg file.
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
            ReportFailure(read.provider + " is not configured and is left out: " + read.message);
            continue;
        }
        configured.push_back({read.provider, read.settings});
    }
    if (configured.empty()) {
        ReportFailure("no provider is configured; nothing was exported");
        return kExitNotConfigured;
    }
    if (invocation.file.empty() || invocation.file == "-") {
        std::cout << SettingsStore::Export(configured);
        return FlushStandardOutput();
    }
    try {
        SettingsStore::ExportTo(invocation.file, configured);
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
        ReportFailure(std::string(failure.what()) + "; nothing was imported");
        return kExitUsage;
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &failure) {
        ReportFailure(std::string(failure.what()) + "; nothing was imported");
        return kExitFailed;
    }
    if (providers.empty()) {
        ReportFailure(invocation.file +
                      " holds no Tessaport provider settings; nothing was imported");
        return kExitUsage;
    }
    // Each provider is one save, as in the window, in the catalogue's order. A failed save stops
    // the import: the providers saved before it stay saved, those after it are left as they were.
    int status = kExitOk;
    SettingsStore store(SettingsStore::Access::Update);
    for (std::size_t i = 0; i < providers.size(); ++i) {
        const ProviderSettings &entry = providers[i];
        const SettingsWarnings warnings;
        try {
            const SettingsChange change = store.Update(entry.provider, entry.settings);
            ReportWarnings(entry.provider, warnings.Notices());
            std::cout << entry.provider << ": " << (change.changed ? "changed" : "unchanged")
                      << "\n";
        } catch (const std::bad_alloc &) {
            throw;
        } catch (const ESettingsSavedUnconfirmed &failure) {
            // In place: the next provider is still worth saving.
            FlushStandardOutput();
            ReportWarnings(entry.provider, warnings.Notices());
            ReportFailure(entry.provider + ": " + FailureText(failure));
            status = kExitUnconfirmed;
        } catch (const std::exception &failure) {
            FlushStandardOutput();
            ReportWarnings(entry.provider, warnings.Notices());
            ReportFailure(entry.provider + ": " + FailureText(failure) +
                          NotImported(providers, i + 1));
            return kExitFailed;
        }
    }
    return WorseExitStatus(status, FlushStandardOutput());
}

} // namespace tessaport
