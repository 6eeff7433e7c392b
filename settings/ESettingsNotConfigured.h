#pragma once

#include "SettingsStore.h"

namespace tessaport {

// The provider was never configured: its key, or one of its three values, is missing. Any other
// failure to read (rights, a damaged file, a value of another type) is not this.
class ESettingsNotConfigured : public ESettingsStoreError {
public:
    using ESettingsStoreError::ESettingsStoreError;
};

} // namespace tessaport
