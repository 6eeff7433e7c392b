#pragma once

#include "DriverSettings.h"
#include "TRegistry.h"

#include <string>

namespace tessaport {

// Reads a provider's settings with only the right to read, for the command-line tool: a user
// who may read the registry but not write it can still see the settings. The window keeps the
// store's full access.
class SettingsReader {
public:
    // Opens the provider's key with `registry`: false when the key does not exist. Raises
    // ESettingsStoreError ("Registry Not Found!!", with the reason) when it exists, or may exist,
    // but cannot be opened, and ERegistryError when the registry is damaged.
    static bool OpenProviderKey(TRegistry &registry, const std::string &provider);

    // The three values. Raises ESettingsNotConfigured when the key or a value is missing, with
    // the store's or the registry's own message; other failures as OpenProviderKey and
    // TRegistry::ReadInteger raise them.
    static DriverSettings Read(const std::string &provider);
};

} // namespace tessaport
