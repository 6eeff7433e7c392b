#include "Invocation.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaport {
namespace {

// A negative number is an operand, so that set refuses it as a value outside its list.
bool IsOption(const std::string &arg) {
    return arg.size() > 1 && arg.front() == '-' && (arg[1] < '0' || arg[1] > '9');
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
    {"delete", Command::Delete, 1, 1, true, true, "a provider"},
    {"export", Command::Export, 0, 1, false, false, "at most a file"},
    {"import", Command::Import, 1, 1, true, true, "one file"},
};

const CommandSyntax &SyntaxOf(const std::string &name) {
    for (const CommandSyntax &candidate : kCommands) {
        if (candidate.name == name) {
            return candidate;
        }
    }
    throw EUsageError("unknown command \"" + name + "\"");
}

// Sets the option that `arg` names; false when the command has no such option.
bool TakeOption(const std::string &arg, const CommandSyntax &syntax, Invocation &invocation) {
    if (arg == "--json" && syntax.takesJson) {
        invocation.json = true;
    } else if (arg == "--check" && syntax.takesCheck) {
        invocation.check = true;
    } else if (arg == "-q" || arg == "--quiet") {
        invocation.quiet = true;
    } else if (arg == "--32-bit-windows" && syntax.command == Command::Export) {
        invocation.for32BitWindows = true;
    } else {
        return false;
    }
    return true;
}

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
    const CommandSyntax &syntax = SyntaxOf(args[0]);
    invocation.command = syntax.command;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (auto arg = args.begin() + 1; arg != args.end(); ++arg) {
        if (!optionsEnded && IsHelpOption(*arg)) {
            // The rest of the line does not matter: the user asks how to write it.
            invocation.helpTopic = syntax.command;
            invocation.command = Command::Help;
            return invocation;
        }
        if (optionsEnded || !IsOption(*arg)) {
            operands.push_back(*arg);
        } else if (*arg == "--") {
            optionsEnded = true;
        } else if (!TakeOption(*arg, syntax, invocation)) {
            throw EUsageError("unknown option \"" + *arg + "\" for " + args[0]);
        }
    }
    if (operands.size() < syntax.minOperands || operands.size() > syntax.maxOperands) {
        throw EUsageError(args[0] + " takes " + std::string(syntax.operandsText));
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
    case Command::Delete:
        invocation.providers.push_back(Provider(operands[0]));
        break;
    default:
        invocation.file = operands.empty() ? std::string() : operands[0];
        break;
    }
    return invocation;
}

bool AsksForJson(const std::vector<std::string> &args) {
    for (const std::string &arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--json") {
            return true;
        }
    }
    return false;
}

} // namespace tessaport
