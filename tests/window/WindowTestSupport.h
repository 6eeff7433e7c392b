#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QString>
#include <QTest>
#include <QTimer>
#include <optional>

namespace tessaport::testing {

// What a modal message box showed before it was dismissed.
struct ShownMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    bool hasOk = false;
};

// Runs the action. A modal message box it opens is read and dismissed from inside the box's own
// event loop; without one the result is empty.
template <typename Action> std::optional<ShownMessage> AnswerMessage(Action action) {
    std::optional<ShownMessage> shown;
    bool looked = false;
    QTimer::singleShot(0, qApp, [&] {
        looked = true;
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        QAbstractButton *ok = box->button(QMessageBox::Ok);
        shown = ShownMessage{box->windowTitle(), box->text(), box->icon(),
                             int(box->buttons().size()), ok != nullptr};
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

// Clicks the button with the mouse, answering any message box it opens.
inline std::optional<ShownMessage> ClickAndAnswer(QAbstractButton *button) {
    return AnswerMessage([button] { QTest::mouseClick(button, Qt::LeftButton); });
}

// Picks an entry with the keyboard as a user would: Home, then Down to the position. Each key
// is a pick of its own, so activated() fires for each.
inline void PickEntry(QComboBox *list, int position) {
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < position; ++i) {
        QTest::keyClick(list, Qt::Key_Down);
    }
}

} // namespace tessaport::testing
