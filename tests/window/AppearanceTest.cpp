// The window's frame, placement, fonts, control geometry and keyboard behaviour.
#include "QtNative.h"
#include "ScratchRegistry.h"
#include "TfrmMainForm.h"
#include "UserInput.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <memory>

using tessaport::NativeWidget;
using tessaport::testing::AnswerMessage;
using tessaport::testing::ScratchRegistry;

class AppearanceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowIsBuiltFromItsDescriptionOnly();

    void frameIsAFixedDialogAtItsDesignedPlace();
    void backgroundIsButtonFace();
    void iconIsA32PixelSixteenColourImage();
    void controlGeometry_data();
    void controlGeometry();
    void labelsShowTheirWholeCaption();
    void controlsUseTheirOwnSixteenPixelFont();
    void listsArePickOnlyWithTwentyPixelEntries();
    void tabOrder_data();
    void tabOrder();
    void enterAndEscapePressNothing_data();
    void enterAndEscapePressNothing();

private:
    QWidget &OpenActiveWindow();

    std::unique_ptr<ScratchRegistry> registry_;
    std::unique_ptr<TfrmMainForm> window_;
};

void AppearanceTest::init() {
    registry_ = std::make_unique<ScratchRegistry>();
}

void AppearanceTest::cleanup() {
    window_.reset();
    registry_.reset();
}

QWidget &AppearanceTest::OpenActiveWindow() {
    window_ = std::make_unique<TfrmMainForm>();
    QWidget &window = NativeWidget(*window_);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        qFatal("the window never became active");
    }
    return window;
}

void AppearanceTest::windowIsBuiltFromItsDescriptionOnly() {
    QWidget &w = OpenActiveWindow();

    // Every member is the native control of its name; no control is left over.
    const QList<QWidget *> controls = w.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 11);
    const QList<QPair<const tessaport::TControl *, QString>> members{
        {window_->lblProvider, "lblProvider"}, {window_->cbProvider, "cbProvider"},
        {window_->Label1, "Label1"},           {window_->cbNumCards, "cbNumCards"},
        {window_->Label2, "Label2"},           {window_->cbDIAddr, "cbDIAddr"},
        {window_->Label3, "Label3"},           {window_->cbDOAddr, "cbDOAddr"},
        {window_->chkEditMode, "chkEditMode"}, {window_->btnSave, "btnSave"},
        {window_->btnExit, "btnExit"}};
    for (const auto &[member, name] : members) {
        QVERIFY2(member, qPrintable(name));
        QCOMPARE(&NativeWidget(*member), w.findChild<QWidget *>(name));
    }
}

void AppearanceTest::frameIsAFixedDialogAtItsDesignedPlace() {
    QWidget &w = OpenActiveWindow();

    QCOMPARE(w.windowTitle(), "Tessaport Configuration");
    QCOMPARE(w.windowType(), Qt::Window);
    const Qt::WindowFlags flags = w.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

    QCOMPARE(w.size(), QSize(435, 316));
    QCOMPARE(w.minimumSize(), QSize(435, 316));
    QCOMPARE(w.maximumSize(), QSize(435, 316));
    // The frame's corner, not the client area's.
    QCOMPARE(w.frameGeometry().topLeft(), QPoint(192, 114));

    QCOMPARE(w.font().family(), "MS Sans Serif");
    QCOMPARE(w.font().pointSize(), 8);
}

void AppearanceTest::backgroundIsButtonFace() {
    QWidget &w = OpenActiveWindow();
    // The default palettes give Window and Button one colour, which would hide a window that
    // fills with Window.
    QPalette palette = w.palette();
    palette.setColor(QPalette::Window, QColor(0x20, 0x60, 0xa0));
    palette.setColor(QPalette::Button, QColor(0xd4, 0xd0, 0xc8));
    w.setPalette(palette);

    QCOMPARE(w.backgroundRole(), QPalette::Button);
    // A spot between the controls.
    const QImage image = w.grab().toImage();
    QCOMPARE(image.pixelColor(10, 300), QColor(0xd4, 0xd0, 0xc8));
}

void AppearanceTest::iconIsA32PixelSixteenColourImage() {
    QWidget &w = OpenActiveWindow();
    QVERIFY(w.windowIcon().availableSizes().contains(QSize(32, 32)));

    const QImage image(QStringLiteral(":/icons/tessaport-config.png"));
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QVERIFY(image.colorCount() <= 16);
}

void AppearanceTest::controlGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("cbProvider") << "cbProvider" << QRect(160, 24, 241, 28);
    QTest::newRow("cbNumCards") << "cbNumCards" << QRect(160, 64, 241, 28);
    QTest::newRow("cbDIAddr") << "cbDIAddr" << QRect(160, 104, 241, 28);
    QTest::newRow("cbDOAddr") << "cbDOAddr" << QRect(160, 144, 241, 28);
    QTest::newRow("chkEditMode") << "chkEditMode" << QRect(56, 189, 97, 17);
    QTest::newRow("btnSave") << "btnSave" << QRect(101, 224, 129, 57);
    QTest::newRow("btnExit") << "btnExit" << QRect(237, 224, 129, 57);
    // A label's width follows its caption; only its left edge, top and height are fixed.
    QTest::newRow("lblProvider") << "lblProvider" << QRect(96, 28, 0, 20);
    QTest::newRow("Label1") << "Label1" << QRect(30, 68, 0, 20);
    QTest::newRow("Label2") << "Label2" << QRect(34, 108, 0, 20);
    QTest::newRow("Label3") << "Label3" << QRect(27, 148, 0, 20);
}

void AppearanceTest::controlGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QWidget &w = OpenActiveWindow();

    auto *control = w.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &w);
    if (geometry.width() == 0) {
        QCOMPARE(control->pos(), geometry.topLeft());
        QCOMPARE(control->height(), geometry.height());
    } else {
        QCOMPARE(control->geometry(), geometry);
    }
}

void AppearanceTest::labelsShowTheirWholeCaption() {
    QWidget &w = OpenActiveWindow();
    const auto label = [&](const char *name) { return w.findChild<QLabel *>(name); };

    // Each with its access key marked; the mark takes no room.
    const QList<QPair<QLabel *, QString>> labels{{label("lblProvider"), "&Provider"},
                                                 {label("Label1"), "&Number Of Cards"},
                                                 {label("Label2"), "D&I Start Address"},
                                                 {label("Label3"), "D&O Start Address"}};
    for (const auto &[label, marked] : labels) {
        QCOMPARE(label->text(), marked);
        const QString caption = QString(marked).remove('&');
        QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(caption),
                 qPrintable(caption));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        if (QFontInfo(label->font()).family() == "Liberation Sans") {
            // With the usual stand-in font the captions stay clear of the lists.
            QVERIFY2(label->geometry().right() < 160, qPrintable(caption));
        }
    }
}

void AppearanceTest::controlsUseTheirOwnSixteenPixelFont() {
    QWidget &w = OpenActiveWindow();

    const QList<QWidget *> controls = w.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 11);
    for (QWidget *control : controls) {
        QCOMPARE(control->font().family(), "MS Sans Serif");
        QCOMPARE(control->font().pixelSize(), 16);
        QCOMPARE(QFontInfo(control->font()).pixelSize(), 16);
        if (QFontDatabase::hasFamily("Liberation Sans")) {
            QCOMPARE(QFontInfo(control->font()).family(), "Liberation Sans");
        }
    }
}

void AppearanceTest::listsArePickOnlyWithTwentyPixelEntries() {
    QWidget &w = OpenActiveWindow();
    QTest::mouseClick(w.findChild<QCheckBox *>("chkEditMode"), Qt::LeftButton);

    for (QComboBox *list : w.findChildren<QComboBox *>()) {
        QVERIFY(!list->isEditable());
        list->showPopup();
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(view->visualRect(view->model()->index(1, 0)).height(), 20);
        list->hidePopup();
        QTRY_VERIFY(!view->isVisible());
    }
}

void AppearanceTest::tabOrder_data() {
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QStringList>("visits");
    QTest::newRow("edit mode off")
        << false << QStringList{"cbProvider", "chkEditMode", "btnSave", "btnExit"};
    QTest::newRow("edit mode on") << true << QStringList{"cbProvider", "cbNumCards",  "cbDIAddr",
                                                         "cbDOAddr",   "chkEditMode", "btnSave",
                                                         "btnExit"};
}

void AppearanceTest::tabOrder() {
    QFETCH(bool, editMode);
    QFETCH(QStringList, visits);
    QWidget &w = OpenActiveWindow();
    QWidget *provider = w.findChild<QWidget *>("cbProvider");
    if (editMode) {
        QTest::mouseClick(w.findChild<QWidget *>("chkEditMode"), Qt::LeftButton);
        provider->setFocus(Qt::OtherFocusReason);
    }
    QTRY_COMPARE(QApplication::focusWidget(), provider);

    QStringList forward;
    for (int i = 0; i <= visits.size(); ++i) {
        forward << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(forward, visits + QStringList{visits.first()});

    QStringList backward;
    for (int i = 0; i <= visits.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        backward.prepend(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(backward, visits + QStringList{visits.first()});
}

void AppearanceTest::enterAndEscapePressNothing_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    for (const char *focus : {"cbProvider", "chkEditMode", "btnSave", "btnExit"}) {
        QTest::addRow("Enter on %s", focus) << focus << int(Qt::Key_Return);
        QTest::addRow("Esc on %s", focus) << focus << int(Qt::Key_Escape);
    }
}

void AppearanceTest::enterAndEscapePressNothing() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QWidget &w = OpenActiveWindow();
    auto *target = w.findChild<QWidget *>(focus);
    target->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), target);

    // Save would refuse with a message (the lists are empty); Exit or Esc would close.
    const auto shown = AnswerMessage([&] { QTest::keyClick(target, Qt::Key(key)); });

    QVERIFY(!shown);
    QVERIFY(w.isVisible());
    QVERIFY(!window_->chkEditMode->Checked());
}

QTEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
