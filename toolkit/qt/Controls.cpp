#include "QtNative.h"
#include "TButton.h"
#include "TCheckBox.h"
#include "TComboBox.h"
#include "TLabel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>

namespace tessaport {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

template <class Widget> Widget &As(const TControl &control) {
    return *static_cast<Widget *>(control.Native().widget.data());
}

} // namespace

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

std::string TLabel::Caption() const {
    return As<QLabel>(*this).text().toStdString();
}

void TComboBox::AddItem(std::string_view text) {
    As<QComboBox>(*this).addItem(ToQString(text));
}

int TComboBox::Count() const {
    return As<QComboBox>(*this).count();
}

std::string TComboBox::Text() const {
    return As<QComboBox>(*this).currentText().toStdString();
}

int TComboBox::ItemIndex() const {
    return As<QComboBox>(*this).currentIndex();
}

void TComboBox::SetItemIndex(int position) {
    QComboBox &list = As<QComboBox>(*this);
    // Checked here rather than left to QComboBox, whose handling of bad indexes is not promised.
    // setCurrentIndex emits no activated(), the only signal wired to OnChange.
    list.setCurrentIndex(position >= 0 && position < list.count() ? position : -1);
}

std::string TCheckBox::Caption() const {
    return As<QAbstractButton>(*this).text().toStdString();
}

bool TCheckBox::Checked() const {
    return As<QAbstractButton>(*this).isChecked();
}

void TCheckBox::SetChecked(bool checked) {
    As<QAbstractButton>(*this).setChecked(checked);
}

std::string TButton::Caption() const {
    return As<QAbstractButton>(*this).text().toStdString();
}

} // namespace tessaport
