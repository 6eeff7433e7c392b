// tessaport-reg: reads and writes the driver settings from scripts, through the same store as the
// configuration window.
#include "DriverSettings.h"
#include "ERegistryUnconfirmedWrite.h"
#include "SettingsLocation.h"
#include "SettingsStore.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using namespace tessaport;

constexpr int kExitOk = 0;
constexpr int kExitStoreFailed = 1;
constexpr int kExitUsage = 2;
// Not a failure: the new settings are in place, only their reaching the disk is unconfirmed.
constexpr int kExitUnconfirmed = 5;

std::string CatalogueText() {
    std::string text;
    for (std::string_view provider : ProviderCatalogue) {
        text += text.empty() ? "" : ", ";
        text += provider;
    }
    return text;
}

constexpr std::string_view kProgram = "tessaport-reg";

void PrintSynopsis(std::ostream &out) {
    out << "usage: " << kProgram << " get PROVIDER\n"
        << "       " << kProgram << " set PROVIDER CARDS DI DO\n"
        << "       " << kProgram << " --help | --version\n";
}

void PrintHelp(std::ostream &out) {
    PrintSynopsis(out);
    out << "\nReads or writes one card provider's Tessaport driver settings.\n\n"
           "commands:\n"
           "  get PROVIDER               print the three settings as NAME=VALUE lines\n"
           "  set PROVIDER CARDS DI DO   write all three settings at once\n\n"
           "PROVIDER is one of: "
        << CatalogueText() << "\n";
    for (const SettingField &field : SettingFields) {
        out << field.label << ": 0 to " << field.entryCount - 1 << "\n";
    }
    out << "\nsettings: HKEY_LOCAL_MACHINE\\" << SettingsStore::KeyPrefix << "PROVIDER,\n  "
        << DescribeSettingsLocation()
        << "\n\nexit status:\n"
           "  0  success\n"
           "  1  the registry could not be read or written, or the output not printed\n"
           "     (the reason is printed)\n"
           "  2  usage error, or a value outside its list\n"
           "  5  set: the new settings are in place, but could not be confirmed to have\n"
           "     reached the disk (the reason is printed)\n";
}

void PrintVersion(std::ostream &out) {
    out << kProgram << " (TessaportConfig) " << TESSAPORT_VERSION
        << "\nReleased under the MIT License.\n";
}

int UsageError(const std::string &message) {
    std::cerr << kProgram << ": " << message << "\n";
    PrintSynopsis(std::cerr);
    std::cerr << "Try '" << kProgram << " --help' for more information.\n";
    return kExitUsage;
}

// Help and version go to standard output, so a failed write there is a failure too.
int Print(void (*print)(std::ostream &)) {
    print(std::cout);
    std::cout.flush();
    return std::cout ? kExitOk : kExitStoreFailed;
}

// One of the field's list entries: a decimal numeral in [0, field.entryCount) written as the
// list writes it, without sign or leading zeros.
std::optional<std::int32_t> ParsePosition(std::string_view text, const SettingField &field) {
    // from_chars would take a minus sign, and "-0" as 0.
    if ((text.size() > 1 && text.front() == '0') || text.starts_with('-')) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const char *end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0 ||
        value >= field.entryCount) {
        return std::nullopt;
    }
    return value;
}

int Get(const std::string &provider) {
    const DriverSettings settings = SettingsStore::ReadDriverSettings(provider);
    for (const SettingField &field : SettingFields) {
        std::cout << field.valueName << '=' << settings.*field.member << '\n';
    }
    std::cout.flush();
    if (!std::cout) {
        const int error = errno;
        std::cerr << "tessaport-reg: cannot write the settings to standard output"
                  << (error != 0 ? std::string(": ") + std::strerror(error) : std::string())
                  << "\n";
        return kExitStoreFailed;
    }
    return kExitOk;
}

int Set(const std::string &provider, const std::vector<std::string> &values) {
    DriverSettings settings;
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        const SettingField &field = SettingFields[i];
        const std::optional<std::int32_t> position = ParsePosition(values[i], field);
        if (!position) {
            return UsageError(std::string(field.label) + " must be a whole number from 0 to " +
                              std::to_string(field.entryCount - 1) + ", not \"" + values[i] + "\"");
        }
        settings.*field.member = *position;
    }
    SettingsStore::WriteDriverSettings(provider, settings);
    return kExitOk;
}

int Run(const std::vector<std::string> &args) {
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
        return Print(PrintHelp);
    }
    if (args.size() == 1 && args[0] == "--version") {
        return Print(PrintVersion);
    }
    if (!args.empty() && args[0].size() > 1 && args[0].front() == '-') {
        return UsageError("unknown option \"" + args[0] + "\"");
    }
    if (args.size() < 2) {
        return UsageError("expected a command and a provider");
    }
    const std::string &command = args[0];
    const std::string &provider = args[1];
    if (command != "get" && command != "set") {
        return UsageError("unknown command \"" + command + "\"");
    }
    if (!IsCatalogueProvider(provider)) {
        return UsageError("unknown provider \"" + provider + "\"");
    }
    if (command == "get") {
        return args.size() == 2 ? Get(provider) : UsageError("get takes only a provider");
    }
    if (args.size() != 2 + SettingFields.size()) {
        return UsageError("set takes a provider and three values");
    }
    return Set(provider, {args.begin() + 2, args.end()});
}

// A standard stream that was closed must not be reused by the next file opened, such as the
// hive's temporary file: it is filled with /dev/null, opened for reading, so that writing to the
// stream still fails and is reported.
void OccupyClosedStandardStreams() {
#ifndef _WIN32
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            ::open("/dev/null", O_RDONLY);
        }
    }
#endif
}

} // namespace

int main(int argc, char **argv) {
    OccupyClosedStandardStreams();
    try {
        return Run({argv + 1, argv + argc});
    } catch (const ESettingsStoreError &failure) {
        std::cerr << "tessaport-reg: " << failure.what()
                  << (failure.Reason().empty() ? "" : " (" + failure.Reason() + ")") << "\n";
        return kExitStoreFailed;
    } catch (const ERegistryUnconfirmedWrite &failure) {
        std::cerr << kProgram << ": " << failure.what() << "\n";
        return kExitUnconfirmed;
    } catch (const std::exception &failure) {
        std::cerr << kProgram << ": " << failure.what() << "\n";
        return kExitStoreFailed;
    }
}
