// For context: the bare window with one line of text, which is what it takes a Qt program to
// load its fonts. The configuration window cannot draw its captions without that.
#include "QuitOnFirstPaint.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(435, 316);
    new QLabel(QStringLiteral("Tessaport Configuration"), &window);
    new QuitOnFirstPaint(window);
    window.show();
    return app.exec();
}
