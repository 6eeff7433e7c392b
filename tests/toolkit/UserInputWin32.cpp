#include "AccessKey.h"
#include "UserInput.h"
#include "Utf16.h"
#include "Win32Native.h"

#include <cctype>
#include <oleacc.h>

namespace tessaport::testing {

namespace {

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// The message box being answered: found by the timer that fires inside its modal loop.
struct Answer {
    std::optional<ShownMessage> shown;
};
thread_local Answer *pendingAnswer = nullptr;

BOOL CALLBACK ReadMessageBoxPart(HWND child, LPARAM context) {
    auto &shown = *reinterpret_cast<ShownMessage *>(context);
    const std::wstring name = ClassName(child);
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (name == L"Button" && (style & WS_VISIBLE)) {
        ++shown.buttonCount;
    } else if (name == L"Static" && (style & WS_VISIBLE)) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            shown.isError = ::SendMessageW(child, STM_GETICON, 0, 0) != 0;
        } else if (shown.text.empty()) {
            shown.text = Utf8(WindowText(child));
        }
    }
    return TRUE;
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM context) {
    if (ClassName(window) != L"#32770" || !::IsWindowVisible(window)) {
        return TRUE;
    }
    *reinterpret_cast<HWND *>(context) = window;
    return FALSE;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindMessageBox, reinterpret_cast<LPARAM>(&box));
    if (!box || !pendingAnswer) {
        return;
    }
    ::KillTimer(nullptr, timer);
    ShownMessage shown;
    shown.title = Utf8(WindowText(box));
    ::EnumChildWindows(box, ReadMessageBoxPart, reinterpret_cast<LPARAM>(&shown));
    HWND ok = ::GetDlgItem(box, IDOK);
    shown.hasOk = ok != nullptr;
    pendingAnswer->shown = shown;
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

// A person cannot reach a disabled or hidden control.
bool Reachable(const TControl &control) {
    HWND window = control.Native().hwnd;
    return ::IsWindowEnabled(window) && ::IsWindowVisible(window);
}

void Key(const TComboBox &list, WPARAM key) {
    if (Reachable(list)) {
        ::SendMessageW(list.Native().hwnd, WM_KEYDOWN, key, 1);
        ::SendMessageW(list.Native().hwnd, WM_KEYUP, key, 0xC0000001);
    }
}

} // namespace

std::optional<ShownMessage> AnswerMessage(const std::function<void()> &action) {
    Answer answer;
    pendingAnswer = &answer;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, AnswerTimer);
    try {
        action();
    } catch (...) {
        pendingAnswer = nullptr;
        ::KillTimer(nullptr, timer);
        throw;
    }
    pendingAnswer = nullptr;
    ::KillTimer(nullptr, timer);
    ProcessEvents();
    return answer.shown;
}

void PickEntry(TComboBox &list, int position) {
    Key(list, VK_HOME);
    for (int i = 0; i < position; ++i) {
        Key(list, VK_DOWN);
    }
}

void PressDown(TComboBox &list) {
    Key(list, VK_DOWN);
}

void PressUp(TComboBox &list) {
    Key(list, VK_UP);
}

void Click(TCheckBox &box) {
    if (Reachable(box)) {
        ::SendMessageW(box.Native().hwnd, BM_CLICK, 0, 0);
    }
}

void Click(TButton &button) {
    if (Reachable(button)) {
        ::SendMessageW(button.Native().hwnd, BM_CLICK, 0, 0);
    }
}

namespace {

// The static control just before a list in z-order, which names it for Windows' MSAA and UI
// Automation proxies; its "&" declares the access key unless SS_NOPREFIX turns it off.
HWND LabelBefore(HWND control) {
    HWND previous = ::GetWindow(control, GW_HWNDPREV);
    return previous && ClassName(previous) == L"Static" ? previous : nullptr;
}

// The window whose text holds the control's caption: its own, or a list's label.
HWND CaptionHolder(HWND control) {
    return ClassName(control) == L"ComboBox" ? LabelBefore(control) : control;
}

} // namespace

// By the proxies' rule, from z-order, class and text: Wine's oleacc answers every control with a
// generic proxy that names a list by its entry. The accessible object must be there all the
// same; without it the rest would prove nothing.
std::string AccessibleName(const TControl &control) {
    HWND window = control.Native().hwnd;
    IAccessible *accessible = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                            IID_IAccessible,
                                            reinterpret_cast<void **>(&accessible))) ||
        !accessible) {
        return "(no accessible object)";
    }
    accessible->Release();
    HWND label = LabelBefore(window);
    return label ? WithoutAccessKey(Utf8(WindowText(label))) : std::string();
}

std::string AccessKey(const TControl &control) {
    HWND holder = CaptionHolder(control.Native().hwnd);
    if (!holder || (ClassName(holder) == L"Static" &&
                    (::GetWindowLongPtrW(holder, GWL_STYLE) & SS_NOPREFIX))) {
        return {};
    }
    const std::string text = Utf8(WindowText(holder));
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&' && text[++i] != '&') {
            return std::string("Alt+") +
                   static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        }
    }
    return {};
}

// The proxies' default action for a check box is a click.
void ToggleByAssistiveTool(TCheckBox &box) {
    Click(box);
}

namespace {

HWND KeyTarget(const TForm &form) {
    HWND focus = ::GetFocus();
    return focus ? focus : form.Native().hwnd;
}

// The context bit: Alt is down.
constexpr LPARAM kAltDown = 1 << 29;

} // namespace

// The keys as the keyboard gives them, through the message loop's own dispatch, which makes the
// WM_SYSCHAR that the dialog manager acts on. The key's own WM_SYSKEYDOWN matters: without it
// Alt's release alone would enter menu mode.
void PressAccessKey(TForm &form, char key) {
    HoldAlt(form, true);
    const auto code = static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(key)));
    DispatchForWindow(MSG{KeyTarget(form), WM_SYSKEYDOWN, code, kAltDown | 1, 0, {}});
    ProcessEvents();
    DispatchForWindow(
        MSG{KeyTarget(form), WM_SYSKEYUP, code, kAltDown | LPARAM(0xC0000001), 0, {}});
    HoldAlt(form, false);
}

void HoldAlt(TForm &form, bool held) {
    DispatchForWindow(MSG{KeyTarget(form),
                          held ? UINT(WM_SYSKEYDOWN) : UINT(WM_KEYUP),
                          VK_MENU,
                          held ? kAltDown | 1 : LPARAM(0xC0000001),
                          0,
                          {}});
    ProcessEvents();
}

// As drawn: where the system keeps no UI state (Wine) the caption carries the mark only while it
// is to be seen.
bool AccessKeyShown(const TControl &control) {
    HWND window = control.Native().hwnd;
    return !(::SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) &&
           Utf8(WindowText(window)).find('&') != std::string::npos;
}

bool AccessKeysAlwaysShown() {
    BOOL always = FALSE;
    ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0);
    return always != FALSE;
}

std::string FocusedControl() {
    HWND focus = ::GetFocus();
    if (!focus || ClassName(::GetParent(focus)) != L"TessaportForm") {
        return {};
    }
    auto *control = reinterpret_cast<TControl::Impl *>(::GetWindowLongPtrW(focus, GWLP_USERDATA));
    return control ? control->name : std::string();
}

void ProcessEvents() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            continue;
        }
        DispatchForWindow(message);
    }
}

} // namespace tessaport::testing
