// tessaport-config: the configuration window.
#include "Dialogs.h"
#include "DisplayCheck.h"
#include "TApplication.h"
#include "TfrmMainForm.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char *argv[]) {
    using namespace tessaport;

    // Qt would abort with a core dump and a page about platform plugins.
    if (const std::string reason = MissingDisplayReason(argc, argv); !reason.empty()) {
        std::cerr << "tessaport-config: " << reason << "\n";
        return 1;
    }

    TApplication app(argc, argv);
    try {
        app.setApplicationDisplayName(QStringLiteral("Tessaport Configuration"));
        TfrmMainForm window;
        frmMainForm = &window;
        window.show();
        return app.exec();
    } catch (const std::exception &failure) {
        ShowException(failure);
        return 1;
    }
}
