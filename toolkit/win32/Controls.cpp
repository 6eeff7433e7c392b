#include "TButton.h"
#include "TCheckBox.h"
#include "TComboBox.h"
#include "TLabel.h"
#include "Utf16.h"
#include "Win32Native.h"

namespace tessaport {

namespace {

std::string WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return Utf8(text);
}

LRESULT Send(const TControl &control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(control.Native().hwnd, message, wParam, lParam);
}

} // namespace

TControl::TControl(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

TControl::~TControl() = default;

std::string TControl::Name() const {
    return impl_->name;
}

bool TControl::Enabled() const {
    return ::IsWindowEnabled(impl_->hwnd) != FALSE;
}

void TControl::SetEnabled(bool enabled) {
    ::EnableWindow(impl_->hwnd, enabled ? TRUE : FALSE);
}

std::string TLabel::Caption() const {
    return WindowText(Native().hwnd);
}

void TComboBox::AddItem(std::string_view text) {
    const std::wstring entry = Utf16(text);
    Send(*this, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

int TComboBox::Count() const {
    return static_cast<int>(Send(*this, CB_GETCOUNT));
}

std::string TComboBox::Text() const {
    const LRESULT position = Send(*this, CB_GETCURSEL);
    if (position < 0) {
        return {};
    }
    const LRESULT length = Send(*this, CB_GETLBTEXTLEN, static_cast<WPARAM>(position));
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    Send(*this, CB_GETLBTEXT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return Utf8(text);
}

int TComboBox::ItemIndex() const {
    const LRESULT position = Send(*this, CB_GETCURSEL);
    return position < 0 ? -1 : static_cast<int>(position);
}

void TComboBox::SetItemIndex(int position) {
    // CB_SETCURSEL with -1 clears the selection; checked here so that no other value reaches it.
    const int selected = position >= 0 && position < Count() ? position : -1;
    Send(*this, CB_SETCURSEL, static_cast<WPARAM>(selected));
}

std::string TCheckBox::Caption() const {
    return WindowText(Native().hwnd);
}

bool TCheckBox::Checked() const {
    return Send(*this, BM_GETCHECK) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
    // BM_SETCHECK sends no BN_CLICKED, so OnClick is not raised.
    Send(*this, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string TButton::Caption() const {
    return WindowText(Native().hwnd);
}

} // namespace tessaport
