#pragma once

#include <string>

namespace tessaport {

// Why no window can be shown, or empty when one can as far as can be told before
// Qt starts. Qt itself aborts with a long plugin message when its platform finds no display, so
// this is asked first. Looks at the "-platform" and "-display" arguments, QT_QPA_PLATFORM, DISPLAY
// and WAYLAND_DISPLAY; when Qt would use X11 it connects to the X server once, as a set but dead
// DISPLAY aborts Qt just the same.
std::string MissingDisplayReason(int argc, char **argv);

} // namespace tessaport
