#include "Invocation.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaport {
namespace {

bool IsOption(const std::string &arg) {
    return arg.size() > 1 && arg.front() == '-';
}

bool IsHelpOption(const std::string &arg) {
#ifdef _WIN32
    // How one asks a Windows program for help.
    if (arg == "/?") {
        return true;
    }
#endif
    return arg == "-h" || arg == "--help";
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

std::string Provider(const std::string &name) {
    const std::optional<std::string_view> provider = CatalogueProviderFor(name);
    if (!provider) {
        throw EUsageError("unknown provider \"" + name + "\"");
    }
    return std::string(*provider);
}

DriverSettings Settings(const std::vector<std::string> &values) {
    DriverSettings settings;
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        const SettingField &field = SettingFields[i];
        const std::optional<std::int32_t> position = ParsePosition(values[i], field);
        if (!position) {
            throw EUsageError(std::string(field.label) + " must be a whole number from 0 to " +
                              std::to_string(field.entryCount - 1) + ", not \"" + values[i] + "\"");
        }
        settings.*field.member = *position;
    }
    return settings;
}

struct CommandSyntax {
    std::string_view name;
    Command command;
    std::size_t minOperands;
    std::size_t maxOperands;
    bool takesJson;
    bool takesCheck;
    std::string_view operandsText; // for the message when the count is wrong
};

constexpr CommandSyntax kCommands[] = {
    {"get", Command::Get, 0, 1, true, false, "at most a provider"},
    {"set", Command::Set, 4, 4, true, true, "a provider and three values"},
    {"export", Command::Export, 0, 1, false, false, "at most a file"},
    {"import", Command::Import, 1, 1, false, false, "one file"},
};

} // namespace

Invocation ParseCommandLine(const std::vector<std::string> &args) {
    if (args.size() == 1 && IsHelpOption(args[0])) {
        return Invocation{};
    }
    Invocation invocation;
    if (args.size() == 1 && args[0] == "--version") {
        invocation.command = Command::Version;
        return invocation;
    }
    if (args.empty()) {
        throw EUsageError("expected a command");
    }
    if (IsOption(args[0])) {
        throw EUsageError("unknown option \"" + args[0] + "\"");
    }
    const CommandSyntax *syntax = nullptr;
    for (const CommandSyntax &candidate : kCommands) {
        syntax = candidate.name == args[0] ? &candidate : syntax;
    }
    if (syntax == nullptr) {
        throw EUsageError("unknown command \"" + args[0] + "\"");
    }
    invocation.command = syntax->command;
    std::vector<std::string> operands;
    for (auto arg = args.begin() + 1; arg != args.end(); ++arg) {
        if (*arg == "--json" && syntax->takesJson) {
            invocation.json = true;
        } else if (*arg == "--check" && syntax->takesCheck) {
            invocation.check = true;
        } else if (IsOption(*arg)) {
            throw EUsageError("unknown option \"" + *arg + "\" for " + args[0]);
        } else {
            operands.push_back(*arg);
        }
    }
    if (operands.size() < syntax->minOperands || operands.size() > syntax->maxOperands) {
        throw EUsageError(args[0] + " takes " + std::string(syntax->operandsText));
    }
    switch (invocation.command) {
    case Command::Get:
        for (const std::string &name : operands) {
            invocation.providers.push_back(Provider(name));
        }
        invocation.everyProvider = operands.empty();
        if (operands.empty()) {
            invocation.providers.assign(ProviderCatalogue.begin(), ProviderCatalogue.end());
        }
        break;
    case Command::Set:
        invocation.providers.push_back(Provider(operands[0]));
        invocation.settings = Settings({operands.begin() + 1, operands.end()});
        break;
    default:
        invocation.file = operands.empty() ? std::string() : operands[0];
        break;
    }
    return invocation;
}

} // namespace tessaport
