#include "TButton.h"
#include "TForm.h"
#include "AccessKey.h"
#include "Win32Native.h"

#include <commctrl.h>

namespace tessaport {

std::string TButton::Caption() const {
    return WithoutAccessKey(WindowText(Native().hwnd));
}

TButton &TForm::AddButton(const ControlDescription &description) {
    // BS_PUSHBUTTON, never BS_DEFPUSHBUTTON: Enter does not press it.
    auto control = std::make_unique<TButton>(CreateNativeControl(
        *impl_, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, description, PlaceAsDesigned));
    return RaiseOnClick(Keep(std::move(control)));
}

} // namespace tessaport
