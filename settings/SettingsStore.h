#pragma once

#include "DriverSettings.h"
#include "ESettingsError.h"
#include "RegistryNotices.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

class TRegistry;

// Warnings met while the settings are read or written that are no failure (a save another of
// our programs may have left part-done), collected while an object of it lives. The
// command-line tool prints them; the window has none alive and says nothing.
using SettingsWarnings = RegistryNotices;

struct ProviderSettings {
    std::string provider; // the catalogue's spelling
    DriverSettings settings;

    friend bool operator==(const ProviderSettings &, const ProviderSettings &) = default;
};

// A provider's read for the command-line tool: its settings, or why there are none.
struct ProviderRead {
    enum class Outcome { Read, NotConfigured, Failed };

    std::string provider;
    Outcome outcome = Outcome::Failed;
    DriverSettings settings;
    std::string message; // FailureText of what failed
    std::vector<std::string> warnings;
};

// A provider's values as stored before an update, in SettingFields order: nullopt where a value
// is missing or is not a DWORD.
using StoredValues = std::array<std::optional<std::int32_t>, SettingFields.size()>;

// Which Windows an exported file is for: the key path that lands where the driver reads when
// Windows' own tools import the file (reg import, regedit, a double click).
enum class ExportTarget {
    Windows64, // HKEY_LOCAL_MACHINE\Software\WOW6432Node\...: the 32-bit view
    Windows32, // HKEY_LOCAL_MACHINE\Software\...
};

struct SettingsChange {
    StoredValues previous;
    bool changed = false;
};

// The providers' settings under HKEY_LOCAL_MACHINE, in the keys
// "Software\Korvanta\Tessaport\<provider>", and as .reg files for moving them between machines.
//
// The window calls ReadDriverSettings and WriteDriverSettings, each one operation with full
// access. The command-line tool makes one object per command, which reaches the registry once
// for all the providers it reads or updates. Failures are raised: ESettingsStoreError for a key
// that cannot be opened or created, ERegistryError for a value that cannot be read or written.
// A write that took place but was not confirmed on disk raises ESettingsSavedUnconfirmed:
// callers treat it as saved.
class SettingsStore {
public:
    static inline const std::string KeyPrefix = "Software\\Korvanta\\Tessaport\\";

    static std::string KeyPathFor(const std::string &provider) { return KeyPrefix + provider; }
    // Where this build keeps the settings, in words for --help.
    static std::string DescribeLocation();

    // Full access even for reading: without write rights the settings count as not found.
    // `provider` is a non-empty, trimmed name.
    static DriverSettings ReadDriverSettings(const std::string &provider);
    // `provider` is a non-empty, trimmed name and `settings` is complete.
    static void WriteDriverSettings(const std::string &provider, const DriverSettings &settings);

    enum class Access { Read, Update };
    // With Access::Read only the right to read is asked for: a user who may read the registry
    // but not write it can still see the settings.
    explicit SettingsStore(Access access);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // Never raises but for lack of memory: NotConfigured when the key or a value is missing.
    ProviderRead Read(const std::string &provider);
    // Writes all three values at once unless the key holds them already, and says which it was,
    // so that scripts can report "changed" or "unchanged" truthfully. Needs Access::Update;
    // `settings` is complete.
    SettingsChange Update(const std::string &provider, const DriverSettings &settings);
    // What Update would do; writes and creates nothing.
    SettingsChange Check(const std::string &provider, const DriverSettings &settings);
    // Removes the provider's key and its values, nothing else, as `reg delete` does, with the
    // rights a save needs (Access::Update): false when there was none. Raises
    // ESettingsStoreError ("Registry Not Deleted!!", with the reason) when the key cannot be
    // opened for full access, ERegistryError when it cannot be deleted (it has subkeys, or the
    // registry is damaged), and ESettingsSavedUnconfirmed when it is gone but that was not
    // confirmed on disk.
    bool Delete(const std::string &provider);
    // Whether Delete would delete a key; changes nothing.
    bool WouldDelete(const std::string &provider);

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

private:
    std::unique_ptr<TRegistry> registry_;
};

} // namespace tessaport
