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
    // A 32-bit build is in the 32-bit view, which is WOW6432Node only on 64-bit Windows.
    return SettingsViewFlag() == KEY_WOW64_32KEY ||
           ThisRegistryProcess() == RegistryProcess::Bits32OnWow64;
}

} // namespace tessaport
