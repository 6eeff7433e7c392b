#pragma once

#include <stdexcept>

namespace tessaport {

// A failure of the registry layer. The message names the file or key, the value and the reason.
class ERegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tessaport
