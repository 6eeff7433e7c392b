#pragma once

#include <QPointer>
#include <QProxyStyle>

namespace tessaport {

// Access keys underlined only while Alt is held in the window, as on Windows; otherwise the
// captions look as designed. Shared by the window's labels, check boxes and buttons, and owned
// by the window.
class AccessKeyCues : public QProxyStyle {
    Q_OBJECT

public:
    explicit AccessKeyCues(QWidget &window);

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Show(bool shown);

    QPointer<QWidget> window_;
    bool shown_ = false;
};

} // namespace tessaport
