#include "HiveLocation.h"

#include <cstdlib>

#ifndef TESSAPORT_DEFAULT_HIVE
#define TESSAPORT_DEFAULT_HIVE "/etc/tessaport/registry.reg"
#endif

namespace tessaport {

std::string HiveLocation::Current() {
    const char *configured = std::getenv(kVariable);
    return configured != nullptr && *configured != '\0' ? std::string(configured) : Default();
}

std::string HiveLocation::Default() {
    return TESSAPORT_DEFAULT_HIVE;
}

} // namespace tessaport
