// The window's frame, placement, fonts, control geometry and keyboard behaviour.
#include "ScratchRegistry.h"
#include "TfrmMainForm.h"
#include "WindowTestSupport.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using tessaport::testing::AnswerMessage;
using tessaport::testing::ScratchRegistry;

class AppearanceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

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
    TfrmMainForm &OpenActiveWindow();

    std::unique_ptr<ScratchRegistry> registry_;
    std::unique_ptr<TfrmMainForm> window_;
};

void AppearanceTest::init() {
    QTest::failOnWarning(QRegularExpression("^QObject::connect"));
    registry_ = std::make_unique<ScratchRegistry>();
}

void AppearanceTest::cleanup() {
    window_.reset();
    registry_.reset();
}

TfrmMainForm &AppearanceTest::OpenActiveWindow() {
    window_ = std::make_unique<TfrmMainForm>();
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) {
        qFatal("the window never became active");
    }
    return *window_;
}

void AppearanceTest::frameIsAFixedDialogAtItsDesignedPlace() {
    TfrmMainForm &w = OpenActiveWindow();

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
    TfrmMainForm &w = OpenActiveWindow();

    QCOMPARE(w.backgroundRole(), QPalette::Button);
    // A spot between the controls.
    const QImage image = w.grab().toImage();
    QCOMPARE(image.pixelColor(10, 300), w.palette().color(QPalette::Button));
}

void AppearanceTest::iconIsA32PixelSixteenColourImage() {
    TfrmMainForm &w = OpenActiveWindow();
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
    TfrmMainForm &w = OpenActiveWindow();

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
    TfrmMainForm &w = OpenActiveWindow();

    const QList<QPair<QLabel *, QString>> labels{{w.lblProvider, "Provider"},
                                                 {w.Label1, "Number Of Cards"},
                                                 {w.Label2, "DI Start Address"},
                                                 {w.Label3, "DO Start Address"}};
    for (const auto &[label, caption] : labels) {
        QCOMPARE(label->text(), caption);
        QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(caption),
                 qPrintable(caption));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        if (QFontInfo(label->font()).family() == "Liberation Sans") {
            // With the usual stand-in font the captions stay clear of the lists.
            QVERIFY2(label->geometry().right() < w.cbProvider->x(), qPrintable(caption));
        }
    }
    QCOMPARE(w.chkEditMode->text(), "Edit Mode");
    QCOMPARE(w.btnSave->text(), "Save");
    QCOMPARE(w.btnExit->text(), "Exit");
}

void AppearanceTest::controlsUseTheirOwnSixteenPixelFont() {
    TfrmMainForm &w = OpenActiveWindow();

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
    TfrmMainForm &w = OpenActiveWindow();
    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);

    for (QComboBox *list : {w.cbProvider, w.cbNumCards, w.cbDIAddr, w.cbDOAddr}) {
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
    TfrmMainForm &w = OpenActiveWindow();
    if (editMode) {
        QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
        w.cbProvider->setFocus(Qt::OtherFocusReason);
    }
    QTRY_COMPARE(QApplication::focusWidget(), w.cbProvider);

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
    TfrmMainForm &w = OpenActiveWindow();
    auto *target = w.findChild<QWidget *>(focus);
    target->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), target);

    // Save would refuse with a message (the lists are empty); Exit or Esc would close.
    const auto shown = AnswerMessage([&] { QTest::keyClick(target, Qt::Key(key)); });

    QVERIFY(!shown);
    QVERIFY(w.isVisible());
    QVERIFY(!w.chkEditMode->isChecked());
}

QTEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
