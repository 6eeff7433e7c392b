#pragma once

#include "DriverSettings.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace tessaport {

class TRegistry;

// The store's own failures: the provider's key could not be opened or created. The message is
// the store's fixed text; the reason says which file or key, and why.
class ESettingsStoreError : public std::runtime_error {
public:
    explicit ESettingsStoreError(const std::string &message, std::string reason = {})
        : std::runtime_error(message), reason_(std::move(reason)) {}

    const std::string &Reason() const { return reason_; }

private:
    std::string reason_;
};

// Reads and writes one provider's settings under HKEY_LOCAL_MACHINE, in the key
// "Software\Korvanta\Tessaport\<provider>". Failures are raised: ESettingsStoreError for a key
// that cannot be opened or created, ERegistryError for a value that cannot be read or written.
// A write that took place but was not confirmed on disk raises ESettingsSavedUnconfirmed:
// callers treat it as saved.
class SettingsStore {
public:
    static inline const std::string KeyPrefix = "Software\\Korvanta\\Tessaport\\";

    static std::string KeyPathFor(const std::string &provider) { return KeyPrefix + provider; }

    // `provider` is a non-empty, trimmed name.
    static DriverSettings ReadDriverSettings(const std::string &provider);
    // `provider` is a non-empty, trimmed name and `settings` is complete.
    static void WriteDriverSettings(const std::string &provider, const DriverSettings &settings);

    // Closes a key that was written to: where the registry holds writes until then, they reach
    // it here, all or none. Raises ESettingsSavedUnconfirmed for writes in place but unconfirmed.
    static void CloseAfterWriting(TRegistry &registry);
};

} // namespace tessaport
