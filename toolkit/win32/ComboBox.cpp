#include "Dpi.h"
#include "TComboBox.h"
#include "TForm.h"
#include "Utf16.h"
#include "Win32Native.h"

#include <algorithm>
#include <commctrl.h>
#include <string>
#include <vector>

namespace tessaport {

namespace {

// A closed list is this much taller than its selection field (the field's border).
constexpr int kListFieldBorder = 6;
// The open list's border, top and bottom together.
constexpr int kOpenListBorder = 2;

LRESULT Send(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(list, message, wParam, lParam);
}

LRESULT Send(const TComboBox &list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return Send(list.Native().hwnd, message, wParam, lParam);
}

// The closed list's height and the open list's, in pixels, for a number of entries shown.
void SetHeights(const TControl::Impl &control, UINT dpi, int shownEntries) {
    const int field = Scaled(control.design.height, dpi);
    const int entry = Scaled(control.entryHeight, dpi);
    // Common Controls 6 sizes the open list by entry count; older ones by the window's height,
    // which includes the open list.
    Send(control.hwnd, CB_SETMINVISIBLE, static_cast<WPARAM>(shownEntries));
    ::SetWindowPos(control.hwnd, nullptr, 0, 0, Scaled(control.design.width, dpi),
                   field + entry * shownEntries + kOpenListBorder,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutList(const TForm::Impl &form, const TControl::Impl &control) {
    const int height = Scaled(control.design.height, form.dpi);
    // The value asked for, not one read back: Wine reads back a little more than it was given.
    Send(control.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - kListFieldBorder);
    if (control.entryHeight > 0) {
        Send(control.hwnd, CB_SETITEMHEIGHT, 0, Scaled(control.entryHeight, form.dpi));
    }
    PlaceAsDesigned(form, control);
    SetHeights(control, form.dpi, control.visibleEntries);
}

// As many entries as the description asks for, but no more than fit below or above the closed
// list on its screen: a list that fits neither way is laid over its own box, where the mouse
// button's release would pick an entry nobody chose.
void FitOpenList(const TControl::Impl &control) {
    const UINT dpi = WindowDpi(control.hwnd);
    // A drop-down list's window is its closed box; the open list is a window of its own.
    RECT box{};
    ::GetWindowRect(control.hwnd, &box);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromRect(&box, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT &work = monitor.rcWork;
    const int room = std::max(work.bottom - box.bottom, box.top - work.top) - kOpenListBorder;
    const int entry = std::max(1, Scaled(control.entryHeight, dpi));
    SetHeights(control, dpi, std::clamp(room / entry, 1, std::max(1, control.visibleEntries)));
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
    TComboBox &result = Keep<TComboBox>(CreateNativeControl(
        *impl_, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, description, LayOutList));
    if (description.entries) {
        // In one go: the list's storage taken at once, and no drawing until it is full.
        std::vector<std::wstring> entries;
        std::size_t characters = 0;
        for (const std::string &entry : description.entries()) {
            characters += entries.emplace_back(Utf16(entry)).size() + 1;
        }
        Send(result, CB_INITSTORAGE, entries.size(), characters * sizeof(wchar_t));
        Send(result, WM_SETREDRAW, FALSE);
        for (const std::wstring &entry : entries) {
            Send(result, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        }
        Send(result, WM_SETREDRAW, TRUE);
    }
    // CB_SETCURSEL sends no CBN_SELCHANGE, so only the user's picks come here. On a closed list
    // each arrow key or wheel turn is a pick. While the list is open, the highlight moves
    // without picking: the pick is the entry clicked or confirmed with Enter, and a list closed
    // with Esc or a click elsewhere keeps the selection it had when it opened.
    struct OpenList {
        bool open = false;
        bool cancelled = false;
        int selectionWhenOpened = -1;
    };
    result.Native().command = [&result, list = OpenList{}](WORD notification) mutable {
        switch (notification) {
        case CBN_DROPDOWN:
            list = {true, false, result.ItemIndex()};
            FitOpenList(result.Native());
            break;
        case CBN_SELENDCANCEL:
            list.cancelled = true;
            break;
        case CBN_SELCHANGE:
            if (!list.open && result.OnChange) {
                result.OnChange();
            }
            break;
        case CBN_CLOSEUP:
            if (!list.open) {
                break;
            }
            list.open = false;
            if (list.cancelled) {
                result.SetItemIndex(list.selectionWhenOpened);
            } else if (result.ItemIndex() != list.selectionWhenOpened && result.OnChange) {
                result.OnChange();
            }
            break;
        default:
            break;
        }
    };
    return result;
}

} // namespace tessaport
