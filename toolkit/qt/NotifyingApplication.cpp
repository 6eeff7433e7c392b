#include "NotifyingApplication.h"

#include "Dialogs.h"

#include <stdexcept>

namespace tessaport {

NotifyingApplication::NotifyingApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool NotifyingApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &failure) {
        ShowException(failure);
    } catch (...) {
        ShowException(std::runtime_error("An unknown failure occurred."));
    }
    return false;
}

} // namespace tessaport
