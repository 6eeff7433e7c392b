#include "Dialogs.h"
#include "DisplayCheck.h"
#include "EToolkitError.h"
#include "NotifyingApplication.h"
#include "QtNative.h"
#include "TApplication.h"

#include <filesystem>
#include <iostream>
#include <string>

namespace tessaport {

TApplication *Application = nullptr;

namespace {

// Set when the application could not start; there is one application at a time.
std::string startupFailure;
std::string programName;

} // namespace

TApplication::TApplication(int &argc, char **argv) : impl_(std::make_unique<Impl>()) {
    programName = argc > 0 ? std::filesystem::path(argv[0]).filename().string() : "";
    // Qt would abort with a core dump and a page about platform plugins; Initialize reports
    // the reason instead, as any failure to start.
    startupFailure = MissingDisplayReason(argc, argv);
    if (startupFailure.empty()) {
        impl_->application = std::make_unique<NotifyingApplication>(argc, argv);
    }
    Application = this;
}

TApplication::~TApplication() {
    forms_.clear();
    if (Application == this) {
        Application = nullptr;
    }
}

void TApplication::Initialize() {
    if (!startupFailure.empty()) {
        throw EToolkitError(startupFailure);
    }
}

void TApplication::SetTitle(std::string_view title) {
    title_ = std::string(title);
    QApplication::setApplicationDisplayName(ToQString(title));
}

void TApplication::Adopt(std::unique_ptr<TForm> form) {
    forms_.push_back(std::move(form));
}

void TApplication::Run() {
    if (forms_.empty()) {
        throw EToolkitError("The application has no window to show.");
    }
    forms_.front()->Show();
    QApplication::exec();
}

void TApplication::ShowException(const std::exception &failure) {
    if (!impl_->application) {
        // Without a display, the terminal is the only place left to say it.
        std::cerr << programName << ": " << failure.what() << "\n";
        return;
    }
    tessaport::ShowException(failure);
}

} // namespace tessaport
