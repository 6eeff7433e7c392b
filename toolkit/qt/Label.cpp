#include "AccessKey.h"
#include "QtNative.h"
#include "TLabel.h"

#include <QLabel>

namespace tessaport {

std::string TLabel::Caption() const {
    return WithoutAccessKey(static_cast<QLabel &>(NativeWidget(*this)).text().toStdString());
}

TLabel &TForm::AddLabel(const ControlDescription &description) {
    QLabel &label = CreateCaptioned<QLabel>(*impl_, description);
    label.setFocusPolicy(Qt::NoFocus);
    // Fits its caption and keeps its left edge, so a stand-in font that runs wider than the
    // design font is not cut off.
    label.resize(label.fontMetrics().horizontalAdvance(ToQString(description.caption)),
                 label.height());
    impl_->pendingLabel = &label;
    return Keep<TLabel>(std::make_unique<TControl::Impl>(&label));
}

} // namespace tessaport
