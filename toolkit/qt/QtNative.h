#pragma once

// What the boundary's objects are on Qt. Private to the back end and its tests.

#include "TApplication.h"
#include "TControl.h"
#include "TForm.h"

#include <QAbstractButton>
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <string_view>

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

QString ToQString(std::string_view text);

// Common to every control: name, font, place and enabled state.
void Place(QWidget &widget, const ControlDescription &description, const QFont &font);

// Focusable controls join the tab chain in the order they are created; a label just before one
// becomes its buddy, which is what screen readers announce as the control's name.
void Chain(TForm::Impl &form, QWidget &widget);

// Raises a button's or check box's OnClick for each press by the user; setChecked() emits no
// clicked().
template <class Clickable> Clickable &RaiseOnClick(QAbstractButton &widget, Clickable &control) {
    QObject::connect(&widget, &QAbstractButton::clicked, &widget, [&control] {
        if (control.OnClick) {
            control.OnClick();
        }
    });
    return control;
}

inline QWidget &NativeWidget(const TForm &form) {
    return *form.Native().window;
}

inline QWidget &NativeWidget(const TControl &control) {
    return *control.Native().widget;
}

} // namespace tessaport
