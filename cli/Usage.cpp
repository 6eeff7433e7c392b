#include "Usage.h"

#include "DriverSettings.h"
#include "ExitStatus.h"
#include "SettingsStore.h"

#include <string>

namespace tessaport {
namespace {

struct CommandHelp {
    Command command;
    std::string_view synopsis;
    std::string_view description; // lines indented by two
    std::string_view options;     // the command's own options
};

constexpr CommandHelp kCommandHelp[] = {
    {Command::Get, "get [--json] [-q] [PROVIDER]",
     "  get PROVIDER               print the three settings as NAME=VALUE lines\n"
     "  get                        the same for every provider, each after a\n"
     "                             [PROVIDER] line; \"not configured\" for one\n"
     "                             never configured\n",
     "  --json    one JSON object holding an object per provider: \"status\" and\n"
     "            the three values, or \"message\" with the reason\n"},
    {Command::Set, "set [--json] [--check] [-q] PROVIDER CARDS DI DO",
     "  set PROVIDER CARDS DI DO   write all three settings at once; prints\n"
     "                             \"changed\", or \"unchanged\" when they were so\n",
     "  --json    one JSON object holding the provider's object: \"status\", the\n"
     "            three values and the \"previous\" ones, or \"message\"\n"
     "  --check   write nothing; print \"would change\" and the values that\n"
     "            would, or \"unchanged\"\n"},
    {Command::Delete, "delete [--json] [--check] [-q] PROVIDER",
     "  delete PROVIDER            remove the provider's key and its settings,\n"
     "                             with the rights that set needs; prints\n"
     "                             \"deleted\", or \"unchanged\" when there was none\n",
     "  --json    one JSON object holding the provider's object: \"status\", or\n"
     "            \"message\"\n"
     "  --check   delete nothing; print \"would delete\" or \"unchanged\"\n"},
    {Command::Export, "export [--32-bit-windows] [-q] [FILE]",
     "  export [FILE]              write the configured providers' settings as a\n"
     "                             .reg file, to standard output without FILE or\n"
     "                             with -; Windows' own reg import and regedit\n"
     "                             put it where the driver reads\n",
     "  --32-bit-windows  keys for 32-bit Windows; without it the keys are for\n"
     "            this system (Windows) or 64-bit Windows (elsewhere), under\n"
     "            WOW6432Node where the driver's 32-bit view is there\n"
     "  -q, --quiet  no note for a provider left out\n"},
    {Command::Import, "import [--json] [--check] [-q] FILE",
     "  import FILE                write the providers' settings that a .reg file\n"
     "                             holds (UTF-16 or 8-bit, with or without\n"
     "                             WOW6432Node), from standard input with -; one\n"
     "                             line \"PROVIDER: changed\" or \"PROVIDER:\n"
     "                             unchanged\" each. A bad value in it refuses the\n"
     "                             whole file; a failed save stops there, keeping\n"
     "                             the providers saved before it\n",
     "  --json    one JSON object holding an object per provider, as set prints\n"
     "  --check   write nothing; print \"PROVIDER: would change\" and the values\n"
     "            that would, or \"PROVIDER: unchanged\"\n"},
};

std::string CatalogueText() {
    std::string text;
    for (std::string_view provider : ProviderCatalogue) {
        text += text.empty() ? "" : ", ";
        text += provider;
    }
    return text;
}

void PrintProvidersAndLists(std::ostream &out) {
    out << "PROVIDER is one of: " << CatalogueText() << " (in any case)\n";
    for (const SettingField &field : SettingFields) {
        out << field.label << ": 0 to " << field.entryCount - 1 << "\n";
    }
}

constexpr std::string_view kQuiet = "  -q, --quiet  print nothing on success\n";
constexpr std::string_view kCommonOptions =
    "  --        end of the options: what follows is an operand\n"
    "  --help    this command's help\n";

void PrintCommandHelp(std::ostream &out, const CommandHelp &help) {
    out << "usage: " << kProgram << " " << help.synopsis << "\n\n"
        << help.description << "\noptions:\n"
        << help.options << (help.command == Command::Export ? "" : kQuiet) << kCommonOptions
        << "\n";
    if (help.command != Command::Export && help.command != Command::Import) {
        PrintProvidersAndLists(out);
    }
    out << "\nSee '" << kProgram << " --help' for the exit statuses.\n";
}

// The usage lines of every command.
void PrintSynopsis(std::ostream &out) {
    std::string_view lead = "usage: ";
    for (const CommandHelp &help : kCommandHelp) {
        out << lead << kProgram << " " << help.synopsis << "\n";
        lead = "       ";
    }
    out << lead << kProgram << " COMMAND --help\n" << lead << kProgram << " --help | --version\n";
}

} // namespace

void PrintHelp(std::ostream &out, Command topic) {
    for (const CommandHelp &help : kCommandHelp) {
        if (help.command == topic) {
            PrintCommandHelp(out, help);
            return;
        }
    }
    PrintSynopsis(out);
    out << "\nReads or writes the card providers' Tessaport driver settings.\n\ncommands:\n";
    for (const CommandHelp &help : kCommandHelp) {
        out << help.description;
    }
    out << "\noptions (each command's own: COMMAND --help):\n"
           "  --json    get, set, delete, import: print one JSON object, whatever the\n"
           "            exit status: an object per provider with \"status\" and the\n"
           "            values or a \"message\"; a run refused as a whole prints\n"
           "            \"status\" and \"message\" alone\n"
           "  --check   set, delete, import: write nothing; say what would change\n"
        << kQuiet << "            (export: no note for a provider left out)\n"
        << kCommonOptions
        << "\n\"status\" in --json: \"ok\", \"not configured\", \"changed\", \"unchanged\",\n"
           "  \"would change\", \"changed, unconfirmed\", \"deleted\", \"would delete\",\n"
           "  \"deleted, unconfirmed\", \"failed\"; for a run refused as a whole:\n"
           "  \"usage error\", \"invalid file\", \"failed\"\n\n";
    PrintProvidersAndLists(out);
    out << "\nsettings: HKEY_LOCAL_MACHINE\\" << SettingsStore::KeyPathFor("PROVIDER") << ",\n  "
        << SettingsStore::DescribeLocation()
        << "\nget and export need only the right to read them.\n"
        << "\nexit status:\n"
        << "  " << kExitOk
        << "  success; get of every provider: each is configured or not configured\n"
        << "  " << kExitFailed
        << "  the registry could not be read or written (rights, a damaged file,\n"
           "     a value of another type), a file not read or written, or the output\n"
           "     not printed (the reason is printed)\n"
        << "  " << kExitUsage
        << "  usage error, or a value outside its list (in a file to import too:\n"
           "     nothing is imported), or a file to import over 256 MiB\n"
        << "  " << kExitNotConfigured
        << "  get PROVIDER: not configured (its key or one of its values is\n"
           "     missing); get, export: no provider is configured\n"
        << "  " << kExitUnconfirmed
        << "  set, import, delete: the change is in place, but could not be confirmed\n"
           "     to have reached the disk (the reason is printed)\n";
}

void PrintVersion(std::ostream &out) {
    out << kProgram << " (TessaportConfig) " << TESSAPORT_VERSION
        << "\nReleased under the MIT License.\n";
}

} // namespace tessaport
