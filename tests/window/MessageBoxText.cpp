// Prints the text of the message box captioned with the last argument, shown by any program
// in the same Wine session, or exits with 1 when there is none; with --owner, the caption of the
// window that owns it instead. The end-to-end test reads what the window told the user with it.
#include <cstdio>
#include <string>
#include <windows.h>

namespace {

BOOL CALLBACK PrintStaticText(HWND child, LPARAM) {
    wchar_t name[32] = {};
    ::GetClassNameW(child, name, 32);
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (std::wstring(name) == L"Static" && (style & SS_TYPEMASK) != SS_ICON) {
        wchar_t text[512] = {};
        if (::GetWindowTextW(child, text, 512) > 0) {
            char utf8[1024] = {};
            ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
            std::printf("%s\n", utf8);
        }
    }
    return TRUE;
}

} // namespace

int main(int argc, char **argv) {
    const bool owner = argc == 3 && std::string(argv[1]) == "--owner";
    if (argc != 2 && !owner) {
        std::fprintf(stderr, "usage: MessageBoxText [--owner] CAPTION\n");
        return 2;
    }
    wchar_t caption[256] = {};
    ::MultiByteToWideChar(CP_UTF8, 0, argv[argc - 1], -1, caption, 256);
    HWND box = ::FindWindowW(L"#32770", caption);
    if (!box || !::IsWindowVisible(box)) {
        return 1;
    }
    if (owner) {
        // A box without an owner gets a taskbar button of its own and can hide behind the window.
        wchar_t text[256] = {};
        HWND window = ::GetWindow(box, GW_OWNER);
        if (window) {
            ::GetWindowTextW(window, text, 256);
        }
        char utf8[1024] = {};
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
        std::printf("%s\n", utf8);
        return 0;
    }
    ::EnumChildWindows(box, PrintStaticText, 0);
    return 0;
}
