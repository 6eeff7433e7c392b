#include "DisplayCheck.h"

#include <cstdlib>
#include <string_view>

#if defined(__unix__)
#include <sys/stat.h>
#endif
#if defined(TESSAPORT_HAVE_XCB)
#include <xcb/xcb.h>
#endif

namespace tessaport {

namespace {

std::string_view Environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

// The value after "-NAME" or "--NAME"; the last one counts, as in Qt.
std::string_view Argument(int argc, char **argv, std::string_view name) {
    std::string_view value;
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.starts_with("--")) {
            arg.remove_prefix(1);
        }
        if (arg.starts_with('-') && arg.substr(1) == name) {
            value = argv[i + 1];
        }
    }
    return value;
}

// The platform Qt will try first: "-platform NAME" wins over QT_QPA_PLATFORM, and either may
// be a list separated by semicolons.
std::string_view RequestedPlatform(int argc, char **argv) {
    std::string_view platform = Argument(argc, argv, "platform");
    if (platform.empty()) {
        platform = Environment("QT_QPA_PLATFORM");
    }
    return platform.substr(0, platform.find(';'));
}

// Qt's default on these systems tries Wayland when WAYLAND_DISPLAY is set and falls back to X11.
constexpr bool kDefaultIsX11OrWayland =
#if defined(__linux__) || defined(__FreeBSD__)
    true;
#else
    false;
#endif

// Empty when the X server answers. The connection is closed at once; Qt opens its own.
std::string XProblem(std::string_view display) {
    if (display.empty()) {
        return "DISPLAY is not set";
    }
#if defined(TESSAPORT_HAVE_XCB)
    const std::string name(display);
    xcb_connection_t *connection = xcb_connect(name.c_str(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) {
        return "cannot connect to the X display \"" + name + "\"";
    }
#endif
    return {};
}

// Empty when the compositor's socket is there; whether it answers is left to Qt.
std::string WaylandProblem(std::string_view display) {
    if (display.empty()) {
        return "WAYLAND_DISPLAY is not set";
    }
#if defined(__unix__)
    std::string path(display);
    if (!display.starts_with('/')) {
        const std::string_view runtime = Environment("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            return "the Wayland display \"" + path +
                   "\" cannot be found: XDG_RUNTIME_DIR is not set";
        }
        path = std::string(runtime) + "/" + path;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode)) {
        return "there is no Wayland display \"" + std::string(display) + "\" (no socket at " +
               path + ")";
    }
#endif
    return {};
}

std::string Explain(std::string_view problem) {
    return "no display is available: " + std::string(problem) +
           ", so the window cannot be shown. Start the program from a desktop session.";
}

} // namespace

std::string MissingDisplayReason(int argc, char **argv) {
    const std::string_view platform = RequestedPlatform(argc, argv);
    const bool byDefault = platform.empty() && kDefaultIsX11OrWayland;
    const bool x11 = byDefault || platform.starts_with("xcb");
    const bool wayland = byDefault || platform.starts_with("wayland");
    if (!x11 && !wayland) {
        return {};
    }

    std::string_view xDisplay = Argument(argc, argv, "display");
    if (xDisplay.empty()) {
        xDisplay = Environment("DISPLAY");
    }
    const std::string_view waylandDisplay = Environment("WAYLAND_DISPLAY");
    if (xDisplay.empty() && waylandDisplay.empty()) {
        return Explain("neither DISPLAY nor WAYLAND_DISPLAY is set");
    }

    // Without a platform named, either display will do and only the ones set are worth a word.
    // Wayland first: a stat is cheaper than a connection.
    std::string problems;
    if (wayland && (!byDefault || !waylandDisplay.empty())) {
        problems = WaylandProblem(waylandDisplay);
        if (problems.empty()) {
            return {};
        }
    }
    if (x11 && (!byDefault || !xDisplay.empty())) {
        const std::string problem = XProblem(xDisplay);
        if (problem.empty()) {
            return {};
        }
        problems = problems.empty() ? problem : problem + " and " + problems;
    }
    return Explain(problems);
}

} // namespace tessaport
