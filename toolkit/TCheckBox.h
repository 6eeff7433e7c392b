#pragma once

#include "TControl.h"

#include <functional>
#include <string>

namespace tessaport {

class TCheckBox : public TControl {
public:
    using TControl::TControl;

    std::string Caption() const;
    bool Checked() const;
    // Does not raise OnClick.
    void SetChecked(bool checked);

    // Raised when the user toggles the box.
    std::function<void()> OnClick;
};

} // namespace tessaport
