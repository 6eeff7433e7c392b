#include "TComboBox.h"
#include "TForm.h"
#include "Utf16.h"
#include "Win32Native.h"

#include <commctrl.h>

namespace tessaport {

namespace {

// Entries shown at once in an open list.
constexpr int kVisibleEntries = 8;
// A closed list is this much taller than its selection field (the field's border).
constexpr int kListFieldBorder = 6;

LRESULT Send(const TComboBox &list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(list.Native().hwnd, message, wParam, lParam);
}

void LayOutList(const TForm::Impl &form, const TControl::Impl &control) {
    const int height = Scaled(control.design.height, form.dpi);
    // The value asked for, not one read back: Wine reads back a little more than it was given.
    ::SendMessageW(control.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                   height - kListFieldBorder);
    const int entry = Scaled(control.entryHeight, form.dpi);
    if (entry > 0) {
        ::SendMessageW(control.hwnd, CB_SETITEMHEIGHT, 0, entry);
    }
    // A list's window height includes its open list.
    PlaceControl(form, control, Scaled(control.design.width, form.dpi),
                 height + entry * kVisibleEntries + 2);
}

} // namespace

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

TComboBox &TForm::AddComboBox(const ControlDescription &description) {
    auto control = std::make_unique<TComboBox>(CreateNativeControl(
        *impl_, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, description, LayOutList));
    TComboBox &result = *control;
    if (description.entries) {
        for (const std::string &entry : description.entries()) {
            result.AddItem(entry);
        }
    }
    // CB_SETCURSEL sends no CBN_SELCHANGE: only the user's pick comes here.
    result.Native().command = [&result](WORD notification) {
        if (notification == CBN_SELCHANGE && result.OnChange) {
            result.OnChange();
        }
    };
    controls_.push_back(std::move(control));
    return result;
}

} // namespace tessaport
