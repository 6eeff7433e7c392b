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
    QCheckBox &box = CreateCaptioned<QCheckBox>(*impl_, description);
    Chain(*impl_, box);
    return RaiseOnClick(box, &QAbstractButton::toggled,
                        Keep<TCheckBox>(std::make_unique<TControl::Impl>(&box)));
}

} // namespace tessaport
