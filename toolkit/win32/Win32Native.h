#pragma once

// What the boundary's objects are on Win32. The one header of the back end that includes
// <windows.h>; private to the back end and its tests.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include "FormDescription.h"
#include "TApplication.h"
#include "TControl.h"
#include "TForm.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>
#include <windows.h>

namespace tessaport {

struct TControl::Impl {
    HWND hwnd = nullptr;
    std::string name;
    // As described, at 96 dpi; a label's width follows its caption.
    Bounds design;
    // Lists: the height of an entry in the open list, at 96 dpi, and how many it shows at once.
    int entryHeight = 0;
    int visibleEntries = 0;
    char accessKey = '\0';
    // Places and sizes the control at its window's resolution; each kind of control has its own.
    void (*layOut)(const TForm::Impl &form, const TControl::Impl &control) = nullptr;
    // Called with the notification code of each WM_COMMAND the control sends its window.
    std::function<void(WORD)> command;
};

struct FontDeleter {
    void operator()(HFONT font) const { ::DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct TForm::Impl {
    TForm *owner = nullptr;
    HWND hwnd = nullptr;
    FormDescription design;
    UINT dpi = 96;
    FontHandle windowFont;
    FontHandle controlFont;
    int nextControlId = 100; // clear of IDOK and IDCANCEL, which the dialog manager sends
    // The application's main window: closing it ends the message loop.
    bool endsApplication = false;
    // In creation order, which is also the z-order and so the tab order.
    std::vector<TControl::Impl *> controls;
    // The control that had the focus when the window was last deactivated.
    HWND lastFocus = nullptr;
    // A label whose access key was pressed: the dialog manager then asks for the next control.
    HWND accessKeyLabel = nullptr;
    // Access keys are underlined while Alt is held.
    bool accessKeysShown = false;

    ~Impl() {
        if (hwnd) {
            ::DestroyWindow(hwnd);
        }
    }
};

struct TApplication::Impl {};

// What the message loop does with one message: the dialog manager's keys (Tab, arrows) for the
// window the message belongs to, otherwise the usual translation and dispatch.
void DispatchForWindow(const MSG &message);

// Pixels at the window's resolution for a 96-dpi design value.
int Scaled(int design, UINT dpi);

HINSTANCE Instance();
std::string WindowText(HWND window);

// Creates a child control of the window from its description, last in the tab order, and lays
// it out with `layOut`.
std::unique_ptr<TControl::Impl>
CreateNativeControl(TForm::Impl &form, const wchar_t *className, DWORD style,
                    const ControlDescription &description,
                    void (*layOut)(const TForm::Impl &, const TControl::Impl &));
// Underlines the access keys of the window's captions, or hides them.
void ShowAccessKeys(TForm::Impl &form, bool shown);
// Gives the control the window's control font, then lays it out.
void LayOutControl(const TForm::Impl &form, const TControl::Impl &control);
// The designed place and size, scaled.
void PlaceAsDesigned(const TForm::Impl &form, const TControl::Impl &control);

// Raises a button's or check box's OnClick for each BN_CLICKED it sends, which the user's press
// does and BM_SETCHECK does not.
template <class Clickable> Clickable &RaiseOnClick(Clickable &control) {
    control.Native().command = [&control](WORD notification) {
        if (notification == BN_CLICKED && control.OnClick) {
            control.OnClick();
        }
    };
    return control;
}

} // namespace tessaport
