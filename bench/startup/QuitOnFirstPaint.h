#pragma once

#include <QObject>

class QWidget;

// Reports on stdout when the window first paints itself ("first-paint NANOSECONDS", steady
// clock), then ends the application.
class QuitOnFirstPaint : public QObject {
    Q_OBJECT

public:
    explicit QuitOnFirstPaint(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool painted_ = false;
};
