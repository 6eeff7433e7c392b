#pragma once

#include "TControl.h"

#include <string>

namespace tessaport {

// Static text that takes no focus.
class TLabel : public TControl {
public:
    using TControl::TControl;

    std::string Caption() const;
};

} // namespace tessaport
