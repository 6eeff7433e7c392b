#include "Usage.h"

#include "DriverSettings.h"
#include "ExitStatus.h"
#include "SettingsStore.h"

#include <string>

namespace tessaport {
namespace {

std::string CatalogueText() {
    std::string text;
    for (std::string_view provider : ProviderCatalogue) {
        text += text.empty() ? "" : ", ";
        text += provider;
    }
    return text;
}

} // namespace

void PrintSynopsis(std::ostream &out) {
    out << "usage: " << kProgram << " get [--json] [PROVIDER]\n"
        << "       " << kProgram << " set [--json] [--check] PROVIDER CARDS DI DO\n"
        << "       " << kProgram << " export [FILE]\n"
        << "       " << kProgram << " import FILE\n"
        << "       " << kProgram << " --help | --version\n";
}

void PrintHelp(std::ostream &out) {
    PrintSynopsis(out);
    out << "\nReads or writes the card providers' Tessaport driver settings.\n\n"
           "commands:\n"
           "  get PROVIDER               print the three settings as NAME=VALUE lines\n"
           "  get                        the same for every provider, each after a\n"
           "                             [PROVIDER] line\n"
           "  set PROVIDER CARDS DI DO   write all three settings at once; prints\n"
           "                             \"changed\", or \"unchanged\" when they were so\n"
           "  export [FILE]              write the providers' settings as a .reg file,\n"
           "                             to standard output without FILE or with -\n"
           "  import FILE                write the providers' settings that a .reg file\n"
           "                             holds (UTF-16 or 8-bit, with or without\n"
           "                             Wow6432Node); one line \"PROVIDER: changed\" or\n"
           "                             \"PROVIDER: unchanged\" each. A bad value in it\n"
           "                             refuses the whole file; a failed save stops\n"
           "                             there, keeping the providers saved before it.\n"
           "                             FILE - reads standard input\n\n"
           "options:\n"
           "  --json    get, set: print one JSON object holding an object per provider:\n"
           "            \"status\", the three values, or \"message\" for a failure\n"
           "  --check   set: write nothing; print \"would change\" and the values that\n"
           "            would, or \"unchanged\"\n\n"
           "PROVIDER is one of: "
        << CatalogueText() << " (in any case)\n";
    for (const SettingField &field : SettingFields) {
        out << field.label << ": 0 to " << field.entryCount - 1 << "\n";
    }
    out << "\nsettings: HKEY_LOCAL_MACHINE\\" << SettingsStore::KeyPathFor("PROVIDER") << ",\n  "
        << SettingsStore::DescribeLocation()
        << "\nget and export need only the right to read them.\n"
        << "\nexit status:\n"
        << "  " << kExitOk << "  success\n"
        << "  " << kExitFailed
        << "  the registry could not be read or written (rights, a damaged file,\n"
           "     a value of another type), a file not read or written, or the output\n"
           "     not printed (the reason is printed)\n"
        << "  " << kExitUsage
        << "  usage error, or a value outside its list (in a file to import too:\n"
           "     nothing is imported), or a file to import over 256 MiB\n"
        << "  " << kExitNotConfigured
        << "  get, export: not configured (a provider's key or one of its values\n"
           "     is missing)\n"
        << "  " << kExitUnconfirmed
        << "  set, import: the new settings are in place, but could not be confirmed\n"
           "     to have reached the disk (the reason is printed)\n";
}

void PrintVersion(std::ostream &out) {
    out << kProgram << " (TessaportConfig) " << TESSAPORT_VERSION
        << "\nReleased under the MIT License.\n";
}

} // namespace tessaport
