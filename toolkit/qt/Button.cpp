#include "QtNative.h"
#include "TButton.h"

#include <QPushButton>

namespace tessaport {

std::string TButton::Caption() const {
    return static_cast<QPushButton &>(NativeWidget(*this)).text().toStdString();
}

TButton &TForm::AddButton(const ControlDescription &description) {
    auto *button = new QPushButton(ToQString(description.caption), impl_->window.get());
    Place(*button, description, impl_->controlFont);
    // Neither the default nor the cancel button: Enter and Esc press nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    Chain(*impl_, *button);
    return RaiseOnClick(*button,
                        Keep(std::make_unique<TButton>(std::make_unique<TControl::Impl>(button))));
}

} // namespace tessaport
