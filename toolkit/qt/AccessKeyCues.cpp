#include "AccessKeyCues.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tessaport {

AccessKeyCues::AccessKeyCues(QWidget &window) : window_(&window) {
    // QWidget::setStyle does not take ownership.
    setParent(&window);
    // Key events go to the focused control, and Alt's release may come after the focus moved.
    qApp->installEventFilter(this);
}

int AccessKeyCues::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                             QStyleHintReturn *returnData) const {
    if (hint == SH_UnderlineShortcut) {
        return shown_ ? 1 : 0;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

bool AccessKeyCues::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == window_ &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Alt) {
            Show(type == QEvent::KeyPress);
        }
    } else if (watched == window_ && type == QEvent::WindowDeactivate) {
        // Alt+Tab: the release goes to another window.
        Show(false);
    }
    return false;
}

void AccessKeyCues::Show(bool shown) {
    if (shown == shown_ || !window_) {
        return;
    }
    shown_ = shown;
    for (QWidget *control : window_->findChildren<QWidget *>()) {
        if (control->style() == this) {
            control->update();
        }
    }
}

} // namespace tessaport
