#include "FixedRowHeightDelegate.h"
#include "QtNative.h"
#include "TComboBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QProxyStyle>
#include <QStringList>

namespace tessaport {

namespace {

// Some styles, this machine's Fusion among them, open a list centred on its current entry and
// so over its own box, where the mouse button's release picks an entry nobody chose. Lists here
// open below their box, or above it where there is no room below, as on Windows.
class ListBesideBoxStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_ComboBox_Popup) {
            return 0;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

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
    auto *style = new ListBesideBoxStyle;
    // QWidget::setStyle does not take ownership.
    style->setParent(list);
    list->setStyle(style);
    list->setMaxVisibleItems(description.visibleEntries);
    // Such styles also hide the open list's scroll bar.
    list->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (description.entries) {
        // In one go: the model grows and tells its view once.
        QStringList entries;
        for (const std::string &entry : description.entries()) {
            entries.append(QString::fromStdString(entry));
        }
        list->addItems(entries);
    }
    if (description.entryHeight > 0) {
        // The list takes ownership and deletes the delegate it replaces.
        list->setItemDelegate(new FixedRowHeightDelegate(description.entryHeight, list));
    }
    Chain(*impl_, *list);
    TComboBox &result = Keep<TComboBox>(std::make_unique<TControl::Impl>(list));
    // activated() comes from the user's pick only, never from setCurrentIndex().
    QObject::connect(list, &QComboBox::activated, list, [&result] {
        if (result.OnChange) {
            result.OnChange();
        }
    });
    return result;
}

} // namespace tessaport
