#pragma once

#include "ControlBinding.h"
#include "FormDescription.h"

#include <array>

class TfrmMainForm;

// The window and its controls, in 96-dpi pixels. Controls are listed in creation order, which
// is also the tab order; each label comes just before the list it names.
extern const tessaport::FormDescription MainFormDescription;
extern const std::array<tessaport::ControlBinding<TfrmMainForm>, 11> MainFormControls;
