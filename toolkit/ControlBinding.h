#pragma once

#include "FormDescription.h"
#include "TButton.h"
#include "TCheckBox.h"
#include "TComboBox.h"
#include "TLabel.h"

#include <variant>

namespace tessaport {

// One control of a window class `Form`: its description, the member that receives it and the
// handler its event is wired to. Both are member pointers, so a misspelt or missing member or
// handler does not compile. Lists raise the handler on OnChange, check boxes and buttons on
// OnClick; labels have none.
template <class Form> struct ControlBinding {
    using Member =
        std::variant<TLabel * Form::*, TComboBox * Form::*, TCheckBox * Form::*, TButton * Form::*>;

    ControlDescription control;
    Member member;
    void (Form::*handler)() = nullptr;
};

} // namespace tessaport
