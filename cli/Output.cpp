#include "Output.h"

#include "ESettingsNotConfigured.h"
#include "ExitStatus.h"
#include "SettingsReader.h"
#include "SettingsStore.h"
#include "SettingsWarnings.h"
#include "Usage.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>

namespace tessaport {

std::string FailureText(const std::exception &failure) {
    const auto *store = dynamic_cast<const ESettingsStoreError *>(&failure);
    if (store != nullptr && !store->Reason().empty()) {
        return std::string(failure.what()) + " (" + store->Reason() + ")";
    }
    return failure.what();
}

void ReportFailure(const std::string &text) {
    std::cerr << kProgram << ": " << text << "\n";
}

int FlushStandardOutput() {
    errno = 0;
    std::cout.flush();
    if (std::cout) {
        return kExitOk;
    }
    const int error = errno;
    ReportFailure("cannot write the settings to standard output" +
                  (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
    return kExitFailed;
}

ProviderRead ReadProvider(const std::string &provider) {
    const SettingsWarnings warnings;
    ProviderRead read{provider, kExitOk, {}, {}, {}};
    try {
        read.settings = SettingsReader::Read(provider);
    } catch (const ESettingsNotConfigured &failure) {
        read.status = kExitNotConfigured;
        read.message = FailureText(failure);
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &failure) {
        read.status = kExitFailed;
        read.message = FailureText(failure);
    }
    read.warnings = warnings.Notices();
    return read;
}

void ReportWarnings(const std::string &provider, const std::vector<std::string> &warnings) {
    for (const std::string &warning : warnings) {
        std::cerr << kProgram << ": warning: " << provider << ": " << warning << "\n";
    }
}

void AddWarnings(nlohmann::ordered_json &object, const std::vector<std::string> &warnings) {
    std::string text;
    for (const std::string &warning : warnings) {
        text += (text.empty() ? "" : "; ") + warning;
    }
    if (!text.empty()) {
        object["warning"] = text;
    }
}

void AddSettings(nlohmann::ordered_json &object, const DriverSettings &settings) {
    for (const SettingField &field : SettingFields) {
        object[std::string(field.valueName)] = settings.*field.member;
    }
}

void PrintJson(const nlohmann::ordered_json &document) {
    std::cout << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
}

} // namespace tessaport
