#pragma once

#include <string>

namespace tessaport {

// Why no window can be shown, or empty when one can as far as can be told before Qt starts.
// Qt itself aborts with a long plugin message when the X11 platform finds no display, so this
// is asked first. Looks at a "-platform" argument, QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY.
std::string MissingDisplayReason(int argc, char **argv);

} // namespace tessaport
