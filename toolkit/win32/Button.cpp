#include "AccessKey.h"
#include "TButton.h"
#include "TForm.h"
#include "Win32Native.h"

#include <commctrl.h>

namespace tessaport {

std::string TButton::Caption() const {
    return WithoutAccessKey(WindowText(Native().hwnd));
}

TButton &TForm::AddButton(const ControlDescription &description) {
    // BS_PUSHBUTTON, never BS_DEFPUSHBUTTON: Enter does not press it.
    return RaiseOnClick(Keep<TButton>(CreateNativeControl(
        *impl_, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, description, PlaceAsDesigned)));
}

} // namespace tessaport
