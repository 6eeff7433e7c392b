#include "Dialogs.h"
#include "NotifyingApplication.h"
#include "QtNative.h"
#include "TApplication.h"

namespace tessaport {

TApplication *Application = nullptr;

TApplication::TApplication(int &argc, char **argv) : impl_(std::make_unique<Impl>()) {
    impl_->application = std::make_unique<NotifyingApplication>(argc, argv);
    Application = this;
}

TApplication::~TApplication() {
    forms_.clear();
    if (Application == this) {
        Application = nullptr;
    }
}

void TApplication::Initialize() {}

void TApplication::SetTitle(std::string_view title) {
    title_ = std::string(title);
    QApplication::setApplicationDisplayName(
        QString::fromUtf8(title.data(), qsizetype(title.size())));
}

void TApplication::Adopt(std::unique_ptr<TForm> form) {
    forms_.push_back(std::move(form));
}

void TApplication::Run() {
    if (forms_.empty()) {
        throw EToolkitError("the application has no window to show");
    }
    forms_.front()->Show();
    QApplication::exec();
}

void TApplication::ShowException(const std::exception &failure) {
    tessaport::ShowException(failure);
}

} // namespace tessaport
