#include "SettingsReader.h"

#include "ERegistryError.h"
#include "ESettingsNotConfigured.h"
#include "SettingsStore.h"

namespace tessaport {

bool SettingsReader::OpenProviderKey(TRegistry &registry, const std::string &provider) {
    const std::string key = SettingsStore::KeyPathFor(provider);
    if (registry.OpenKey(key, false)) {
        return true;
    }
    const std::string reason = registry.OpenFailure();
    bool exists = true;
    try {
        exists = registry.KeyExists(key);
    } catch (const ERegistryError &) {
        // Whoever may not look cannot tell either: the reason above says why.
    }
    if (exists) {
        throw ESettingsStoreError("Registry Not Found!!", reason);
    }
    return false;
}

DriverSettings SettingsReader::Read(const std::string &provider) {
    TRegistry registry(kKeyRead);
    registry.RootKey(kHKeyLocalMachine);
    if (!OpenProviderKey(registry, provider)) {
        throw ESettingsNotConfigured("Registry Not Found!!", registry.OpenFailure());
    }
    DriverSettings settings;
    for (const SettingField &field : SettingFields) {
        const std::string name(field.valueName);
        try {
            settings.*field.member = registry.ReadInteger(name);
        } catch (const ERegistryError &failure) {
            if (!registry.ValueExists(name)) {
                throw ESettingsNotConfigured(failure.what());
            }
            throw;
        }
    }
    return settings;
}

} // namespace tessaport
