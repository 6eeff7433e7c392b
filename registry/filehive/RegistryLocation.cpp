#include "RegistryLocation.h"

#include "HiveLocation.h"

namespace tessaport {

std::string DescribeRegistryLocation() {
    const std::string current = HiveLocation::Current();
    std::string text = "kept in the file " + current;
    if (current != HiveLocation::Default()) {
        text += " (from " + std::string(HiveLocation::kVariable) + "; the default is " +
                HiveLocation::Default() + ")";
    } else {
        text += " (" + std::string(HiveLocation::kVariable) + " names another file)";
    }
    return text;
}

bool WindowsToolsReachSettingsThroughWow6432Node() {
    // Most Windows machines that will import our files are 64-bit ones.
    return true;
}

} // namespace tessaport
