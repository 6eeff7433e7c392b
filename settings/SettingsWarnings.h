#pragma once

#include "RegistryNotices.h"

namespace tessaport {

// Warnings met while the settings are read or written that are no failure (a save another of
// our programs may have left part-done), collected while an object of it lives. The
// command-line tool prints them; the window has none alive and says nothing.
using SettingsWarnings = RegistryNotices;

} // namespace tessaport
