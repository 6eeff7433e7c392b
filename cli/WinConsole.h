#pragma once

#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

namespace tessaport {

// Windows: the program's text is UTF-8. While an object of this class lives, standard output and
// standard error that are a console get it as UTF-16, so that names outside the console's code
// page print as they are; redirected to a file or a pipe, they get the UTF-8 bytes. The streams
// get their own buffers back, flushed, when it ends.
class WinConsole {
public:
    WinConsole();
    ~WinConsole();
    WinConsole(const WinConsole &) = delete;
    WinConsole &operator=(const WinConsole &) = delete;

    // The command line's arguments after the program's name, as UTF-8; nothing when one of them
    // is not valid UTF-16 (an unpaired surrogate names no file that could be opened).
    static std::optional<std::vector<std::string>> Arguments(int argc, wchar_t **argv);

private:
    struct Redirection;
    std::vector<std::unique_ptr<Redirection>> redirections_;
};

} // namespace tessaport
