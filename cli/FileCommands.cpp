// export and import: the providers' settings as a .reg file.
#include "Commands.h"
#include "ExitStatus.h"
#include "Output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <optional>

namespace tessaport {
namespace {

using FileHandle = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

std::string SystemReason() {
    return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string();
}

std::optional<std::string> ReadWholeFile(const std::string &path) {
    errno = 0;
    const FileHandle file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[1 << 16];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.append(buffer, count);
    }
    if (std::ferror(file.get()) != 0) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteWholeFile(const std::string &path, const std::string &bytes) {
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    // The close reports what the writes left in the buffer.
    return std::fclose(file.release()) == 0 && written;
}

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
    const std::string text = SettingsStore::Export(configured);
    if (invocation.file.empty() || invocation.file == "-") {
        std::cout << text;
        return FlushStandardOutput();
    }
    if (!WriteWholeFile(invocation.file, text)) {
        ReportFailure("cannot write " + invocation.file + SystemReason());
        return kExitFailed;
    }
    return kExitOk;
}

int RunImport(const Invocation &invocation) {
    const std::optional<std::string> bytes = ReadWholeFile(invocation.file);
    if (!bytes) {
        ReportFailure("cannot read " + invocation.file + SystemReason());
        return kExitFailed;
    }
    std::vector<ProviderSettings> providers;
    try {
        providers = SettingsStore::Import(*bytes, invocation.file);
    } catch (const ESettingsFileError &failure) {
        ReportFailure(std::string(failure.what()) + "; nothing was imported");
        return kExitUsage;
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
        try {
            const SettingsChange change = store.Update(entry.provider, entry.settings);
            std::cout << entry.provider << ": " << (change.changed ? "changed" : "unchanged")
                      << "\n";
        } catch (const std::bad_alloc &) {
            throw;
        } catch (const ESettingsSavedUnconfirmed &failure) {
            // In place: the next provider is still worth saving.
            FlushStandardOutput();
            ReportFailure(entry.provider + ": " + FailureText(failure));
            status = kExitUnconfirmed;
        } catch (const std::exception &failure) {
            FlushStandardOutput();
            ReportFailure(entry.provider + ": " + FailureText(failure) +
                          NotImported(providers, i + 1));
            return kExitFailed;
        }
    }
    return WorseExitStatus(status, FlushStandardOutput());
}

} // namespace tessaport
