#include "AccessKey.h"
#include "QtNative.h"
#include "TCheckBox.h"

#include <QCheckBox>
#include <QSignalBlocker>

namespace tessaport {

namespace {

QCheckBox &Box(const TCheckBox &box) {
    return static_cast<QCheckBox &>(NativeWidget(box));
}

} // namespace

std::string TCheckBox::Caption() const {
    return WithoutAccessKey(Box(*this).text().toStdString());
}

bool TCheckBox::Checked() const {
    return Box(*this).isChecked();
}

void TCheckBox::SetChecked(bool checked) {
    // toggled(), wired to OnClick, comes from the user only.
    const QSignalBlocker fromCode(Box(*this));
    Box(*this).setChecked(checked);
}

TCheckBox &TForm::AddCheckBox(const ControlDescription &description) {
    auto *box = new QCheckBox(impl_->window.get());
    box->setText(CaptionWithAccessKey(*box, *impl_, description));
    Place(*box, description, impl_->controlFont);
    Chain(*impl_, *box);
    return RaiseOnClick(*box, &QAbstractButton::toggled,
                        Keep(std::make_unique<TCheckBox>(std::make_unique<TControl::Impl>(box))));
}

} // namespace tessaport
