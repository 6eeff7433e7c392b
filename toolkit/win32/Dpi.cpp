#include "Dpi.h"

namespace tessaport {

namespace {

template <class Function> Function UserFunction(const char *name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    // Cast through a generic function pointer, which is how GetProcAddress's result is meant.
    return user32 ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)))
                  : nullptr;
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, spelled out for headers that predate it.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));

} // namespace

int Scaled(int design, UINT dpi) {
    return ::MulDiv(design, static_cast<int>(dpi), 96);
}

void DeclareDpiAwareness() {
    using SetContext = BOOL(WINAPI *)(HANDLE);
    if (auto set = UserFunction<SetContext>("SetProcessDpiAwarenessContext")) {
        set(kPerMonitorAwareV2);
        return;
    }
    using SetAware = BOOL(WINAPI *)();
    if (auto set = UserFunction<SetAware>("SetProcessDPIAware")) {
        set();
    }
}

UINT SystemDpi() {
    using GetDpi = UINT(WINAPI *)();
    if (auto get = UserFunction<GetDpi>("GetDpiForSystem")) {
        return get();
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
    using GetDpi = UINT(WINAPI *)(HWND);
    if (auto get = UserFunction<GetDpi>("GetDpiForWindow")) {
        const UINT dpi = get(window);
        if (dpi != 0) {
            return dpi;
        }
    }
    return SystemDpi();
}

SIZE FrameSizeFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
    RECT frame{0, 0, clientWidth, clientHeight};
    using Adjust = BOOL(WINAPI *)(LPRECT, DWORD, BOOL, DWORD, UINT);
    if (auto adjust = UserFunction<Adjust>("AdjustWindowRectExForDpi")) {
        adjust(&frame, style, FALSE, exStyle, dpi);
    } else {
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

} // namespace tessaport
