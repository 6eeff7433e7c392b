#include "QtNative.h"
#include "UserInput.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace tessaport::testing {

std::optional<ShownMessage> AnswerMessage(const std::function<void()> &action) {
    std::optional<ShownMessage> shown;
    bool looked = false;
    QTimer::singleShot(0, qApp, [&] {
        looked = true;
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        QAbstractButton *ok = box->button(QMessageBox::Ok);
        shown = ShownMessage{box->windowTitle().toStdString(), box->text().toStdString(),
                             int(box->buttons().size()), ok != nullptr,
                             box->icon() == QMessageBox::Critical};
        (ok ? ok : box->buttons().value(0))->click();
    });
    action();
    // Without a box the timer fires only once the action has returned to this loop. It must
    // not fire after this frame is gone.
    if (!QTest::qWaitFor([&] { return looked; })) {
        qFatal("the event loop never ran the message box check");
    }
    return shown;
}

void PickEntry(TComboBox &list, int position) {
    QWidget &widget = NativeWidget(list);
    QTest::keyClick(&widget, Qt::Key_Home);
    for (int i = 0; i < position; ++i) {
        QTest::keyClick(&widget, Qt::Key_Down);
    }
}

void PressDown(TComboBox &list) {
    QTest::keyClick(&NativeWidget(list), Qt::Key_Down);
}

void PressUp(TComboBox &list) {
    QTest::keyClick(&NativeWidget(list), Qt::Key_Up);
}

void Click(TCheckBox &box) {
    QTest::mouseClick(&NativeWidget(box), Qt::LeftButton);
}

void Click(TButton &button) {
    QTest::mouseClick(&NativeWidget(button), Qt::LeftButton);
}

std::string AccessibleName(const TControl &control) {
    QAccessibleInterface *accessible =
        QAccessible::queryAccessibleInterface(&NativeWidget(control));
    if (!accessible) {
        return {};
    }
    // On Unix a list's own name is its selection; screen readers take the name from the label
    // that labels it, a relation Qt derives from the label's buddy.
    for (const auto &[other, relation] : accessible->relations(QAccessible::Label)) {
        if (relation & QAccessible::Label) {
            return other->text(QAccessible::Name).toStdString();
        }
    }
    return accessible->text(QAccessible::Name).toStdString();
}

// A list's from the label that labels it, as a screen reader finds it; a button's its own.
std::string AccessKey(const TControl &control) {
    QAccessibleInterface *accessible =
        QAccessible::queryAccessibleInterface(&NativeWidget(control));
    for (const auto &[other, relation] : accessible->relations(QAccessible::Label)) {
        if (auto *label = qobject_cast<QLabel *>(other->object())) {
            return QKeySequence::mnemonic(label->text()).toString().toStdString();
        }
    }
    auto *button = qobject_cast<QAbstractButton *>(&NativeWidget(control));
    return button ? QKeySequence::mnemonic(button->text()).toString().toStdString() : "";
}

void ToggleByAssistiveTool(TCheckBox &box) {
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&NativeWidget(box));
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

void PressAccessKey(TForm &form, char key) {
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &NativeWidget(form), key, Qt::AltModifier);
    // A button's access key presses it with an animated click, released a moment later.
    const auto buttons = NativeWidget(form).findChildren<QAbstractButton *>();
    if (!QTest::qWaitFor([&] {
            return std::none_of(buttons.begin(), buttons.end(),
                                [](QAbstractButton *button) { return button->isDown(); });
        })) {
        qFatal("a button pressed by its access key stayed down");
    }
}

void HoldAlt(TForm &form, bool held) {
    QWidget *focus = QApplication::focusWidget();
    QWidget *target = focus ? focus : &NativeWidget(form);
    if (held) {
        QTest::keyPress(target, Qt::Key_Alt, Qt::AltModifier);
    } else {
        QTest::keyRelease(target, Qt::Key_Alt);
    }
}

bool AccessKeyShown(const TControl &control) {
    QWidget &widget = NativeWidget(control);
    return widget.style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, &widget) != 0;
}

bool AccessKeysAlwaysShown() {
    return false;
}

std::string FocusedControl() {
    QWidget *focus = QApplication::focusWidget();
    return focus ? focus->objectName().toStdString() : std::string();
}

void ProcessEvents() {
    QApplication::processEvents();
}

} // namespace tessaport::testing
