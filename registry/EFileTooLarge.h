#pragma once

#include "ERegistryError.h"

namespace tessaport {

// A file to read holds more than it may: it was read no further than that.
class EFileTooLarge : public ERegistryError {
public:
    using ERegistryError::ERegistryError;
};

} // namespace tessaport
