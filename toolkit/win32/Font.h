#pragma once

#include "Win32Native.h"

#include <string>

namespace tessaport {

// The face drawn for a described face at a resolution. "MS Sans Serif" is a bitmap font with a
// few fixed sizes, so beyond 96 dpi its glyphs would not grow with the window; there its outline
// form, "Microsoft Sans Serif", which every Windows since 2000 has, takes its place.
std::wstring FaceAt(const std::wstring &face, UINT dpi);

// The described font at a resolution.
HFONT CreateScaledFont(const FontDescription &description, UINT dpi);

} // namespace tessaport
