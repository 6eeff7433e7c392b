#include "AccessKey.h"
#include "QtNative.h"
#include "TButton.h"

#include <QPushButton>

namespace tessaport {

std::string TButton::Caption() const {
    return WithoutAccessKey(static_cast<QPushButton &>(NativeWidget(*this)).text().toStdString());
}

TButton &TForm::AddButton(const ControlDescription &description) {
    QPushButton &button = CreateCaptioned<QPushButton>(*impl_, description);
    // Neither the default nor the cancel button: Enter and Esc press nothing.
    button.setAutoDefault(false);
    button.setDefault(false);
    Chain(*impl_, button);
    return RaiseOnClick(button, &QAbstractButton::clicked,
                        Keep<TButton>(std::make_unique<TControl::Impl>(&button)));
}

} // namespace tessaport
