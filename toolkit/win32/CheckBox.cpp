#include "AccessKey.h"
#include "TCheckBox.h"
#include "TForm.h"
#include "Win32Native.h"

#include <commctrl.h>

namespace tessaport {

std::string TCheckBox::Caption() const {
    return WithoutAccessKey(WindowText(Native().hwnd));
}

bool TCheckBox::Checked() const {
    return ::SendMessageW(Native().hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
    // BM_SETCHECK sends no BN_CLICKED, so OnClick is not raised.
    ::SendMessageW(Native().hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

TCheckBox &TForm::AddCheckBox(const ControlDescription &description) {
    return RaiseOnClick(Keep<TCheckBox>(CreateNativeControl(
        *impl_, WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, description, PlaceAsDesigned)));
}

} // namespace tessaport
