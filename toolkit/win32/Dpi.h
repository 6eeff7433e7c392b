#pragma once

#include "Win32Native.h"

namespace tessaport {

// Resolution helpers that use the per-monitor functions where Windows has them (10, 1607 on)
// and fall back to the system's resolution before that. Looked up at run time, so that the
// program still starts on older systems.

// Makes the process per-monitor aware when no manifest has; harmless when one has.
void DeclareDpiAwareness();
UINT SystemDpi();
UINT WindowDpi(HWND window);
// The frame's size for a client area of the given size.
SIZE FrameSizeFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

} // namespace tessaport
