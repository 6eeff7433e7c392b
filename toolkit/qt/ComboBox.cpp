#include "FixedRowHeightDelegate.h"
#include "QtNative.h"
#include "TComboBox.h"

#include <QComboBox>

namespace tessaport {

namespace {

QComboBox &List(const TComboBox &list) {
    return static_cast<QComboBox &>(NativeWidget(list));
}

} // namespace

void TComboBox::AddItem(std::string_view text) {
    List(*this).addItem(ToQString(text));
}

int TComboBox::Count() const {
    return List(*this).count();
}

std::string TComboBox::Text() const {
    return List(*this).currentText().toStdString();
}

int TComboBox::ItemIndex() const {
    return List(*this).currentIndex();
}

void TComboBox::SetItemIndex(int position) {
    QComboBox &list = List(*this);
    // Checked here rather than left to QComboBox, whose handling of bad indexes is not promised.
    // setCurrentIndex emits no activated(), the only signal wired to OnChange.
    list.setCurrentIndex(position >= 0 && position < list.count() ? position : -1);
}

TComboBox &TForm::AddComboBox(const ControlDescription &description) {
    auto *list = new QComboBox(impl_->window.get());
    Place(*list, description, impl_->controlFont);
    list->setEditable(false);
    if (description.entries) {
        for (const std::string &entry : description.entries()) {
            list->addItem(QString::fromStdString(entry));
        }
    }
    if (description.entryHeight > 0) {
        // The list takes ownership and deletes the delegate it replaces.
        list->setItemDelegate(new FixedRowHeightDelegate(description.entryHeight, list));
    }
    Chain(*impl_, *list);
    auto control = std::make_unique<TComboBox>(std::make_unique<TControl::Impl>(list));
    TComboBox &result = *control;
    // activated() comes from the user's pick only, never from setCurrentIndex().
    QObject::connect(list, &QComboBox::activated, list, [&result] {
        if (result.OnChange) {
            result.OnChange();
        }
    });
    controls_.push_back(std::move(control));
    return result;
}

} // namespace tessaport
