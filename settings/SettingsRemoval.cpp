#include "SettingsRemoval.h"

#include "ERegistryUnconfirmedWrite.h"
#include "ESettingsSavedUnconfirmed.h"
#include "SettingsReader.h"
#include "SettingsStore.h"
#include "TRegistry.h"

namespace tessaport {

bool SettingsRemoval::Delete(const std::string &provider) {
    const std::string key = SettingsStore::KeyPathFor(provider);
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);
    // Opened as a save opens it: whoever may not save the settings may not delete them either.
    if (!registry.OpenKey(key, false)) {
        const std::string reason = registry.OpenFailure();
        if (!registry.KeyExists(key)) {
            return false;
        }
        throw ESettingsStoreError("Registry Not Deleted!!", reason);
    }
    registry.CloseKey();
    try {
        return registry.DeleteKey(key);
    } catch (const ERegistryUnconfirmedWrite &failure) {
        throw ESettingsSavedUnconfirmed(failure.what());
    }
}

bool SettingsRemoval::WouldDelete(const std::string &provider) {
    TRegistry registry(kKeyRead);
    registry.RootKey(kHKeyLocalMachine);
    return SettingsReader::OpenProviderKey(registry, provider);
}

} // namespace tessaport
