#include "AccessKeyCues.h"
#include "QtNative.h"
#include "TForm.h"

#include <QAccessibleWidget>
#include <QIcon>

namespace tessaport {

namespace {

// A fixed dialog frame: title bar and close box, no minimise or maximise box.
constexpr Qt::WindowFlags kDialogFrame = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                         Qt::MSWindowsFixedSizeDialogHint;

// Stand-ins with similar metrics where the design font is not installed.
const QStringList kFontSubstitutes{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                   QStringLiteral("DejaVu Sans")};

QFont FontFor(const FontDescription &description) {
    const QString face = ToQString(description.face);
    QFont::insertSubstitutions(face, kFontSubstitutes);
    QFont font(face);
    if (description.height < 0) {
        font.setPixelSize(-description.height);
    } else {
        // A cell height: about a fifth of it is leading.
        font.setPixelSize(description.height * 4 / 5);
    }
    return font;
}

// The window's own font, in points as a designer would give it: height -11 at 96 dpi is 8 points.
QFont WindowFontFor(const FontDescription &description) {
    QFont font = FontFor(description);
    const int pixels = description.height < 0 ? -description.height : description.height;
    font.setPointSize(pixels * 72 / 96);
    return font;
}

// Marks the windows made here, for the accessibility factory below.
constexpr char kFormProperty[] = "tessaportForm";

// Assistive tools list windows by their frame or dialog role; a plain QWidget reports
// "filler". Ours is a dialog.
QAccessibleInterface *DialogRole(const QString &, QObject *object) {
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget && widget->isWindow() && widget->property(kFormProperty).toBool()) {
        return new QAccessibleWidget(widget, QAccessible::Dialog);
    }
    return nullptr;
}

} // namespace

TForm::TForm(const FormDescription &description) : impl_(std::make_unique<Impl>()) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(DialogRole);
        return true;
    }();
    impl_->window = std::make_unique<QWidget>(nullptr, kDialogFrame);
    QWidget &window = *impl_->window;
    window.setProperty(kFormProperty, factoryInstalled);
    impl_->accessKeyCues = new AccessKeyCues(window);
    window.setObjectName(ToQString(description.name));
    window.setWindowTitle(ToQString(description.caption));
    window.setWindowIcon(QIcon(QStringLiteral(":/icons/tessaport-config.png")));
    window.setFixedSize(description.clientWidth, description.clientHeight);
    window.setFont(WindowFontFor(description.font));
    window.setBackgroundRole(QPalette::Button);
    window.setAutoFillBackground(true);
    // move() places the frame's corner, not the client area's.
    window.move(description.left, description.top);
    impl_->controlFont = FontFor(description.controlFont);
}

TForm::~TForm() = default;

std::string TForm::Caption() const {
    return impl_->window->windowTitle().toStdString();
}

void TForm::Show() {
    impl_->window->show();
}

bool TForm::Visible() const {
    return impl_->window->isVisible();
}

void TForm::Close() {
    impl_->window->close();
}

} // namespace tessaport
