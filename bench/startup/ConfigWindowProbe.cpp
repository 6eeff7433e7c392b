// tessaport-config's start-up, step for step, ending at the window's first paint: the same
// application object, form and first load of the settings.
#include "QuitOnFirstPaint.h"
#include "TApplication.h"
#include "TfrmMainForm.h"

int main(int argc, char *argv[]) {
    tessaport::TApplication app(argc, argv);
    app.setApplicationDisplayName(QStringLiteral("Tessaport Configuration"));
    TfrmMainForm window;
    frmMainForm = &window;
    new QuitOnFirstPaint(window);
    window.show();
    return app.exec();
}
