#include "FixedRowHeightDelegate.h"
#include "QtNative.h"
#include "TForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace tessaport {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

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

} // namespace

TForm::TForm(const FormDescription &description) : impl_(std::make_unique<Impl>()) {
    impl_->window = std::make_unique<QWidget>(nullptr, kDialogFrame);
    QWidget &window = *impl_->window;
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

TForm::~TForm() {
    controls_.clear();
}

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

namespace {

// Common to every control: parent, name, font, place and enabled state.
void Place(QWidget &widget, const ControlDescription &description, const QFont &font) {
    widget.setObjectName(ToQString(description.name));
    widget.setFont(font);
    widget.setGeometry(description.bounds.left, description.bounds.top, description.bounds.width,
                       description.bounds.height);
    widget.setEnabled(description.enabled);
}

} // namespace

// Focusable controls join the tab chain in the order they are created; a label just before one
// becomes its buddy, which is what screen readers announce as the control's name.
static void Chain(TForm::Impl &form, QWidget &widget) {
    if (form.pendingLabel) {
        form.pendingLabel->setBuddy(&widget);
        form.pendingLabel = nullptr;
    }
    if (form.lastFocusable) {
        QWidget::setTabOrder(form.lastFocusable, &widget);
    }
    form.lastFocusable = &widget;
}

TLabel &TForm::AddLabel(const ControlDescription &description) {
    auto *label = new QLabel(ToQString(description.caption), impl_->window.get());
    Place(*label, description, impl_->controlFont);
    label->setFocusPolicy(Qt::NoFocus);
    // Fits its caption and keeps its left edge, so a stand-in font that runs wider than the
    // design font is not cut off.
    label->resize(label->fontMetrics().horizontalAdvance(label->text()), label->height());
    impl_->pendingLabel = label;
    auto control = std::make_unique<TLabel>(std::make_unique<TControl::Impl>(label));
    TLabel &result = *control;
    controls_.push_back(std::move(control));
    return result;
}

TComboBox &TForm::AddComboBox(const ControlDescription &description) {
    auto *list = new QComboBox(impl_->window.get());
    Place(*list, description, impl_->controlFont);
    list->setEditable(false);
    if (description.entries) {
        for (const std::string &entry : description.entries()) {
            list->addItem(QString::fromStdString(entry));
        }
    }
    if (description.entryHeight > 0) {
        // The list takes ownership and deletes the delegate it replaces.
        list->setItemDelegate(new FixedRowHeightDelegate(description.entryHeight, list));
    }
    Chain(*impl_, *list);
    auto control = std::make_unique<TComboBox>(std::make_unique<TControl::Impl>(list));
    TComboBox &result = *control;
    // activated() comes from the user's pick only, never from setCurrentIndex().
    QObject::connect(list, &QComboBox::activated, list, [&result] {
        if (result.OnChange) {
            result.OnChange();
        }
    });
    controls_.push_back(std::move(control));
    return result;
}

TCheckBox &TForm::AddCheckBox(const ControlDescription &description) {
    auto *box = new QCheckBox(ToQString(description.caption), impl_->window.get());
    Place(*box, description, impl_->controlFont);
    Chain(*impl_, *box);
    auto control = std::make_unique<TCheckBox>(std::make_unique<TControl::Impl>(box));
    TCheckBox &result = *control;
    QObject::connect(box, &QCheckBox::clicked, box, [&result] {
        if (result.OnClick) {
            result.OnClick();
        }
    });
    controls_.push_back(std::move(control));
    return result;
}

TButton &TForm::AddButton(const ControlDescription &description) {
    auto *button = new QPushButton(ToQString(description.caption), impl_->window.get());
    Place(*button, description, impl_->controlFont);
    // Neither the default nor the cancel button: Enter and Esc press nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    Chain(*impl_, *button);
    auto control = std::make_unique<TButton>(std::make_unique<TControl::Impl>(button));
    TButton &result = *control;
    QObject::connect(button, &QPushButton::clicked, button, [&result] {
        if (result.OnClick) {
            result.OnClick();
        }
    });
    controls_.push_back(std::move(control));
    return result;
}

} // namespace tessaport
