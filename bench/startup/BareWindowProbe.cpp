// The yardstick: a bare Qt Widgets program showing an empty window of the same size.
#include "QuitOnFirstPaint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(435, 316);
    new QuitOnFirstPaint(window);
    window.show();
    return app.exec();
}
