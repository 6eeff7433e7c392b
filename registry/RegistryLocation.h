#pragma once

#include <string>

namespace tessaport {

// Where this build's registry keeps its keys, in words for --help: the hive file on POSIX, the
// registry view on Windows. Each back end says it of itself.
std::string DescribeRegistryLocation();

// Whether Windows' own tools (reg import, regedit) reach the keys that this build keeps under
// HKEY_LOCAL_MACHINE\Software by the path Software\WOW6432Node: on 64-bit Windows the 32-bit
// view. The file hive has no views; its files are meant for 64-bit Windows.
bool WindowsToolsReachSettingsThroughWow6432Node();

} // namespace tessaport
