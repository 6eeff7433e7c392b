#include "SettingsLocation.h"

namespace tessaport {

std::string DescribeSettingsLocation() {
#if defined(TESSAPORT_REGISTRY_NATIVE_VIEW) || !defined(_WIN64)
    return "kept in the system registry";
#else
    // The driver's own tools are 32-bit programs; a 64-bit build meets them in their view.
    return "kept in the system registry, 32-bit view (WOW6432Node)";
#endif
}

} // namespace tessaport
