#include "AccessKey.h"
#include "EToolkitError.h"
#include "Utf16.h"
#include "Win32Native.h"

namespace tessaport {

HINSTANCE Instance() {
    return ::GetModuleHandleW(nullptr);
}

std::string WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return Utf8(text);
}

TControl::TControl(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

TControl::~TControl() = default;

std::string TControl::Name() const {
    return impl_->name;
}

bool TControl::Enabled() const {
    return ::IsWindowEnabled(impl_->hwnd) != FALSE;
}

void TControl::SetEnabled(bool enabled) {
    ::EnableWindow(impl_->hwnd, enabled ? TRUE : FALSE);
}

void ShowAccessKeys(TForm::Impl &form, bool shown) {
    BOOL always = FALSE;
    ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0);
    shown = shown || always;
    form.accessKeysShown = shown;
    ::SendMessageW(form.hwnd, WM_CHANGEUISTATE,
                   MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEACCEL), 0);
    const bool hidden = (::SendMessageW(form.hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
    if (hidden == shown) {
        // The system keeps no UI state (Wine), and its controls underline whatever the state
        // says: the captions carry the marks only while they are to be seen. The dialog manager
        // reads them for Alt and a key, that is while Alt is held.
        for (const TControl::Impl *control : form.controls) {
            if (control->accessKey != '\0') {
                const std::string caption = WithoutAccessKey(WindowText(control->hwnd));
                const std::string text =
                    shown ? WithAccessKey(caption, control->accessKey) : caption;
                ::SetWindowTextW(control->hwnd, Utf16(text).c_str());
            }
        }
    }
}

std::unique_ptr<TControl::Impl>
CreateNativeControl(TForm::Impl &form, const wchar_t *className, DWORD style,
                    const ControlDescription &description,
                    void (*layOut)(const TForm::Impl &, const TControl::Impl &)) {
    auto control = std::make_unique<TControl::Impl>();
    control->name = std::string(description.name);
    control->design = description.bounds;
    control->entryHeight = description.entryHeight;
    control->visibleEntries = description.visibleEntries;
    control->accessKey = description.accessKey;
    control->layOut = layOut;
    const int id = form.nextControlId++;
    control->hwnd = ::CreateWindowExW(
        0, className, Utf16(WithAccessKey(description.caption, description.accessKey)).c_str(),
        WS_CHILD | WS_VISIBLE | style | (description.enabled ? 0 : WS_DISABLED), 0, 0, 0, 0,
        form.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    if (!control->hwnd) {
        throw EToolkitError("The control " + control->name + " cannot be created.");
    }
    // Last in z-order, so that z-order, and with it the tab order, is the creation order, and
    // a label comes just before the control it names.
    ::SetWindowPos(control->hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowLongPtrW(control->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control.get()));

    form.controls.push_back(control.get());
    LayOutControl(form, *control);
    return control;
}

void LayOutControl(const TForm::Impl &form, const TControl::Impl &control) {
    // First: a list works out its heights from its font.
    ::SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(form.controlFont.get()),
                   FALSE);
    control.layOut(form, control);
}

void PlaceAsDesigned(const TForm::Impl &form, const TControl::Impl &control) {
    const Bounds &design = control.design;
    ::SetWindowPos(control.hwnd, nullptr, Scaled(design.left, form.dpi),
                   Scaled(design.top, form.dpi), Scaled(design.width, form.dpi),
                   Scaled(design.height, form.dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace tessaport
