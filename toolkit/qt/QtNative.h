#pragma once

// What the boundary's objects are on Qt. Private to the back end and its tests.

#include "TApplication.h"
#include "TControl.h"
#include "TForm.h"

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <memory>

class QLabel;

namespace tessaport {

class NotifyingApplication;

struct TControl::Impl {
    // Owned by the window's widget.
    QPointer<QWidget> widget;
};

struct TForm::Impl {
    std::unique_ptr<QWidget> window;
    QFont controlFont;
    QWidget *lastFocusable = nullptr;
    // A label waiting for the control it names.
    QLabel *pendingLabel = nullptr;
};

struct TApplication::Impl {
    std::unique_ptr<NotifyingApplication> application;
};

inline QWidget &NativeWidget(const TForm &form) {
    return *form.Native().window;
}

inline QWidget &NativeWidget(const TControl &control) {
    return *control.Native().widget;
}

} // namespace tessaport
