#include "Dialogs.h"

#include "TApplication.h"
#include "Utf16.h"
#include "Win32Native.h"

#include <string>

namespace tessaport {

namespace {

void ShowModalBox(std::string_view text, UINT icon) {
    const std::wstring caption = Utf16(Application ? Application->Title() : std::string());
    // Over the active window, which it disables until it is dismissed; without one, every
    // window of the program is disabled instead.
    HWND owner = ::GetActiveWindow();
    ::MessageBoxW(owner, Utf16(text).c_str(), caption.c_str(),
                  MB_OK | icon | (owner ? 0u : UINT(MB_TASKMODAL)));
}

} // namespace

void ShowMessage(std::string_view text) {
    ShowModalBox(text, 0);
}

void ShowException(const std::exception &failure) {
    ShowModalBox(failure.what(), MB_ICONERROR);
}

} // namespace tessaport
