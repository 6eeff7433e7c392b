// export and import: the providers' settings as a .reg file.
#include "ChangeReport.h"
#include "Commands.h"
#include "ESettingsFileError.h"
#include "ESettingsSavedUnconfirmed.h"
#include "ExitStatus.h"
#include "Output.h"
#include "SettingsFile.h"
#include "SettingsUpdate.h"

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

} // namespace

int RunExport(const Invocation &invocation) {
    std::vector<ProviderSettings> configured;
    for (std::string_view provider : ProviderCatalogue) {
        const ProviderRead read = ReadProvider(std::string(provider));
        if (read.status == kExitFailed) {
            ReportFailure(read.provider + ": " + read.message + "; nothing was exported");
            return kExitFailed;
        }
        if (read.status == kExitNotConfigured) {
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
    const std::string text =
        SettingsFile::Export(configured, invocation.for32BitWindows ? ExportTarget::Windows32
                                                                    : SettingsFile::NativeTarget());
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
    // Before anything is saved: one JSON document, or a line on standard error.
    const auto refuse = [&](int status, std::string_view word, const std::string &message) {
        if (invocation.json) {
            PrintJson(FailureEntry(word, message));
            FlushStandardOutput();
        } else {
            ReportFailure(message);
        }
        return status;
    };
    const std::optional<std::string> bytes = ReadWholeFile(invocation.file);
    if (!bytes) {
        return refuse(kExitFailed, "failed", "cannot read " + invocation.file + SystemReason());
    }
    std::vector<ProviderSettings> providers;
    try {
        providers = SettingsFile::Import(*bytes, invocation.file);
    } catch (const ESettingsFileError &failure) {
        return refuse(kExitUsage, "invalid file",
                      std::string(failure.what()) + "; nothing was imported");
    }
    if (providers.empty()) {
        return refuse(kExitUsage, "invalid file",
                      invocation.file +
                          " holds no Tessaport provider settings; nothing was imported");
    }
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    const auto reportFailure = [&](const std::string &provider, std::string_view word,
                                   const std::exception &failure) {
        if (invocation.json) {
            document[provider] = FailureEntry(word, FailureText(failure));
        } else {
            FlushStandardOutput();
            ReportFailure(provider + ": " + FailureText(failure));
        }
    };
    // Each provider is one save, as in the window.
    int status = kExitOk;
    for (const ProviderSettings &entry : providers) {
        try {
            const SettingsChange change =
                invocation.check ? SettingsUpdate::Check(entry.provider, entry.settings)
                                 : SettingsUpdate::Apply(entry.provider, entry.settings);
            if (invocation.json) {
                document[entry.provider] = ChangeEntry(change, entry.settings, invocation.check);
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
            reportFailure(entry.provider, "changed, unconfirmed", failure);
            status = kExitUnconfirmed;
        } catch (const std::exception &failure) {
            reportFailure(entry.provider, "failed", failure);
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
