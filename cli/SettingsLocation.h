#pragma once

#include <string>

namespace tessaport {

// Where this build keeps the settings, in words for --help: the hive file on POSIX, the registry
// view on Windows.
std::string DescribeSettingsLocation();

} // namespace tessaport
