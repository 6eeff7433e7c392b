#include "DisplayCheck.h"

#include <cstdlib>
#include <string_view>

namespace tessaport {

namespace {

std::string_view Environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

// The platform Qt will try first: "-platform NAME" wins over QT_QPA_PLATFORM, and either may
// be a list separated by semicolons.
std::string_view RequestedPlatform(int argc, char **argv) {
    std::string_view platform = Environment("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-platform" || arg == "--platform") {
            platform = argv[i + 1];
        }
    }
    return platform.substr(0, platform.find(';'));
}

bool NeedsWindowSystem(std::string_view platform) {
#if defined(__linux__) || defined(__FreeBSD__)
    // Qt's default on these systems is xcb.
    return platform.empty() || platform.starts_with("xcb") || platform.starts_with("wayland");
#else
    return platform.starts_with("xcb") || platform.starts_with("wayland");
#endif
}

} // namespace

std::string MissingDisplayReason(int argc, char **argv) {
    const std::string_view platform = RequestedPlatform(argc, argv);
    if (!NeedsWindowSystem(platform) || !Environment("DISPLAY").empty() ||
        !Environment("WAYLAND_DISPLAY").empty()) {
        return {};
    }
    return "no display is available: neither DISPLAY nor WAYLAND_DISPLAY is set, so the window "
           "cannot be shown. Start the program from a desktop session.";
}

} // namespace tessaport
