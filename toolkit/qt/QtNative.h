#pragma once

// What the boundary's objects are on Qt. Private to the back end and its tests.

#include "AccessKey.h"
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
class QStyle;

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
    // Underlines access keys while Alt is held; owned by the window.
    QStyle *accessKeyCues = nullptr;
};

struct TApplication::Impl {
    std::unique_ptr<NotifyingApplication> application;
};

QString ToQString(std::string_view text);

// Common to every control: name, font, place and enabled state.
void Place(QWidget &widget, const ControlDescription &description, const QFont &font);

// A new control of the window with a caption: its access key marked, with the style that shows
// the mark only while Alt is held; placed.
template <class Widget>
Widget &CreateCaptioned(TForm::Impl &form, const ControlDescription &description) {
    auto *widget = new Widget(form.window.get());
    widget->setStyle(form.accessKeyCues);
    widget->setText(ToQString(WithAccessKey(description.caption, description.accessKey)));
    Place(*widget, description, form.controlFont);
    return *widget;
}

// Focusable controls join the tab chain in the order they are created; a label just before one
// becomes its buddy, which is what screen readers announce as the control's name.
void Chain(TForm::Impl &form, QWidget &widget);

// Raises OnClick each time the signal comes: a button's clicked() for each press by the user; a
// check box's toggled(), which a click, Space, its access key and an assistive tool's Toggle
// action all emit (the last one no clicked()). TCheckBox::SetChecked blocks it.
template <class Clickable, class Signal>
Clickable &RaiseOnClick(QAbstractButton &widget, Signal signal, Clickable &control) {
    QObject::connect(&widget, signal, &widget, [&control] {
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
