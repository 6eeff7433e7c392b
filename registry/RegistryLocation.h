#pragma once

#include <string>

namespace tessaport {

// Where this build's registry keeps its keys, in words for --help: the hive file on POSIX, the
// registry view on Windows. Each back end says it of itself.
std::string DescribeRegistryLocation();

} // namespace tessaport
