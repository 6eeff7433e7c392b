#include "SettingsStore.h"

#include "ERegistryError.h"
#include "ERegistryUnconfirmedWrite.h"
#include "ESettingsError.h"
#include "RegistryLocation.h"
#include "TRegistry.h"

#include <new>

namespace tessaport {
namespace {

void OpenToWrite(TRegistry &registry, const std::string &provider) {
    if (!registry.OpenKey(SettingsStore::KeyPathFor(provider), true)) {
        throw ESettingsStoreError("Registry Not Created!!", registry.OpenFailure());
    }
}

// False when the key does not exist. Raises ESettingsStoreError ("Registry Not Found!!", with
// the reason) when it exists, or may exist, but cannot be opened.
bool OpenToRead(TRegistry &registry, const std::string &provider) {
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

void WriteValues(TRegistry &registry, const DriverSettings &settings) {
    for (const SettingField &field : SettingFields) {
        registry.WriteInteger(std::string(field.valueName), settings.*field.member);
    }
}

// Closes a key that was written to: where the registry holds writes until then, they reach it
// here, all or none.
void CloseAfterWriting(TRegistry &registry) {
    try {
        registry.CloseKey();
    } catch (const ERegistryUnconfirmedWrite &failure) {
        throw ESettingsSavedUnconfirmed(failure.what());
    }
}

// A value of another type counts as absent: an update replaces it.
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

std::string SettingsStore::DescribeLocation() {
    return DescribeRegistryLocation();
}

DriverSettings SettingsStore::ReadDriverSettings(const std::string &provider) {
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
    OpenToWrite(registry, provider);
    WriteValues(registry, settings);
    CloseAfterWriting(registry);
}

SettingsStore::SettingsStore(Access access)
    : registry_(std::make_unique<TRegistry>(access == Access::Update ? kKeyAllAccess : kKeyRead)) {
    registry_->RootKey(kHKeyLocalMachine);
}

SettingsStore::~SettingsStore() = default;

ProviderRead SettingsStore::Read(const std::string &provider) {
    const SettingsWarnings warnings;
    ProviderRead read{provider, ProviderRead::Outcome::Failed, {}, {}, {}};
    try {
        if (!OpenToRead(*registry_, provider)) {
            throw ESettingsNotConfigured("Registry Not Found!!", registry_->OpenFailure());
        }
        for (const SettingField &field : SettingFields) {
            const std::string name(field.valueName);
            try {
                read.settings.*field.member = registry_->ReadInteger(name);
            } catch (const ERegistryError &failure) {
                if (!registry_->ValueExists(name)) {
                    throw ESettingsNotConfigured(failure.what());
                }
                throw;
            }
        }
        read.outcome = ProviderRead::Outcome::Read;
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const ESettingsNotConfigured &failure) {
        read = {provider, ProviderRead::Outcome::NotConfigured, {}, FailureText(failure), {}};
    } catch (const std::exception &failure) {
        read = {provider, ProviderRead::Outcome::Failed, {}, FailureText(failure), {}};
    }
    read.warnings = warnings.Notices();
    return read;
}

SettingsChange SettingsStore::Update(const std::string &provider, const DriverSettings &settings) {
    OpenToWrite(*registry_, provider);
    SettingsChange change{ReadStored(*registry_), false};
    change.changed = Differs(change.previous, settings);
    if (change.changed) {
        WriteValues(*registry_, settings);
    }
    // Unchanged, the key existed already: closing it writes nothing.
    CloseAfterWriting(*registry_);
    return change;
}

SettingsChange SettingsStore::Check(const std::string &provider, const DriverSettings &settings) {
    SettingsChange change;
    if (OpenToRead(*registry_, provider)) {
        change.previous = ReadStored(*registry_);
    }
    change.changed = Differs(change.previous, settings);
    return change;
}

bool SettingsStore::Delete(const std::string &provider) {
    const std::string key = KeyPathFor(provider);
    // Opened as a save opens it: whoever may not save the settings may not delete them either.
    if (!registry_->OpenKey(key, false)) {
        const std::string reason = registry_->OpenFailure();
        if (!registry_->KeyExists(key)) {
            return false;
        }
        throw ESettingsStoreError("Registry Not Deleted!!", reason);
    }
    registry_->CloseKey();
    try {
        return registry_->DeleteKey(key);
    } catch (const ERegistryUnconfirmedWrite &failure) {
        throw ESettingsSavedUnconfirmed(failure.what());
    }
}

bool SettingsStore::WouldDelete(const std::string &provider) {
    return OpenToRead(*registry_, provider);
}

} // namespace tessaport
