#include "TApplication.h"

#include "Dialogs.h"

#include <stdexcept>

namespace tessaport {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event) {
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
