#include "RefusedWrites.h"
#include "WinRegistryApi.h"

#include <stdexcept>
#include <windows.h>

namespace tessaport::testing {

struct RefusedWrites::State {};

RefusedWrites::RefusedWrites() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG status = ::RegCreateKeyExW(
        HKEY_LOCAL_MACHINE, L"Software\\Korvanta\\Tessaport", 0, nullptr, REG_OPTION_VOLATILE,
        KEY_ALL_ACCESS | SettingsViewFlag(), nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create a volatile Tessaport key");
    }
    ::RegCloseKey(key);
    if (disposition != REG_CREATED_NEW_KEY) {
        throw std::logic_error("RefusedWrites needs a registry without Tessaport settings");
    }
}

// The scratch registry removes the volatile key with the rest.
RefusedWrites::~RefusedWrites() = default;

} // namespace tessaport::testing
