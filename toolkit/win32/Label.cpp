#include "AccessKey.h"
#include "TForm.h"
#include "TLabel.h"
#include "Utf16.h"
#include "Win32Native.h"

#include <commctrl.h>

namespace tessaport {

namespace {

// The caption as shown: the access key's mark takes no room.
int CaptionWidth(HWND control, HFONT font) {
    const std::wstring caption = Utf16(WithoutAccessKey(WindowText(control)));
    const int length = static_cast<int>(caption.size());
    HDC context = ::GetDC(control);
    HGDIOBJ previous = ::SelectObject(context, font);
    SIZE size{};
    ::GetTextExtentPoint32W(context, caption.c_str(), length, &size);
    ::SelectObject(context, previous);
    ::ReleaseDC(control, context);
    return size.cx;
}

// Fits its caption. At 96 dpi it keeps its left edge, as designed; at other resolutions the
// caption's width does not scale exactly with the font, and the label keeps its right edge
// instead, so that it still ends where the control it names begins.
void LayOutLabel(const TForm::Impl &form, const TControl::Impl &control) {
    const int width = CaptionWidth(control.hwnd, form.controlFont.get());
    const Bounds &design = control.design;
    const int left =
        form.dpi == 96 ? design.left : Scaled(design.left + design.width, form.dpi) - width;
    ::SetWindowPos(control.hwnd, nullptr, left, Scaled(design.top, form.dpi), width,
                   Scaled(design.height, form.dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

std::string TLabel::Caption() const {
    return WithoutAccessKey(WindowText(Native().hwnd));
}

TLabel &TForm::AddLabel(const ControlDescription &description) {
    // Without SS_NOPREFIX: the dialog manager and the accessibility proxies read the access key
    // from the "&" in the text.
    return Keep<TLabel>(CreateNativeControl(*impl_, WC_STATICW, SS_LEFT, description, LayOutLabel));
}

} // namespace tessaport
