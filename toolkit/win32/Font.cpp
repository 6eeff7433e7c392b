#include "Font.h"

#include "EToolkitError.h"
#include "Utf16.h"

#include <cwchar>

namespace tessaport {

std::wstring FaceAt(const std::wstring &face, UINT dpi) {
    if (dpi != 96 && face == L"MS Sans Serif") {
        return L"Microsoft Sans Serif";
    }
    return face;
}

HFONT CreateScaledFont(const FontDescription &description, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = Scaled(description.height, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    const std::wstring drawn = FaceAt(Utf16(description.face), dpi);
    std::wcsncpy(font.lfFaceName, drawn.c_str(), LF_FACESIZE - 1);
    HFONT handle = ::CreateFontIndirectW(&font);
    if (!handle) {
        throw EToolkitError("The font " + Utf8(drawn) + " cannot be created.");
    }
    return handle;
}

} // namespace tessaport
