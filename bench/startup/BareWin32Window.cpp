// The yardsticks for tessaport-config.exe's start-up under Wine: an empty Win32 window with the
// same client area, shown the same way, and (built with TESSAPORT_WITH_LABEL) the same with one
// line of text in the window's font, which is what starts Wine's font system. Built by
// wine_startup_bench.sh.
#include <windows.h>

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"BareWindow";
    ::RegisterClassExW(&windowClass);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, 435, 316};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = ::CreateWindowExW(0, L"BareWindow", L"Bare Window", style, 192, 114,
                                    frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                    nullptr, instance, nullptr);
#if defined(TESSAPORT_WITH_LABEL)
    LOGFONTW font{};
    font.lfHeight = -16;
    ::lstrcpyW(font.lfFaceName, L"MS Sans Serif");
    HWND label = ::CreateWindowExW(0, L"STATIC", L"Provider", WS_CHILD | WS_VISIBLE, 96, 28, 57, 20,
                                   window, nullptr, instance, nullptr);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(::CreateFontIndirectW(&font)),
                   FALSE);
#endif
    ::ShowWindow(window, SW_SHOW);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
