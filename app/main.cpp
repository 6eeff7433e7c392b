// tessaport-config: the configuration window.
#include "TApplication.h"
#include "TfrmMainForm.h"

#include <exception>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// A failure during start-up, a missing display among them, is shown, and the program then ends
// with status 1 rather than 0, so that a script starting it can tell.
int RunApplication(int &argc, char **argv) {
    tessaport::TApplication application(argc, argv);
    try {
        application.Initialize();
        application.SetTitle("Tessaport Configuration");
        application.CreateForm(frmMainForm);
        application.Run();
        return 0;
    } catch (const std::exception &failure) {
        application.ShowException(failure);
        return 1;
    }
}

} // namespace

#if defined(_WIN32)

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    return RunApplication(argc, nullptr);
}

#else

int main(int argc, char *argv[]) {
    return RunApplication(argc, argv);
}

#endif
