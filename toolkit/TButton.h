#pragma once

#include "TControl.h"

#include <functional>
#include <string>

namespace tessaport {

// A push button that is never the window's default or cancel button.
class TButton : public TControl {
public:
    using TControl::TControl;

    std::string Caption() const;

    // Raised when the user presses the button.
    std::function<void()> OnClick;
};

} // namespace tessaport
