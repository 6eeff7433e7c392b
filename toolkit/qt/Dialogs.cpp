#include "Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace tessaport {

namespace {

void ShowModalBox(QMessageBox::Icon icon, const QString &text) {
    // Titled with the application's name, as the window is; left empty, X11 would get an empty
    // WM_NAME. Parented to the active window so that it opens over it.
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace

void ShowMessage(std::string_view text) {
    ShowModalBox(QMessageBox::NoIcon, QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void ShowException(const std::exception &failure) {
    ShowModalBox(QMessageBox::Critical, QString::fromLocal8Bit(failure.what()));
}

} // namespace tessaport
