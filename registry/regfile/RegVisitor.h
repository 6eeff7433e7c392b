#pragma once

#include "RegEvents.h"

namespace tessaport {

// Receives a .reg file's sections and values in file order. The views stay valid only during
// the call.
class RegVisitor {
public:
    virtual ~RegVisitor() = default;
    virtual void OnSection(const RegSectionEvent &section) = 0;
    virtual void OnValue(const RegValueEvent &value) = 0;
};

} // namespace tessaport
