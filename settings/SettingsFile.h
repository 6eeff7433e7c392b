#pragma once

#include "DriverSettings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

struct ProviderSettings {
    std::string provider; // the catalogue's spelling
    DriverSettings settings;

    friend bool operator==(const ProviderSettings &, const ProviderSettings &) = default;
};

// The providers' settings as a .reg file, for moving them between machines.
class SettingsFile {
public:
    // 8-bit text with the version 5 header and CRLF line ends, the keys under
    // HKEY_LOCAL_MACHINE\Software without Wow6432Node: what `reg import FILE /reg:32`, our import
    // and the file hive all read as the driver's settings.
    static std::string Export(const std::vector<ProviderSettings> &providers);

    // The provider keys of a .reg file (UTF-16 or 8-bit, either header), in catalogue order,
    // under Software or Software\Wow6432Node; the Wow6432Node key wins where a file holds both.
    // The file is replayed in order, as an importer would. Everything else in it is ignored.
    // Raises ESettingsFileError when any of the three values of a provider key is not a DWORD
    // within its list, or is missing, and when the file does not parse.
    static std::vector<ProviderSettings> Import(std::string_view bytes, const std::string &source);

    // Export written to the file `path` as the registry writes its own, and Import of the file
    // `path` ("-": standard input), read no further than a .reg file may be long. Raise
    // ESettingsFileError for a file too long as for one that cannot be imported, and the
    // registry's own failure, naming the file, for one that cannot be written or read.
    static void ExportTo(const std::string &path, const std::vector<ProviderSettings> &providers);
    static std::vector<ProviderSettings> ImportFrom(const std::string &path);
};

} // namespace tessaport
