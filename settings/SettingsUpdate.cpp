#include "SettingsUpdate.h"

#include "ERegistryError.h"
#include "SettingsReader.h"
#include "SettingsStore.h"
#include "TRegistry.h"

namespace tessaport {
namespace {

// A value of another type counts as absent: the update replaces it.
StoredValues ReadStored(TRegistry &registry) {
    StoredValues stored;
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        try {
            stored[i] = registry.ReadInteger(std::string(SettingFields[i].valueName));
        } catch (const ERegistryError &) {
            stored[i] = std::nullopt;
        }
    }
    return stored;
}

bool Differs(const StoredValues &stored, const DriverSettings &settings) {
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        if (stored[i] != settings.*SettingFields[i].member) {
            return true;
        }
    }
    return false;
}

} // namespace

SettingsChange SettingsUpdate::Apply(const std::string &provider, const DriverSettings &settings) {
    TRegistry registry(kKeyAllAccess);
    registry.RootKey(kHKeyLocalMachine);
    if (!registry.OpenKey(SettingsStore::KeyPathFor(provider), true)) {
        throw ESettingsStoreError("Registry Not Created!!", registry.OpenFailure());
    }
    SettingsChange change{ReadStored(registry), false};
    change.changed = Differs(change.previous, settings);
    if (change.changed) {
        for (const SettingField &field : SettingFields) {
            registry.WriteInteger(std::string(field.valueName), settings.*field.member);
        }
    }
    // Unchanged, the key existed already: closing it writes nothing.
    SettingsStore::CloseAfterWriting(registry);
    return change;
}

SettingsChange SettingsUpdate::Check(const std::string &provider, const DriverSettings &settings) {
    TRegistry registry(kKeyRead);
    registry.RootKey(kHKeyLocalMachine);
    SettingsChange change;
    if (SettingsReader::OpenProviderKey(registry, provider)) {
        change.previous = ReadStored(registry);
    }
    change.changed = Differs(change.previous, settings);
    return change;
}

} // namespace tessaport
