#include "TForm.h"
#include "TLabel.h"
#include "Win32Native.h"

#include <commctrl.h>

namespace tessaport {

namespace {

int CaptionWidth(HWND control, HFONT font) {
    const int length = ::GetWindowTextLengthW(control);
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    ::GetWindowTextW(control, caption.data(), length + 1);
    HDC context = ::GetDC(control);
    HGDIOBJ previous = ::SelectObject(context, font);
    SIZE size{};
    ::GetTextExtentPoint32W(context, caption.c_str(), length, &size);
    ::SelectObject(context, previous);
    ::ReleaseDC(control, context);
    return size.cx;
}

// Fits its caption and keeps its left edge.
void LayOutLabel(const TForm::Impl &form, const TControl::Impl &control) {
    PlaceControl(form, control, CaptionWidth(control.hwnd, form.controlFont.Get()),
                 Scaled(control.design.height, form.dpi));
}

} // namespace

std::string TLabel::Caption() const {
    return WindowText(Native().hwnd);
}

TLabel &TForm::AddLabel(const ControlDescription &description) {
    auto control = std::make_unique<TLabel>(
        CreateNativeControl(*impl_, WC_STATICW, SS_LEFT | SS_NOPREFIX, description, LayOutLabel));
    TLabel &result = *control;
    controls_.push_back(std::move(control));
    return result;
}

} // namespace tessaport
