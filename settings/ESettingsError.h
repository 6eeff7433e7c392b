#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

namespace tessaport {

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

// The provider was never configured: its key, or one of its three values, is missing. Any other
// failure to read (rights, a damaged file, a value of another type) is not this.
class ESettingsNotConfigured : public ESettingsStoreError {
public:
    using ESettingsStoreError::ESettingsStoreError;
};

// Not a failed save: the new settings are in place and later reads see them, but they could not
// be confirmed to have reached the disk, so a power cut could still undo them. Callers that report
// a failed save as "nothing changed" must not report this one so.
class ESettingsSavedUnconfirmed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A settings file to import holds something that cannot be imported: a value outside its list,
// of another type, or missing. The message names the file, the line, the key and the value.
class ESettingsFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure's text for people: the store's fixed message, then its reason.
inline std::string FailureText(const std::exception &failure) {
    const auto *store = dynamic_cast<const ESettingsStoreError *>(&failure);
    if (store != nullptr && !store->Reason().empty()) {
        return std::string(failure.what()) + " (" + store->Reason() + ")";
    }
    return failure.what();
}

} // namespace tessaport
