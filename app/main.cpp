// tessaport-config: the configuration window.
#include "TApplication.h"
#include "TfrmMainForm.h"

#include <exception>
#include <memory>

#if defined(_WIN32)
#include <windows.h>
#else
#include "DisplayCheck.h"

#include <iostream>
#include <string>
#endif

namespace {

// A failure during start-up is shown, and the program then ends with status 1 rather than 0,
// so that a script starting it can tell.
int RunApplication(tessaport::TApplication &application) {
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
    tessaport::TApplication application(argc, nullptr);
    return RunApplication(application);
}

#else

int main(int argc, char *argv[]) {
    // Qt would abort with a core dump and a page about platform plugins.
    if (const std::string reason = tessaport::MissingDisplayReason(argc, argv); !reason.empty()) {
        std::cerr << "tessaport-config: " << reason << "\n";
        return 1;
    }
    tessaport::TApplication application(argc, argv);
    return RunApplication(application);
}

#endif
