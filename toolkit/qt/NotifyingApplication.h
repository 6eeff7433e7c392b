#pragma once

#include <QApplication>

namespace tessaport {

// Qt lets an exception thrown from a slot or event handler unwind through its event loop and end
// the program; here it is shown to the user instead, and the program goes on.
class NotifyingApplication : public QApplication {
    Q_OBJECT

public:
    NotifyingApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace tessaport
