// The window on Win32 as the system sees it: frame, place, client area, every control's
// rectangle, fonts, tab order and the keys that must press nothing, at the screen's resolution.
// With --at-dpi=N it sets the display's resolution to N, runs itself again, and puts the old
// resolution back.
#include "ScratchRegistry.h"
#include "TApplication.h"
#include "TfrmMainForm.h"
#include "UserInput.h"
#include "Win32Native.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace tessaport;
using namespace tessaport::testing;

namespace {

UINT ScreenDpi() {
    using GetDpi = UINT(WINAPI *)();
    auto get = reinterpret_cast<GetDpi>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForSystem")));
    return get ? get() : 96;
}

int At(int design) {
    return ::MulDiv(design, static_cast<int>(ScreenDpi()), 96);
}

RECT Expected(int left, int top, int width, int height) {
    return {At(left), At(top), At(left) + At(width), At(top) + At(height)};
}

std::string Describe(const RECT &r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// The control's rectangle in its window's client area.
RECT PlaceOf(HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

LOGFONTW FontOf(HWND window) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    EXPECT_TRUE(handle != nullptr);
    if (handle) {
        ::GetObjectW(handle, sizeof font, &font);
    }
    return font;
}

std::wstring Text(HWND window) {
    wchar_t text[128] = {};
    ::GetWindowTextW(window, text, 128);
    return text;
}

class Win32AppearanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char *expected = std::getenv("TESSAPORT_EXPECT_DPI")) {
            // A run meant for another resolution must not pass at 96 dpi by accident.
            ASSERT_EQ(ScreenDpi(), static_cast<UINT>(std::atoi(expected)));
        }
        window_ = std::make_unique<TfrmMainForm>();
        window_->Show();
        ProcessEvents();
        form_ = window_->Native().hwnd;
    }

    HWND Hwnd(const TControl *control) const { return control->Native().hwnd; }

    // Presses a key where the focus is, through the message loop's own dispatch.
    void Press(WPARAM key) {
        HWND focus = ::GetFocus();
        DispatchForWindow(MSG{focus, WM_KEYDOWN, key, 1, 0, {}});
        DispatchForWindow(MSG{focus, WM_KEYUP, key, 0xC0000001, 0, {}});
        ProcessEvents();
    }

    std::string FocusName() const {
        HWND focus = ::GetFocus();
        for (const TControl *control : std::vector<const TControl *>{
                 window_->cbProvider, window_->cbNumCards, window_->cbDIAddr, window_->cbDOAddr,
                 window_->chkEditMode, window_->btnSave, window_->btnExit}) {
            if (Hwnd(control) == focus || ::IsChild(Hwnd(control), focus)) {
                return control->Name();
            }
        }
        return "(elsewhere)";
    }

    ScratchRegistry registry_;
    std::unique_ptr<TfrmMainForm> window_;
    HWND form_ = nullptr;
};

} // namespace

TEST_F(Win32AppearanceTest, FrameIsAFixedDialogWithACloseBoxOnly) {
    const LONG_PTR style = ::GetWindowLongPtrW(form_, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_EQ(Text(form_), L"Tessaport Configuration");
    EXPECT_EQ(::GetClassLongPtrW(form_, GCLP_HBRBACKGROUND),
              static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
    EXPECT_NE(::GetClassLongPtrW(form_, GCLP_HICON), 0u);
}

TEST_F(Win32AppearanceTest, FrameOpensAtItsDesignedPlaceAroundTheClientArea) {
    RECT frame{};
    ::GetWindowRect(form_, &frame);
    EXPECT_EQ(frame.left, At(192));
    EXPECT_EQ(frame.top, At(114));

    RECT client{};
    ::GetClientRect(form_, &client);
    EXPECT_EQ(client.right, At(435));
    EXPECT_EQ(client.bottom, At(316));
}

TEST_F(Win32AppearanceTest, EveryControlHasItsRectangle) {
    struct Place {
        const TControl *control;
        RECT rect;
    };
    const std::vector<Place> places{
        {window_->cbProvider, Expected(160, 24, 241, 28)},
        {window_->cbNumCards, Expected(160, 64, 241, 28)},
        {window_->cbDIAddr, Expected(160, 104, 241, 28)},
        {window_->cbDOAddr, Expected(160, 144, 241, 28)},
        {window_->chkEditMode, Expected(56, 189, 97, 17)},
        {window_->btnSave, Expected(101, 224, 129, 57)},
        {window_->btnExit, Expected(237, 224, 129, 57)},
    };
    for (const Place &place : places) {
        const RECT actual = PlaceOf(Hwnd(place.control));
        EXPECT_EQ(Describe(actual), Describe(place.rect)) << place.control->Name();
    }
}

TEST_F(Win32AppearanceTest, LabelsFitTheirCaptionsAndMeetTheirLists) {
    struct Place {
        const TLabel *label;
        RECT rect;
    };
    const std::vector<Place> places{
        {window_->lblProvider, Expected(96, 28, 57, 20)},
        {window_->Label1, Expected(30, 68, 123, 20)},
        {window_->Label2, Expected(34, 108, 119, 20)},
        {window_->Label3, Expected(27, 148, 126, 20)},
    };
    HDC context = ::GetDC(form_);
    for (const Place &place : places) {
        HWND label = Hwnd(place.label);
        const RECT actual = PlaceOf(label);
        // At 96 dpi the left edge stays; elsewhere the right edge, where the list begins.
        if (ScreenDpi() == 96) {
            EXPECT_EQ(actual.left, place.rect.left) << place.label->Name();
        } else {
            // Every label of the design ends at x = 153.
            EXPECT_EQ(actual.right, At(153)) << place.label->Name();
        }
        EXPECT_EQ(actual.top, place.rect.top) << place.label->Name();
        EXPECT_EQ(actual.bottom - actual.top, place.rect.bottom - place.rect.top);
        HGDIOBJ previous = ::SelectObject(
            context, reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)));
        std::wstring caption = Text(label);
        std::erase(caption, L'&');
        SIZE size{};
        ::GetTextExtentPoint32W(context, caption.c_str(), static_cast<int>(caption.size()), &size);
        wchar_t face[LF_FACESIZE] = {};
        ::GetTextFaceW(context, LF_FACESIZE, face);
        ::SelectObject(context, previous);
        EXPECT_EQ(actual.right - actual.left, size.cx) << place.label->Name();
        if (ScreenDpi() == 96 && std::wstring(face) == L"MS Sans Serif") {
            // The design font itself: the captions end on one line, clear of the lists.
            EXPECT_EQ(Describe(actual), Describe(place.rect)) << place.label->Name();
        }
        EXPECT_LT(actual.right, At(160)) << place.label->Name();
    }
    ::ReleaseDC(form_, context);
}

TEST_F(Win32AppearanceTest, ControlsUseTheirOwnFontAndTheWindowItsSmallerOne) {
    // The design's bitmap face at 96 dpi; its outline form where it has to grow.
    const std::wstring face = ScreenDpi() == 96 ? L"MS Sans Serif" : L"Microsoft Sans Serif";
    const LOGFONTW windowFont = FontOf(form_);
    EXPECT_EQ(std::wstring(windowFont.lfFaceName), face);
    EXPECT_EQ(windowFont.lfHeight, At(-11));

    HWND child = ::GetWindow(form_, GW_CHILD);
    int controls = 0;
    for (; child; child = ::GetWindow(child, GW_HWNDNEXT), ++controls) {
        const LOGFONTW font = FontOf(child);
        EXPECT_EQ(std::wstring(font.lfFaceName), face) << controls;
        EXPECT_EQ(font.lfHeight, At(-16)) << controls;
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    }
    EXPECT_EQ(controls, 11);
}

namespace {

// The height in pixels of the ink of a text drawn in a font, on white, and the face drawn.
int InkHeight(HFONT font, const std::wstring &text, std::wstring *face = nullptr) {
    constexpr int kWidth = 600;
    constexpr int kHeight = 120;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC context = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(context, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previousBitmap = ::SelectObject(context, bitmap);
    HGDIOBJ previousFont = ::SelectObject(context, font);
    RECT all{0, 0, kWidth, kHeight};
    ::FillRect(context, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(context, RGB(0, 0, 0));
    ::SetBkMode(context, TRANSPARENT);
    ::TextOutW(context, 10, 10, text.c_str(), static_cast<int>(text.size()));
    ::GdiFlush();
    if (face) {
        wchar_t name[LF_FACESIZE] = {};
        ::GetTextFaceW(context, LF_FACESIZE, name);
        *face = name;
    }
    int top = -1;
    int bottom = -1;
    const auto *pixels = static_cast<const std::uint32_t *>(bits);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Half-dark or darker counts as ink, whether or not the face is smoothed.
            if ((pixels[y * kWidth + x] & 0xFF) < 0x80) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    ::SelectObject(context, previousFont);
    ::SelectObject(context, previousBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(context);
    return top < 0 ? 0 : bottom - top + 1;
}

} // namespace

// The text as drawn grows with the screen: each caption in its control's font is as much taller
// than in the design font at 96 dpi as the screen's resolution is finer, within two pixels.
TEST_F(Win32AppearanceTest, TextIsDrawnAtTheScreensScale) {
    LOGFONTW design{};
    design.lfHeight = -16;
    design.lfWeight = FW_NORMAL;
    design.lfCharSet = DEFAULT_CHARSET;
    std::wcscpy(design.lfFaceName, L"MS Sans Serif");
    HFONT designFont = ::CreateFontIndirectW(&design);
    for (const TControl *control :
         std::vector<const TControl *>{window_->lblProvider, window_->Label1, window_->Label2,
                                       window_->Label3, window_->chkEditMode, window_->btnSave}) {
        const std::wstring caption = Text(Hwnd(control));
        auto font = reinterpret_cast<HFONT>(::SendMessageW(Hwnd(control), WM_GETFONT, 0, 0));
        const int designHeight = InkHeight(designFont, caption);
        std::wstring face;
        const int drawn = InkHeight(font, caption, &face);
        ASSERT_GT(designHeight, 0) << control->Name();
        std::printf("%s: %d pixels high in %ls at %u dpi, %d at 96 dpi\n", control->Name().c_str(),
                    drawn, face.c_str(), ScreenDpi(), designHeight);
        EXPECT_NEAR(drawn, At(designHeight), 2) << control->Name();
    }
    ::DeleteObject(designFont);
}

TEST_F(Win32AppearanceTest, ListsArePickOnlyWithTwentyPixelEntries) {
    // Wine sets the entries' height of a list that is not owner-drawn from its font and ignores
    // CB_SETITEMHEIGHT for them, which Windows honours; at 96 dpi the two agree.
    const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    const bool checkEntries = !wine || ScreenDpi() == 96;
    for (const TComboBox *list :
         {window_->cbProvider, window_->cbNumCards, window_->cbDIAddr, window_->cbDOAddr}) {
        HWND hwnd = Hwnd(list);
        EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWL_STYLE) & 3, CBS_DROPDOWNLIST) << list->Name();
        // Wine reads back a little more than was set; Windows reads back the value.
        const LRESULT entry = ::SendMessageW(hwnd, CB_GETITEMHEIGHT, 0, 0);
        if (checkEntries) {
            EXPECT_GE(entry, At(20)) << list->Name();
            EXPECT_LE(entry, At(20) + 2) << list->Name();
        }
    }
    if (!checkEntries) {
        GTEST_SKIP() << "Wine keeps font-sized entries at " << ScreenDpi() << " dpi";
    }
}

// With the window so low that the last list's box nearly meets the bottom of the screen, its list
// opens above the box with all ten entries, as ten fit there, rather than with the one that fits
// below.
TEST_F(Win32AppearanceTest, AListNearTheBottomOfTheScreenOpensAboveWithTenEntries) {
    HWND list = Hwnd(window_->cbDOAddr);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(form_, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT frame{};
    RECT box{};
    ::GetWindowRect(form_, &frame);
    ::GetWindowRect(list, &box);
    const int lower = monitor.rcWork.bottom - At(10) - box.bottom;
    ::SetWindowPos(form_, nullptr, frame.left, frame.top + lower, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ProcessEvents();
    ::GetWindowRect(list, &box);
    ASSERT_GE(box.top - monitor.rcWork.top, At(20) * 11) << "the screen is too small to tell";

    ::SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    ProcessEvents();
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetComboBoxInfo(list, &info));
    RECT open{};
    ::GetWindowRect(info.hwndList, &open);
    ::SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
    ProcessEvents();
    EXPECT_LE(open.bottom, box.top + 1) << Describe(open) << " over the box " << Describe(box);
    // In designed entries, rounded: Wine gives the open list the height asked for, but sizes its
    // entries by their font beyond 96 dpi.
    EXPECT_EQ((open.bottom - open.top + At(10)) / At(20), 10) << Describe(open);
}

TEST_F(Win32AppearanceTest, ZOrderIsCreationOrderWithEachLabelBeforeItsList) {
    std::vector<std::wstring> order;
    for (HWND child = ::GetWindow(form_, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        order.push_back(Text(child));
    }
    ASSERT_EQ(order.size(), 11u);
    // Access keys declared where the proxies and the dialog manager read them; the tests run
    // with access keys underlined at all times, Wine's default.
    ASSERT_TRUE(AccessKeysAlwaysShown());
    EXPECT_EQ(order[0], L"&Provider");
    EXPECT_EQ(order[2], L"&Number Of Cards");
    EXPECT_EQ(order[4], L"D&I Start Address");
    EXPECT_EQ(order[6], L"D&O Start Address");
    EXPECT_EQ(order[8], L"&Edit Mode");
    EXPECT_EQ(order[9], L"&Save");
    EXPECT_EQ(order[10], L"E&xit");
    for (const TLabel *label :
         {window_->lblProvider, window_->Label1, window_->Label2, window_->Label3}) {
        EXPECT_FALSE(::GetWindowLongPtrW(Hwnd(label), GWL_STYLE) & SS_NOPREFIX);
    }
}

TEST_F(Win32AppearanceTest, TabVisitsTheEnabledControlsInOrder) {
    ::SetFocus(Hwnd(window_->cbProvider));
    std::vector<std::string> visits;
    for (int i = 0; i < 5; ++i) {
        visits.push_back(FocusName());
        Press(VK_TAB);
    }
    EXPECT_EQ(visits, (std::vector<std::string>{"cbProvider", "chkEditMode", "btnSave", "btnExit",
                                                "cbProvider"}));

    Click(*window_->chkEditMode);
    ::SetFocus(Hwnd(window_->cbProvider));
    visits.clear();
    for (int i = 0; i < 8; ++i) {
        visits.push_back(FocusName());
        Press(VK_TAB);
    }
    EXPECT_EQ(visits,
              (std::vector<std::string>{"cbProvider", "cbNumCards", "cbDIAddr", "cbDOAddr",
                                        "chkEditMode", "btnSave", "btnExit", "cbProvider"}));
}

TEST_F(Win32AppearanceTest, EnterAndEscPressNothing) {
    for (const TControl *focus : std::vector<const TControl *>{
             window_->cbProvider, window_->chkEditMode, window_->btnSave, window_->btnExit}) {
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
            // Reached with Tab, as a person does: a button the dialog manager focuses becomes
            // the default one, which Enter would press.
            ::SetFocus(Hwnd(window_->cbProvider));
            for (int tabs = 0; tabs < 4 && FocusName() != focus->Name(); ++tabs) {
                Press(VK_TAB);
            }
            ASSERT_EQ(FocusName(), focus->Name());

            // Save would refuse with a message (the lists are empty); Exit or Esc would close.
            const auto shown = AnswerMessage([&] { Press(key); });

            EXPECT_FALSE(shown) << focus->Name() << " key " << key;
            EXPECT_TRUE(window_->Visible()) << focus->Name() << " key " << key;
            EXPECT_FALSE(window_->chkEditMode->Checked());
        }
    }
}

TEST_F(Win32AppearanceTest, TheCloseBoxClosesLikeExit) {
    ::SendMessageW(form_, WM_CLOSE, 0, 0);
    ProcessEvents();

    EXPECT_FALSE(window_->Visible());
    // Hidden like Exit, not destroyed behind the program's back.
    EXPECT_TRUE(::IsWindow(form_));
    EXPECT_FALSE(registry_.KeyExists("Software\\Korvanta\\Tessaport\\Advantech"));
}

namespace {

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

// Sets LogPixels, runs this program again, and restores it.
int RunAtDpi(int dpi) {
    HKEY desktop = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &desktop, nullptr) != ERROR_SUCCESS) {
        return 2;
    }
    DWORD previous = 0;
    DWORD size = sizeof previous;
    const bool hadValue =
        ::RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr,
                           reinterpret_cast<BYTE *>(&previous), &size) == ERROR_SUCCESS;
    DWORD wanted = static_cast<DWORD>(dpi);
    ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&wanted),
                     sizeof wanted);

    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\"";
    ::SetEnvironmentVariableW(L"TESSAPORT_EXPECT_DPI", std::to_wstring(dpi).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD status = 2;
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    if (hadValue) {
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD,
                         reinterpret_cast<const BYTE *>(&previous), sizeof previous);
    } else {
        ::RegDeleteValueW(desktop, L"LogPixels");
    }
    ::RegCloseKey(desktop);
    return static_cast<int>(status);
}

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--at-dpi=", 0) == 0) {
            return RunAtDpi(std::stoi(argument.substr(9)));
        }
    }

    ::testing::InitGoogleTest(&argc, argv);
    TApplication application(argc, argv);
    application.Initialize();
    application.SetTitle("Tessaport Configuration");
    return RUN_ALL_TESTS();
}
