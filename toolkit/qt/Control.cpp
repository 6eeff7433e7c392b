#include "QtNative.h"

#include <QLabel>

namespace tessaport {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

void Place(QWidget &widget, const ControlDescription &description, const QFont &font) {
    widget.setObjectName(ToQString(description.name));
    widget.setFont(font);
    widget.setGeometry(description.bounds.left, description.bounds.top, description.bounds.width,
                       description.bounds.height);
    widget.setEnabled(description.enabled);
}

void Chain(TForm::Impl &form, QWidget &widget) {
    if (form.pendingLabel) {
        form.pendingLabel->setBuddy(&widget);
        form.pendingLabel = nullptr;
    }
    if (form.lastFocusable) {
        QWidget::setTabOrder(form.lastFocusable, &widget);
    }
    form.lastFocusable = &widget;
}

TControl::TControl(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

TControl::~TControl() = default;

std::string TControl::Name() const {
    return impl_->widget->objectName().toStdString();
}

bool TControl::Enabled() const {
    return impl_->widget->isEnabled();
}

void TControl::SetEnabled(bool enabled) {
    impl_->widget->setEnabled(enabled);
}

} // namespace tessaport
