#include "QtNative.h"
#include "TCheckBox.h"

#include <QCheckBox>

namespace tessaport {

namespace {

QCheckBox &Box(const TCheckBox &box) {
    return static_cast<QCheckBox &>(NativeWidget(box));
}

} // namespace

std::string TCheckBox::Caption() const {
    return Box(*this).text().toStdString();
}

bool TCheckBox::Checked() const {
    return Box(*this).isChecked();
}

void TCheckBox::SetChecked(bool checked) {
    // setChecked emits no clicked(), the only signal wired to OnClick.
    Box(*this).setChecked(checked);
}

TCheckBox &TForm::AddCheckBox(const ControlDescription &description) {
    auto *box = new QCheckBox(ToQString(description.caption), impl_->window.get());
    Place(*box, description, impl_->controlFont);
    Chain(*impl_, *box);
    return RaiseOnClick(*box,
                        Keep(std::make_unique<TCheckBox>(std::make_unique<TControl::Impl>(box))));
}

} // namespace tessaport
