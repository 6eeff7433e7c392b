#include "SettingsStore.h"

#include "ERegistryUnconfirmedWrite.h"
#include "ESettingsSavedUnconfirmed.h"
#include "TRegistry.h"

#include <string>

namespace tessaport {

DriverSettings SettingsStore::ReadDriverSettings(const std::string &provider) {
    // Full access even for reading: without write rights the settings count as not found.
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);
    if (!registry.OpenKey(KeyPathFor(provider), false)) {
        throw ESettingsStoreError("Registry Not Found!!", registry.OpenFailure());
    }
    DriverSettings settings;
    for (const SettingField &field : SettingFields) {
        settings.*field.member = registry.ReadInteger(std::string(field.valueName));
    }
    return settings;
}

void SettingsStore::WriteDriverSettings(const std::string &provider,
                                        const DriverSettings &settings) {
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);
    if (!registry.OpenKey(KeyPathFor(provider), true)) {
        throw ESettingsStoreError("Registry Not Created!!", registry.OpenFailure());
    }
    for (const SettingField &field : SettingFields) {
        registry.WriteInteger(std::string(field.valueName), settings.*field.member);
    }
    CloseAfterWriting(registry);
}

void SettingsStore::CloseAfterWriting(TRegistry &registry) {
    try {
        registry.CloseKey();
    } catch (const ERegistryUnconfirmedWrite &failure) {
        throw ESettingsSavedUnconfirmed(failure.what());
    }
}

} // namespace tessaport
