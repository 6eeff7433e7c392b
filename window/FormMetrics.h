#pragma once

// What TfrmMainForm.ui cannot carry: uic drops a top-level position, and a .ui font has no
// pixel size. Everything else about the window's look is in the .ui.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <Qt>

namespace FormMetrics {

// Where the frame's top-left corner opens on the screen; the window is not centred.
inline constexpr QPoint ScreenPosition{192, 114};

// A fixed dialog frame: title bar and close box, no minimise or maximise box.
inline constexpr Qt::WindowFlags WindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                               Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                               Qt::MSWindowsFixedSizeDialogHint;

// Every control's own font; the window's 8-point font is in the .ui.
inline const QString ControlFontFamily = QStringLiteral("MS Sans Serif");
inline constexpr int ControlFontPixels = 16;

// Stand-ins with similar metrics where the design font is not installed.
inline const QStringList FontSubstitutes{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                         QStringLiteral("DejaVu Sans")};

// Height of one entry in a list's popup.
inline constexpr int ListEntryHeight = 20;

} // namespace FormMetrics
