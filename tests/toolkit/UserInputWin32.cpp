#include "UserInput.h"
#include "Utf16.h"
#include "Win32Native.h"

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

// The name by MSAA's rule for a control without a caption of its own: the text of the static
// control just before it in z-order. Wine 8's oleacc has no proxy for a list (E_NOINTERFACE),
// so the rule is applied here when the system gives no name.
std::string NameFromLabelBefore(HWND control) {
    HWND previous = ::GetWindow(control, GW_HWNDPREV);
    if (!previous || ClassName(previous) != L"Static") {
        return {};
    }
    return Utf8(WindowText(previous));
}

std::string AccessibleName(const TControl &control) {
    HWND window = control.Native().hwnd;
    IAccessible *accessible = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                            IID_IAccessible,
                                            reinterpret_cast<void **>(&accessible))) ||
        !accessible) {
        return NameFromLabelBefore(window);
    }
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT status = accessible->get_accName(self, &name);
    accessible->Release();
    std::string result;
    if (SUCCEEDED(status) && name) {
        result = Utf8(std::wstring_view(name, ::SysStringLen(name)));
        ::SysFreeString(name);
    }
    return result;
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
