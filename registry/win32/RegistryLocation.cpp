#include "RegistryLocation.h"

#include "WinRegistryApi.h"

namespace tessaport {

std::string DescribeRegistryLocation() {
    // The driver's own tools are 32-bit programs; a 64-bit build meets them in their view.
    return SettingsViewFlag() == KEY_WOW64_32KEY
               ? "kept in the system registry, 32-bit view (WOW6432Node)"
               : "kept in the system registry";
}

bool WindowsToolsReachSettingsThroughWow6432Node() {
    if (SettingsViewFlag() == KEY_WOW64_32KEY) {
        return true;
    }
#ifdef _WIN64
    return false;
#else
    // A 32-bit build is in the 32-bit view, which is WOW6432Node only on 64-bit Windows.
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

} // namespace tessaport
