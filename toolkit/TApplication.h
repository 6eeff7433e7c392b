#pragma once

#include "TForm.h"

#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

// The application object: owns the windows, runs the message loop, and shows a failure that
// escapes an event handler instead of ending the program. One at a time; `Application` points
// to it while it exists.
class TApplication {
public:
    // The Qt back end reads its command-line options from argv; Win32 needs none.
    TApplication(int &argc, char **argv);
    ~TApplication();
    TApplication(const TApplication &) = delete;
    TApplication &operator=(const TApplication &) = delete;

    // Called once, before the first window is created.
    void Initialize();
    const std::string &Title() const { return title_; }
    // The title of the message boxes and the taskbar's text for the application.
    void SetTitle(std::string_view title);

    // Constructs a window owned by the application and stores it in `reference`. The first one
    // becomes the main window.
    template <class Form> void CreateForm(Form *&reference) {
        auto form = std::make_unique<Form>();
        reference = form.get();
        Adopt(std::move(form));
    }

    // Shows the main window and handles events until it has been closed.
    void Run();
    void ShowException(const std::exception &failure);

    struct Impl;

private:
    void Adopt(std::unique_ptr<TForm> form);

    std::string title_;
    std::unique_ptr<Impl> impl_;
    // Destroyed before the native application object.
    std::vector<std::unique_ptr<TForm>> forms_;
};

extern TApplication *Application;

} // namespace tessaport
