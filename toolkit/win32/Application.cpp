#include "Dialogs.h"
#include "Dpi.h"
#include "Win32Native.h"

#include <commctrl.h>

namespace tessaport {

TApplication *Application = nullptr;

TApplication::TApplication(int &, char **) : impl_(std::make_unique<Impl>()) {
    Application = this;
}

TApplication::~TApplication() {
    forms_.clear();
    if (Application == this) {
        Application = nullptr;
    }
}

void TApplication::Initialize() {
    DeclareDpiAwareness();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES;
    if (!::InitCommonControlsEx(&controls)) {
        throw EToolkitError("The common controls cannot be initialised.");
    }
}

void TApplication::SetTitle(std::string_view title) {
    title_ = std::string(title);
}

void TApplication::Adopt(std::unique_ptr<TForm> form) {
    if (forms_.empty()) {
        form->Native().endsApplication = true;
    }
    forms_.push_back(std::move(form));
}

void TApplication::Run() {
    if (forms_.empty()) {
        throw EToolkitError("The application has no window to show.");
    }
    forms_.front()->Show();
    MSG message{};
    for (;;) {
        const BOOL received = ::GetMessageW(&message, nullptr, 0, 0);
        if (received == 0) {
            return;
        }
        if (received == -1) {
            throw EToolkitError("The message loop failed.");
        }
        DispatchForWindow(message);
    }
}

void TApplication::ShowException(const std::exception &failure) {
    tessaport::ShowException(failure);
}

} // namespace tessaport
