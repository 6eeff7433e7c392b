// tessaport-config's start-up, step for step, ending at the window's first paint: the same
// application object, form and first load of the settings.
#include "QtNative.h"
#include "QuitOnFirstPaint.h"
#include "TApplication.h"
#include "TfrmMainForm.h"

int main(int argc, char *argv[]) {
    tessaport::TApplication application(argc, argv);
    application.Initialize();
    application.SetTitle("Tessaport Configuration");
    application.CreateForm(frmMainForm);
    // Owned by the window's widget.
    new QuitOnFirstPaint(tessaport::NativeWidget(*frmMainForm));
    application.Run();
    return 0;
}
