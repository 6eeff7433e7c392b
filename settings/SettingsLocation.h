#pragma once

#include "RegistryLocation.h"

#include <string>

namespace tessaport {

// Where this build keeps the settings, in words for --help.
inline std::string DescribeSettingsLocation() {
    return DescribeRegistryLocation();
}

} // namespace tessaport
