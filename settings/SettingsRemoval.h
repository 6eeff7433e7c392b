#pragma once

#include <string>

namespace tessaport {

// Removes a provider's settings, as `reg delete` removes a key: the provider's key and its
// values, nothing else.
class SettingsRemoval {
public:
    // Deletes the provider's key with the rights that a save needs: false when there was none.
    // Raises ESettingsStoreError ("Registry Not Deleted!!", with the reason) when the key cannot
    // be opened for full access, ERegistryError when it cannot be deleted (it has subkeys, or
    // the registry is damaged), and ESettingsSavedUnconfirmed when it is gone but that was not
    // confirmed on disk.
    static bool Delete(const std::string &provider);
    // Whether Delete would delete a key, with only the right to read; changes nothing.
    static bool WouldDelete(const std::string &provider);
};

} // namespace tessaport
