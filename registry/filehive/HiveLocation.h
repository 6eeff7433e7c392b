#pragma once

#include <string>

namespace tessaport {

// Where the hive file is: $TESSAPORT_REGISTRY when set, else the path fixed at build time.
class HiveLocation {
public:
    static constexpr const char *kVariable = "TESSAPORT_REGISTRY";

    static std::string Current();
    static std::string Default();
};

} // namespace tessaport
