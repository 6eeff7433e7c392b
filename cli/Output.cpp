#include "Output.h"

#include "ExitStatus.h"
#include "Usage.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace tessaport {

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
