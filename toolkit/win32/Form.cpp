#include "Dialogs.h"
#include "Dpi.h"
#include "Font.h"
#include "Utf16.h"
#include "Win32Native.h"

#include <commctrl.h>
#include <cwchar>
#include <stdexcept>

namespace tessaport {

namespace {

constexpr wchar_t kFormClass[] = L"TessaportForm";
// A dialog frame: title bar, system menu and close box; no sizing border, no minimise or
// maximise box. Not WS_EX_DLGMODALFRAME, which would drop the icon from the title bar.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// Tab moves into and out of the controls.
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void RegisterFormClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = FormProcedure;
        windowClass.hInstance = Instance();
        windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kFormClass;
        // The program's icon is resource 1; a program without one gets the system's.
        windowClass.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(1));
        if (!windowClass.hIcon) {
            windowClass.hIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
        }
        return ::RegisterClassExW(&windowClass);
    }();
    if (!atom) {
        throw EToolkitError("The window class cannot be registered.");
    }
}

// Fonts, frame and controls at a resolution: on creation, and when the window moves to a
// screen of another resolution.
void LayOut(TForm::Impl &form, UINT dpi) {
    form.dpi = dpi;
    form.windowFont.reset(CreateScaledFont(form.design.font, dpi));
    form.controlFont.reset(CreateScaledFont(form.design.controlFont, dpi));
    const SIZE frame =
        FrameSizeFor(Scaled(form.design.clientWidth, dpi), Scaled(form.design.clientHeight, dpi),
                     kFormStyle, kFormExStyle, dpi);
    ::SetWindowPos(form.hwnd, nullptr, 0, 0, frame.cx, frame.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const TControl::Impl *control : form.controls) {
        LayOutControl(form, *control);
    }
    ::InvalidateRect(form.hwnd, nullptr, TRUE);
}

bool IsOfClass(HWND window, const wchar_t *className) {
    wchar_t name[32] = {};
    return window && ::GetClassNameW(window, name, 32) > 0 && std::wcscmp(name, className) == 0;
}

bool CanTakeFocus(const TForm::Impl &form, HWND control) {
    return control && ::IsChild(form.hwnd, control) && ::IsWindowEnabled(control) &&
           ::IsWindowVisible(control);
}

// WM_NEXTDLGCTL, which the dialog manager sends a window that is not a dialog too: a control by
// handle, or the next or previous tab stop. For a label's access key it asks for the label, then
// for the next control: the control the label names takes the focus, and only when enabled, so
// the key of a locked list does nothing (a dialog would go on to the next enabled control).
void MoveFocus(TForm::Impl &form, WPARAM wParam, bool byHandle) {
    HWND target = nullptr;
    if (byHandle && IsOfClass(reinterpret_cast<HWND>(wParam), WC_STATICW)) {
        form.accessKeyLabel = reinterpret_cast<HWND>(wParam);
        target = ::GetWindow(form.accessKeyLabel, GW_HWNDNEXT);
    } else if (byHandle) {
        form.accessKeyLabel = nullptr;
        target = reinterpret_cast<HWND>(wParam);
    } else if (form.accessKeyLabel && wParam == 0) {
        // Already there, or nowhere.
        form.accessKeyLabel = nullptr;
        return;
    } else {
        target = ::GetNextDlgTabItem(form.hwnd, ::GetFocus(), wParam != 0);
    }
    if (CanTakeFocus(form, target)) {
        ::SetFocus(target);
    }
}

// As a dialog does: the control that had the focus gets it back, or the first tab stop.
void RestoreFocus(TForm::Impl &form) {
    HWND target = CanTakeFocus(form, form.lastFocus)
                      ? form.lastFocus
                      : ::GetNextDlgTabItem(form.hwnd, nullptr, FALSE);
    if (target) {
        ::SetFocus(target);
    }
}

LRESULT HandleFormMessage(TForm::Impl &form, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NEXTDLGCTL:
        MoveFocus(form, wParam, LOWORD(lParam) != 0);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(form.hwnd, focus)) {
                form.lastFocus = focus;
            }
            // Alt+Tab: the release goes to another window.
            ShowAccessKeys(form, false);
        } else if (!HIWORD(wParam)) {
            RestoreFocus(form);
        }
        return 0;
    case WM_COMMAND: {
        // Commands without a control are the dialog manager's IDOK and IDCANCEL for Enter
        // and Esc, which press nothing here.
        auto *sender = reinterpret_cast<HWND>(lParam);
        if (sender && ::GetParent(sender) == form.hwnd) {
            auto *control =
                reinterpret_cast<TControl::Impl *>(::GetWindowLongPtrW(sender, GWLP_USERDATA));
            if (control && control->command) {
                control->command(HIWORD(wParam));
            }
        }
        return 0;
    }
    case WM_CLOSE:
        // The close box closes like Exit.
        form.owner->Close();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(form.windowFont.get());
    case 0x02E0: { // WM_DPICHANGED
        const RECT *suggested = reinterpret_cast<const RECT *>(lParam);
        LayOut(form, HIWORD(wParam));
        ::SetWindowPos(form.hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    default:
        return ::DefWindowProcW(form.hwnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto *form = static_cast<TForm::Impl *>(
            reinterpret_cast<const CREATESTRUCTW *>(lParam)->lpCreateParams);
        form->hwnd = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto *form = reinterpret_cast<TForm::Impl *>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->hwnd = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // An exception must not unwind through the system's code that called this.
    try {
        return HandleFormMessage(*form, message, wParam, lParam);
    } catch (const std::exception &failure) {
        ShowException(failure);
    } catch (...) {
        ShowException(std::runtime_error("An unknown failure occurred."));
    }
    return 0;
}

// Enter or Esc, which press no button here. The dialog manager would make a push button that
// Tab reached the default, so that Enter pressed it: they never reach it, unless an open list
// is there to take them.
bool IsKeyForNoButton(const MSG &message) {
    const bool key =
        message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR;
    if (!key || (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE)) {
        return false;
    }
    HWND focus = ::GetFocus();
    return !IsOfClass(focus, WC_COMBOBOXW) || !::SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0);
}

} // namespace

void DispatchForWindow(const MSG &message) {
    MSG copy = message;
    HWND top = copy.hwnd ? ::GetAncestor(copy.hwnd, GA_ROOT) : nullptr;
    if (IsOfClass(top, kFormClass)) {
        // Access keys are underlined while Alt is held only; Windows would keep them once shown.
        auto *form = reinterpret_cast<TForm::Impl *>(::GetWindowLongPtrW(top, GWLP_USERDATA));
        const bool down = copy.message == WM_SYSKEYDOWN || copy.message == WM_KEYDOWN;
        const bool up = copy.message == WM_SYSKEYUP || copy.message == WM_KEYUP;
        if (form && copy.wParam == VK_MENU && (down || up) && form->accessKeysShown != down) {
            ShowAccessKeys(*form, down);
        }
        if (IsKeyForNoButton(copy) || ::IsDialogMessageW(top, &copy)) {
            return;
        }
    }
    ::TranslateMessage(&copy);
    ::DispatchMessageW(&copy);
}

TForm::TForm(const FormDescription &description) : impl_(std::make_unique<Impl>()) {
    RegisterFormClass();
    Impl &form = *impl_;
    form.owner = this;
    form.design = description;
    const UINT dpi = SystemDpi();
    const SIZE frame =
        FrameSizeFor(Scaled(description.clientWidth, dpi), Scaled(description.clientHeight, dpi),
                     kFormStyle, kFormExStyle, dpi);
    const HWND window =
        ::CreateWindowExW(kFormExStyle, kFormClass, Utf16(description.caption).c_str(), kFormStyle,
                          Scaled(description.left, dpi), Scaled(description.top, dpi), frame.cx,
                          frame.cy, nullptr, nullptr, Instance(), &form);
    if (!window) {
        throw EToolkitError("The window cannot be created.");
    }
    // The screen it opened on may not have the system's resolution.
    LayOut(form, WindowDpi(window));
}

TForm::~TForm() {
    // The native controls go with the window, before the objects they report to.
    impl_.reset();
    controls_.clear();
}

std::string TForm::Caption() const {
    return WindowText(impl_->hwnd);
}

void TForm::Show() {
    // Access keys hidden until Alt is pressed, as Windows shows them by default.
    ShowAccessKeys(*impl_, false);
    ::ShowWindow(impl_->hwnd, SW_SHOW);
    ::UpdateWindow(impl_->hwnd);
}

bool TForm::Visible() const {
    return ::IsWindowVisible(impl_->hwnd) != FALSE;
}

void TForm::Close() {
    ::ShowWindow(impl_->hwnd, SW_HIDE);
    if (impl_->endsApplication) {
        ::PostQuitMessage(0);
    }
}

} // namespace tessaport
