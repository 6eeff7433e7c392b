// The window's behaviour against a scratch registry, driven through the mouse and keyboard so
// that the .ui's wiring is exercised along with the handlers.
#include "DriverSettings.h"
#include "ScratchRegistry.h"
#include "SettingsStore.h"
#include "TfrmMainForm.h"
#include "WindowTestSupport.h"

#include <QRegularExpression>
#include <QTest>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

using tessaport::testing::ClickAndAnswer;
using tessaport::testing::PickEntry;
using tessaport::testing::ScratchRegistry;

namespace {

const std::string kAdvantech = tessaport::SettingsStore::KeyPathFor("Advantech");
const std::string kAdlink = tessaport::SettingsStore::KeyPathFor("Adlink");
const QString kSaveRefused = QStringLiteral("Unable to save into registry!!");

} // namespace

// The three setting lists' positions, or the three stored values.
struct Selections {
    int cards;
    int di;
    int dout;
    friend bool operator==(const Selections &, const Selections &) = default;
};
Q_DECLARE_METATYPE(Selections)

char *toString(const Selections &s) {
    return qstrdup(QByteArray::number(s.cards) + ", " + QByteArray::number(s.di) + ", " +
                   QByteArray::number(s.dout));
}

char *toString(const std::optional<Selections> &s) {
    return s ? toString(*s) : qstrdup("(missing)");
}

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartWithoutKey();
    void storedValuesSelectListPositions_data();
    void storedValuesSelectListPositions();
    void editModeEnablesTheSettingListsOnly();
    void providerChange_data();
    void providerChange();
    void providerChangeDropsUnsavedChoices();
    void saveIsRefusedWhileAListIsEmpty_data();
    void saveIsRefusedWhileAListIsEmpty();
    void saveCreatesTheKeyAndLeavesEditMode();
    void saveWithEditModeOffWritesTheLoadedValues();
    void saveWithoutWriteRightsChangesNothing();
    void outOfListValueMustBeChosenBeforeSaving();
    void exitClosesWithoutSaving();

private:
    TfrmMainForm &OpenWindow();
    void StoreComplete(const std::string &key, std::uint32_t cards, std::uint32_t di,
                       std::uint32_t dout);
    Selections Shown() const;
    std::optional<Selections> Stored(const std::string &key) const;
    bool SettingListsEnabled() const;

    std::unique_ptr<ScratchRegistry> registry_;
    std::unique_ptr<TfrmMainForm> window_;
};

void MainFormTest::init() {
    // A slot named in the .ui but missing from the class only warns at run time.
    QTest::failOnWarning(QRegularExpression("^QObject::connect"));
    registry_ = std::make_unique<ScratchRegistry>();
}

void MainFormTest::cleanup() {
    window_.reset();
    registry_.reset();
}

TfrmMainForm &MainFormTest::OpenWindow() {
    window_ = std::make_unique<TfrmMainForm>();
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) {
        qFatal("the window was never shown");
    }
    return *window_;
}

void MainFormTest::StoreComplete(const std::string &key, std::uint32_t cards, std::uint32_t di,
                                 std::uint32_t dout) {
    registry_->SetDword(key, "NumberOfCards", cards);
    registry_->SetDword(key, "PIIBeginAddress", di);
    registry_->SetDword(key, "PIQBeginAddress", dout);
}

Selections MainFormTest::Shown() const {
    return {window_->cbNumCards->currentIndex(), window_->cbDIAddr->currentIndex(),
            window_->cbDOAddr->currentIndex()};
}

std::optional<Selections> MainFormTest::Stored(const std::string &key) const {
    const auto cards = registry_->Dword(key, "NumberOfCards");
    const auto di = registry_->Dword(key, "PIIBeginAddress");
    const auto dout = registry_->Dword(key, "PIQBeginAddress");
    if (!cards || !di || !dout) {
        return std::nullopt;
    }
    return Selections{int(*cards), int(*di), int(*dout)};
}

bool MainFormTest::SettingListsEnabled() const {
    const bool enabled = window_->cbNumCards->isEnabled();
    if (window_->cbDIAddr->isEnabled() != enabled || window_->cbDOAddr->isEnabled() != enabled) {
        qFatal("the setting lists disagree about being enabled");
    }
    return enabled;
}

void MainFormTest::firstStartWithoutKey() {
    TfrmMainForm &w = OpenWindow();

    QCOMPARE(w.cbProvider->currentText(), "Advantech");
    QCOMPARE(Shown(), (Selections{-1, -1, -1}));
    QCOMPARE(w.cbNumCards->currentText(), "");
    QVERIFY(!w.chkEditMode->isChecked());
    QVERIFY(!SettingListsEnabled());
    QVERIFY(w.cbProvider->isEnabled() && w.chkEditMode->isEnabled());
    QVERIFY(w.btnSave->isEnabled() && w.btnExit->isEnabled());
    // Reading a missing key must not create it.
    QVERIFY(!registry_->KeyExists(kAdvantech));

    // A disabled list takes no picks.
    PickEntry(w.cbNumCards, 4);
    QCOMPARE(w.cbNumCards->currentIndex(), -1);
}

void MainFormTest::storedValuesSelectListPositions_data() {
    QTest::addColumn<std::uint32_t>("cards");
    QTest::addColumn<std::uint32_t>("di");
    QTest::addColumn<std::uint32_t>("dout");
    QTest::addColumn<Selections>("shown");

    QTest::newRow("typical") << 3u << 10u << 20u << Selections{3, 10, 20};
    QTest::newRow("zeros are choices") << 0u << 0u << 0u << Selections{0, 0, 0};
    QTest::newRow("last entries") << 19u << 49u << 49u << Selections{19, 49, 49};
    QTest::newRow("one past the end") << 20u << 50u << 50u << Selections{-1, -1, -1};
    QTest::newRow("25 cards") << 25u << 1u << 2u << Selections{-1, 1, 2};
    QTest::newRow("negative") << std::uint32_t(-5) << std::uint32_t(-1) << 7u
                              << Selections{-1, -1, 7};
}

void MainFormTest::storedValuesSelectListPositions() {
    QFETCH(std::uint32_t, cards);
    QFETCH(std::uint32_t, di);
    QFETCH(std::uint32_t, dout);
    QFETCH(Selections, shown);
    StoreComplete(kAdvantech, cards, di, dout);

    TfrmMainForm &w = OpenWindow();

    QCOMPARE(Shown(), shown);
    if (shown.cards >= 0) {
        QCOMPARE(w.cbNumCards->currentText(), QString::number(shown.cards));
    }
    QVERIFY(!w.chkEditMode->isChecked());
    QVERIFY(!SettingListsEnabled());
}

void MainFormTest::editModeEnablesTheSettingListsOnly() {
    StoreComplete(kAdvantech, 3, 10, 20);
    TfrmMainForm &w = OpenWindow();

    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    QVERIFY(w.chkEditMode->isChecked());
    QVERIFY(SettingListsEnabled());
    QCOMPARE(Shown(), (Selections{3, 10, 20}));

    PickEntry(w.cbNumCards, 7);
    QCOMPARE(w.cbNumCards->currentText(), "7");

    QTest::keyClick(w.chkEditMode, Qt::Key_Space);
    QVERIFY(!w.chkEditMode->isChecked());
    QVERIFY(!SettingListsEnabled());
    QCOMPARE(Shown(), (Selections{7, 10, 20}));
    QCOMPARE(Stored(kAdvantech), (Selections{3, 10, 20}));
}

void MainFormTest::providerChange_data() {
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<bool>("adlinkStored");
    QTest::addColumn<Selections>("shown");
    QTest::addColumn<bool>("editModeAfter");

    QTest::newRow("missing key, edit mode off")
        << false << false << Selections{-1, -1, -1} << false;
    QTest::newRow("missing key, edit mode on") << true << false << Selections{-1, -1, -1} << true;
    QTest::newRow("complete key, edit mode off") << false << true << Selections{1, 2, 3} << false;
    QTest::newRow("complete key, edit mode on") << true << true << Selections{1, 2, 3} << false;
}

void MainFormTest::providerChange() {
    QFETCH(bool, editMode);
    QFETCH(bool, adlinkStored);
    QFETCH(Selections, shown);
    QFETCH(bool, editModeAfter);
    StoreComplete(kAdvantech, 3, 10, 20);
    if (adlinkStored) {
        StoreComplete(kAdlink, 1, 2, 3);
    }
    TfrmMainForm &w = OpenWindow();
    if (editMode) {
        QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    }

    QTest::keyClick(w.cbProvider, Qt::Key_Down);

    QCOMPARE(w.cbProvider->currentText(), "Adlink");
    QCOMPARE(Shown(), shown);
    QCOMPARE(w.chkEditMode->isChecked(), editModeAfter);
    QCOMPARE(SettingListsEnabled(), editModeAfter);
    QVERIFY(registry_->KeyExists(kAdlink) == adlinkStored);
}

void MainFormTest::providerChangeDropsUnsavedChoices() {
    StoreComplete(kAdvantech, 3, 10, 20);
    StoreComplete(kAdlink, 1, 2, 3);
    TfrmMainForm &w = OpenWindow();
    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    PickEntry(w.cbNumCards, 5);

    QTest::keyClick(w.cbProvider, Qt::Key_Down);
    QTest::keyClick(w.cbProvider, Qt::Key_Up);

    QCOMPARE(w.cbProvider->currentText(), "Advantech");
    QCOMPARE(Shown(), (Selections{3, 10, 20}));
    QCOMPARE(Stored(kAdvantech), (Selections{3, 10, 20}));
    QCOMPARE(Stored(kAdlink), (Selections{1, 2, 3}));
}

void MainFormTest::saveIsRefusedWhileAListIsEmpty_data() {
    QTest::addColumn<int>("emptyList");
    QTest::newRow("number of cards") << 0;
    QTest::newRow("DI start address") << 1;
    QTest::newRow("DO start address") << 2;
}

void MainFormTest::saveIsRefusedWhileAListIsEmpty() {
    QFETCH(int, emptyList);
    TfrmMainForm &w = OpenWindow();
    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    const std::array<QComboBox *, 3> lists{w.cbNumCards, w.cbDIAddr, w.cbDOAddr};
    for (int i = 0; i < 3; ++i) {
        if (i != emptyList) {
            PickEntry(lists[i], 4);
        }
    }
    const Selections before = Shown();

    const auto shown = ClickAndAnswer(w.btnSave);

    QVERIFY(shown);
    QCOMPARE(shown->text, kSaveRefused);
    QCOMPARE(shown->buttonCount, 1);
    QVERIFY(shown->hasOk);
    QVERIFY(!registry_->KeyExists(kAdvantech));
    QCOMPARE(Shown(), before);
    QVERIFY(w.chkEditMode->isChecked());
    QVERIFY(SettingListsEnabled());
}

void MainFormTest::saveCreatesTheKeyAndLeavesEditMode() {
    TfrmMainForm &w = OpenWindow();
    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    PickEntry(w.cbNumCards, 0);
    PickEntry(w.cbDIAddr, 49);
    PickEntry(w.cbDOAddr, 7);

    const auto shown = ClickAndAnswer(w.btnSave);

    QVERIFY2(!shown, qPrintable(shown ? shown->text : QString()));
    QCOMPARE(Stored(kAdvantech), (Selections{0, 49, 7}));
    QVERIFY(!registry_->KeyExists(kAdlink));
    QVERIFY(!w.chkEditMode->isChecked());
    QVERIFY(!SettingListsEnabled());
    QCOMPARE(Shown(), (Selections{0, 49, 7}));
}

void MainFormTest::saveWithEditModeOffWritesTheLoadedValues() {
    StoreComplete(kAdlink, 1, 2, 3);
    TfrmMainForm &w = OpenWindow();
    QTest::keyClick(w.cbProvider, Qt::Key_Down);

    const auto shown = ClickAndAnswer(w.btnSave);

    QVERIFY(!shown);
    QCOMPARE(Stored(kAdlink), (Selections{1, 2, 3}));
    QVERIFY(!registry_->KeyExists(kAdvantech));
    QVERIFY(!w.chkEditMode->isChecked());
}

void MainFormTest::saveWithoutWriteRightsChangesNothing() {
    namespace fs = std::filesystem;
    StoreComplete(kAdvantech, 3, 10, 20);
    TfrmMainForm &w = OpenWindow();
    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    PickEntry(w.cbNumCards, 4);

    // A hive below a regular file can be neither opened nor created, even by root.
    const QByteArray hive = qgetenv("TESSAPORT_REGISTRY");
    const fs::path blocker = fs::path(hive.toStdString()).parent_path() / "not-a-folder";
    std::ofstream(blocker) << "plain file\n";
    qputenv("TESSAPORT_REGISTRY", QByteArray::fromStdString((blocker / "registry.reg").string()));
    const auto shown = ClickAndAnswer(w.btnSave);
    qputenv("TESSAPORT_REGISTRY", hive);
    fs::remove(blocker);

    QVERIFY(shown);
    QCOMPARE(shown->text, kSaveRefused);
    QCOMPARE(Shown(), (Selections{4, 10, 20}));
    QVERIFY(w.chkEditMode->isChecked());
    QVERIFY(SettingListsEnabled());
    QCOMPARE(Stored(kAdvantech), (Selections{3, 10, 20}));
}

void MainFormTest::outOfListValueMustBeChosenBeforeSaving() {
    StoreComplete(kAdvantech, 25, 10, 20);
    TfrmMainForm &w = OpenWindow();
    QCOMPARE(Shown(), (Selections{-1, 10, 20}));
    QVERIFY(!w.chkEditMode->isChecked());

    const auto refused = ClickAndAnswer(w.btnSave);
    QVERIFY(refused);
    QCOMPARE(refused->text, kSaveRefused);
    QCOMPARE(Stored(kAdvantech), (Selections{25, 10, 20}));

    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    PickEntry(w.cbNumCards, 19);
    const auto saved = ClickAndAnswer(w.btnSave);
    QVERIFY(!saved);
    QCOMPARE(Stored(kAdvantech), (Selections{19, 10, 20}));
}

void MainFormTest::exitClosesWithoutSaving() {
    TfrmMainForm &w = OpenWindow();
    QTest::mouseClick(w.chkEditMode, Qt::LeftButton);
    PickEntry(w.cbNumCards, 1);
    PickEntry(w.cbDIAddr, 2);
    PickEntry(w.cbDOAddr, 3);

    const auto shown = ClickAndAnswer(w.btnExit);

    QVERIFY(!shown);
    QVERIFY(!w.isVisible());
    QVERIFY(!registry_->KeyExists(kAdvantech));
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
