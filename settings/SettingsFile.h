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

// Which Windows an exported file is for: the key path that lands where the driver reads when
// Windows' own tools import the file (reg import, regedit, a double click).
enum class ExportTarget {
    Windows64, // HKEY_LOCAL_MACHINE\Software\WOW6432Node\...: the 32-bit view
    Windows32, // HKEY_LOCAL_MACHINE\Software\...
};

// The providers' settings as a .reg file, for moving them between machines.
class SettingsFile {
public:
    // The target whose key path reaches where this build keeps the settings: on Windows, this
    // system's; elsewhere 64-bit Windows.
    static ExportTarget NativeTarget();

    // 8-bit text with the version 5 header and CRLF line ends, the keys as `target` needs them.
    // Our import and the file hive read either form as the driver's settings.
    static std::string Export(const std::vector<ProviderSettings> &providers, ExportTarget target);

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
    static void ExportTo(const std::string &path, const std::vector<ProviderSettings> &providers,
                         ExportTarget target);
    static std::vector<ProviderSettings> ImportFrom(const std::string &path);
};

} // namespace tessaport
