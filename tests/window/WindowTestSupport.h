#pragma once

#include <QAbstractButton>
#include <QApplication>
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

} // namespace tessaport::testing
