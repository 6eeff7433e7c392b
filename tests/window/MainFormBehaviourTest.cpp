// The window's behaviour against a scratch registry, driven as a user would through the
// toolkit's native controls, so that the description's wiring is exercised with the handlers.
// The same source runs on every back end.
#include "DriverSettings.h"
#include "RefusedWrites.h"
#include "ScratchRegistry.h"
#include "SettingsStore.h"
#include "TfrmMainForm.h"
#include "UserInput.h"

#include <array>
#include <cstdint>
#ifndef _WIN32
#include "SyscallFaults.h"

#include <cerrno>
#endif
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>
#include <tuple>
#include <vector>

using namespace tessaport;
using namespace tessaport::testing;

namespace {

const std::string kAdvantech = SettingsStore::KeyPathFor("Advantech");
const std::string kAdlink = SettingsStore::KeyPathFor("Adlink");
const std::string kSaveRefused = "Unable to save into registry!!";

// The three setting lists' positions, or the three stored values.
struct Selections {
    int cards;
    int di;
    int dout;
    friend bool operator==(const Selections &, const Selections &) = default;
    friend std::ostream &operator<<(std::ostream &out, const Selections &s) {
        return out << s.cards << ", " << s.di << ", " << s.dout;
    }
};

class MainFormBehaviourTest : public ::testing::Test {
protected:
    void TearDown() override {
        window_.reset();
        registry_.reset();
    }

    TfrmMainForm &OpenWindow() {
        window_ = std::make_unique<TfrmMainForm>();
        window_->Show();
        ProcessEvents();
        return *window_;
    }

    void StoreComplete(const std::string &key, std::uint32_t cards, std::uint32_t di,
                       std::uint32_t dout) {
        registry_->SetDword(key, "NumberOfCards", cards);
        registry_->SetDword(key, "PIIBeginAddress", di);
        registry_->SetDword(key, "PIQBeginAddress", dout);
    }

    Selections Shown() const {
        return {window_->cbNumCards->ItemIndex(), window_->cbDIAddr->ItemIndex(),
                window_->cbDOAddr->ItemIndex()};
    }

    std::optional<Selections> Stored(const std::string &key) const {
        const auto cards = registry_->Dword(key, "NumberOfCards");
        const auto di = registry_->Dword(key, "PIIBeginAddress");
        const auto dout = registry_->Dword(key, "PIQBeginAddress");
        if (!cards || !di || !dout) {
            return std::nullopt;
        }
        return Selections{int(*cards), int(*di), int(*dout)};
    }

    // The three lists agree, or the test fails.
    bool SettingListsEnabled() const {
        const bool enabled = window_->cbNumCards->Enabled();
        EXPECT_EQ(window_->cbDIAddr->Enabled(), enabled);
        EXPECT_EQ(window_->cbDOAddr->Enabled(), enabled);
        return enabled;
    }

    std::unique_ptr<ScratchRegistry> registry_ = std::make_unique<ScratchRegistry>();
    std::unique_ptr<TfrmMainForm> window_;
};

} // namespace

TEST_F(MainFormBehaviourTest, FirstStartWithoutKey) {
    TfrmMainForm &w = OpenWindow();

    EXPECT_EQ(w.cbProvider->Text(), "Advantech");
    EXPECT_EQ(Shown(), (Selections{-1, -1, -1}));
    EXPECT_EQ(w.cbNumCards->Text(), "");
    EXPECT_FALSE(w.chkEditMode->Checked());
    EXPECT_FALSE(SettingListsEnabled());
    EXPECT_TRUE(w.cbProvider->Enabled() && w.chkEditMode->Enabled());
    EXPECT_TRUE(w.btnSave->Enabled() && w.btnExit->Enabled());
    // Reading a missing key must not create it.
    EXPECT_FALSE(registry_->KeyExists(kAdvantech));

    // A disabled list takes no picks.
    PickEntry(*w.cbNumCards, 4);
    EXPECT_EQ(w.cbNumCards->ItemIndex(), -1);
}

TEST_F(MainFormBehaviourTest, ControlsCarryTheirCaptionsAndEntries) {
    TfrmMainForm &w = OpenWindow();

    EXPECT_EQ(w.Caption(), "Tessaport Configuration");
    EXPECT_EQ(w.lblProvider->Caption(), "Provider");
    EXPECT_EQ(w.Label1->Caption(), "Number Of Cards");
    EXPECT_EQ(w.Label2->Caption(), "DI Start Address");
    EXPECT_EQ(w.Label3->Caption(), "DO Start Address");
    EXPECT_EQ(w.chkEditMode->Caption(), "Edit Mode");
    EXPECT_EQ(w.btnSave->Caption(), "Save");
    EXPECT_EQ(w.btnExit->Caption(), "Exit");
    EXPECT_EQ(w.cbProvider->Count(), 2);
    EXPECT_EQ(w.cbNumCards->Count(), 20);
    EXPECT_EQ(w.cbDIAddr->Count(), 50);
    EXPECT_EQ(w.cbDOAddr->Count(), 50);
    w.cbDOAddr->SetItemIndex(49);
    EXPECT_EQ(w.cbDOAddr->Text(), "49");
}

TEST_F(MainFormBehaviourTest, EachLabelNamesItsListForScreenReaders) {
    TfrmMainForm &w = OpenWindow();

    const std::vector<std::tuple<const TControl *, std::string, std::string>> controls{
        {w.cbProvider, "Provider", "Alt+P"},
        {w.cbNumCards, "Number Of Cards", "Alt+N"},
        {w.cbDIAddr, "DI Start Address", "Alt+I"},
        {w.cbDOAddr, "DO Start Address", "Alt+O"},
        {w.chkEditMode, "", "Alt+E"},
        {w.btnSave, "", "Alt+S"},
        {w.btnExit, "", "Alt+X"}};
    for (const auto &[control, name, key] : controls) {
        if (!name.empty()) {
            EXPECT_EQ(AccessibleName(*control), name);
        }
        EXPECT_EQ(AccessKey(*control), key) << control->Name();
    }
}

// Each access key reaches its one control, a list's only while edit mode unlocks it; Save and
// Exit as a click would.
TEST_F(MainFormBehaviourTest, AccessKeysDriveTheWindow) {
    StoreComplete(kAdvantech, 3, 10, 20);
    TfrmMainForm &w = OpenWindow();
    EXPECT_EQ(FocusedControl(), "cbProvider");
    PressAccessKey(w, 'n');
    EXPECT_EQ(FocusedControl(), "cbProvider");

    PressAccessKey(w, 'e');
    EXPECT_TRUE(w.chkEditMode->Checked());
    EXPECT_TRUE(SettingListsEnabled());
    for (const auto &[key, name] : std::vector<std::pair<char, std::string>>{
             {'i', "cbDIAddr"}, {'o', "cbDOAddr"}, {'p', "cbProvider"}, {'n', "cbNumCards"}}) {
        PressAccessKey(w, key);
        EXPECT_EQ(FocusedControl(), name) << key;
    }
    PressDown(*w.cbNumCards);

    EXPECT_FALSE(AnswerMessage([&] { PressAccessKey(w, 's'); }));
    EXPECT_EQ(Stored(kAdvantech), (Selections{4, 10, 20}));
    EXPECT_FALSE(w.chkEditMode->Checked());

    PressAccessKey(w, 'x');
    EXPECT_FALSE(w.Visible());
}

struct StoredCase {
    std::uint32_t cards;
    std::uint32_t di;
    std::uint32_t dout;
    Selections shown;
};

class StoredValuesTest : public MainFormBehaviourTest,
                         public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredValuesTest, SelectListPositionsWithEditModeOff) {
    const StoredCase c = GetParam();
    StoreComplete(kAdvantech, c.cards, c.di, c.dout);

    TfrmMainForm &w = OpenWindow();

    EXPECT_EQ(Shown(), c.shown);
    if (c.shown.cards >= 0) {
        EXPECT_EQ(w.cbNumCards->Text(), std::to_string(c.shown.cards));
    }
    EXPECT_FALSE(w.chkEditMode->Checked());
    EXPECT_FALSE(SettingListsEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Stored, StoredValuesTest,
    ::testing::Values(StoredCase{3, 10, 20, {3, 10, 20}}, StoredCase{0, 0, 0, {0, 0, 0}},
                      StoredCase{19, 49, 49, {19, 49, 49}}, StoredCase{20, 50, 50, {-1, -1, -1}},
                      StoredCase{25, 1, 2, {-1, 1, 2}},
                      StoredCase{std::uint32_t(-5), std::uint32_t(-1), 7, {-1, -1, 7}}));

TEST_F(MainFormBehaviourTest, EditModeEnablesTheSettingListsOnly) {
    StoreComplete(kAdvantech, 3, 10, 20);
    TfrmMainForm &w = OpenWindow();

    Click(*w.chkEditMode);
    EXPECT_TRUE(w.chkEditMode->Checked());
    EXPECT_TRUE(SettingListsEnabled());
    EXPECT_EQ(Shown(), (Selections{3, 10, 20}));

    PickEntry(*w.cbNumCards, 7);
    EXPECT_EQ(w.cbNumCards->Text(), "7");

    Click(*w.chkEditMode);
    EXPECT_FALSE(w.chkEditMode->Checked());
    EXPECT_FALSE(SettingListsEnabled());
    EXPECT_EQ(Shown(), (Selections{7, 10, 20}));
    EXPECT_EQ(Stored(kAdvantech), (Selections{3, 10, 20}));

    ToggleByAssistiveTool(*w.chkEditMode);
    EXPECT_TRUE(w.chkEditMode->Checked());
    EXPECT_TRUE(SettingListsEnabled());
}

struct ProviderCase {
    bool editMode;
    bool adlinkStored;
    Selections shown;
    bool editModeAfter;
};

class ProviderChangeTest : public MainFormBehaviourTest,
                           public ::testing::WithParamInterface<ProviderCase> {};

TEST_P(ProviderChangeTest, ReloadsAndLeavesEditModeOnlyOnSuccess) {
    const ProviderCase c = GetParam();
    StoreComplete(kAdvantech, 3, 10, 20);
    if (c.adlinkStored) {
        StoreComplete(kAdlink, 1, 2, 3);
    }
    TfrmMainForm &w = OpenWindow();
    if (c.editMode) {
        Click(*w.chkEditMode);
    }

    PressDown(*w.cbProvider);

    EXPECT_EQ(w.cbProvider->Text(), "Adlink");
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(w.chkEditMode->Checked(), c.editModeAfter);
    EXPECT_EQ(SettingListsEnabled(), c.editModeAfter);
    EXPECT_EQ(registry_->KeyExists(kAdlink), c.adlinkStored);
}

INSTANTIATE_TEST_SUITE_P(Providers, ProviderChangeTest,
                         ::testing::Values(ProviderCase{false, false, {-1, -1, -1}, false},
                                           ProviderCase{true, false, {-1, -1, -1}, true},
                                           ProviderCase{false, true, {1, 2, 3}, false},
                                           ProviderCase{true, true, {1, 2, 3}, false}));

TEST_F(MainFormBehaviourTest, ProviderChangeDropsUnsavedChoices) {
    StoreComplete(kAdvantech, 3, 10, 20);
    StoreComplete(kAdlink, 1, 2, 3);
    TfrmMainForm &w = OpenWindow();
    Click(*w.chkEditMode);
    PickEntry(*w.cbNumCards, 5);

    PressDown(*w.cbProvider);
    PressUp(*w.cbProvider);

    EXPECT_EQ(w.cbProvider->Text(), "Advantech");
    EXPECT_EQ(Shown(), (Selections{3, 10, 20}));
    EXPECT_EQ(Stored(kAdvantech), (Selections{3, 10, 20}));
    EXPECT_EQ(Stored(kAdlink), (Selections{1, 2, 3}));
}

class EmptyListTest : public MainFormBehaviourTest, public ::testing::WithParamInterface<int> {};

TEST_P(EmptyListTest, SaveIsRefusedWithTheMessage) {
    const int emptyList = GetParam();
    TfrmMainForm &w = OpenWindow();
    Click(*w.chkEditMode);
    const std::array<TComboBox *, 3> lists{w.cbNumCards, w.cbDIAddr, w.cbDOAddr};
    for (int i = 0; i < 3; ++i) {
        if (i != emptyList) {
            PickEntry(*lists[i], 4);
        }
    }
    const Selections before = Shown();

    const auto shown = ClickAndAnswer(*w.btnSave);

    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text, kSaveRefused);
    EXPECT_EQ(shown->title, "Toolkit Test");
    EXPECT_EQ(shown->buttonCount, 1);
    EXPECT_TRUE(shown->hasOk);
    EXPECT_FALSE(registry_->KeyExists(kAdvantech));
    EXPECT_EQ(Shown(), before);
    EXPECT_TRUE(w.chkEditMode->Checked());
    EXPECT_TRUE(SettingListsEnabled());
}

INSTANTIATE_TEST_SUITE_P(Lists, EmptyListTest, ::testing::Values(0, 1, 2));

TEST_F(MainFormBehaviourTest, SaveCreatesTheKeyAndLeavesEditMode) {
    TfrmMainForm &w = OpenWindow();
    Click(*w.chkEditMode);
    PickEntry(*w.cbNumCards, 0);
    PickEntry(*w.cbDIAddr, 49);
    PickEntry(*w.cbDOAddr, 7);

    const auto shown = ClickAndAnswer(*w.btnSave);

    EXPECT_FALSE(shown) << shown->text;
    EXPECT_EQ(Stored(kAdvantech), (Selections{0, 49, 7}));
    EXPECT_FALSE(registry_->KeyExists(kAdlink));
    EXPECT_FALSE(w.chkEditMode->Checked());
    EXPECT_FALSE(SettingListsEnabled());
    EXPECT_EQ(Shown(), (Selections{0, 49, 7}));
}

TEST_F(MainFormBehaviourTest, SaveWithEditModeOffWritesTheLoadedValues) {
    StoreComplete(kAdlink, 1, 2, 3);
    TfrmMainForm &w = OpenWindow();
    PressDown(*w.cbProvider);

    const auto shown = ClickAndAnswer(*w.btnSave);

    EXPECT_FALSE(shown);
    EXPECT_EQ(Stored(kAdlink), (Selections{1, 2, 3}));
    EXPECT_FALSE(registry_->KeyExists(kAdvantech));
    EXPECT_FALSE(w.chkEditMode->Checked());
}

TEST_F(MainFormBehaviourTest, SaveRefusedByTheRegistryChangesNothing) {
    TfrmMainForm &w = OpenWindow();
    Click(*w.chkEditMode);
    PickEntry(*w.cbNumCards, 4);
    PickEntry(*w.cbDIAddr, 5);
    PickEntry(*w.cbDOAddr, 6);

    std::optional<ShownMessage> shown;
    {
        const RefusedWrites refused;
        shown = ClickAndAnswer(*w.btnSave);
    }

    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text, kSaveRefused);
    EXPECT_EQ(Shown(), (Selections{4, 5, 6}));
    EXPECT_TRUE(w.chkEditMode->Checked());
    EXPECT_TRUE(SettingListsEnabled());
    EXPECT_FALSE(Stored(kAdvantech));
}

#ifndef _WIN32
// The folder's sync fails after the rename: the new settings are in place, so the window must
// take the save as done, not say that nothing was saved and stay in edit mode.
TEST_F(MainFormBehaviourTest, SaveInPlaceButUnconfirmedOnDiskCountsAsSaved) {
    StoreComplete(kAdvantech, 1, 2, 3);
    TfrmMainForm &w = OpenWindow();
    Click(*w.chkEditMode);
    PickEntry(*w.cbNumCards, 4);
    PickEntry(*w.cbDIAddr, 5);
    PickEntry(*w.cbDOAddr, 6);

    // The first sync is the new file's, before the rename; the second the folder's.
    SyscallFaults::Arm({FaultCall::Fsync, 2, FaultAction::Fail, EIO});
    const auto shown = ClickAndAnswer(*w.btnSave);
    const bool folderSyncFailed = SyscallFaults::Triggered() && SyscallFaults::Renamed();
    SyscallFaults::Disarm();

    ASSERT_TRUE(folderSyncFailed);
    EXPECT_FALSE(shown) << shown->text;
    EXPECT_EQ(Stored(kAdvantech), (Selections{4, 5, 6}));
    EXPECT_FALSE(w.chkEditMode->Checked());
    EXPECT_FALSE(SettingListsEnabled());
}
#endif

TEST_F(MainFormBehaviourTest, OutOfListValueMustBeChosenBeforeSaving) {
    StoreComplete(kAdvantech, 25, 10, 20);
    TfrmMainForm &w = OpenWindow();
    EXPECT_EQ(Shown(), (Selections{-1, 10, 20}));
    EXPECT_FALSE(w.chkEditMode->Checked());

    const auto refused = ClickAndAnswer(*w.btnSave);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text, kSaveRefused);
    EXPECT_EQ(Stored(kAdvantech), (Selections{25, 10, 20}));

    Click(*w.chkEditMode);
    PickEntry(*w.cbNumCards, 19);
    const auto saved = ClickAndAnswer(*w.btnSave);
    EXPECT_FALSE(saved);
    EXPECT_EQ(Stored(kAdvantech), (Selections{19, 10, 20}));
}

TEST_F(MainFormBehaviourTest, ExitClosesWithoutSaving) {
    TfrmMainForm &w = OpenWindow();
    Click(*w.chkEditMode);
    PickEntry(*w.cbNumCards, 1);
    PickEntry(*w.cbDIAddr, 2);
    PickEntry(*w.cbDOAddr, 3);

    const auto shown = ClickAndAnswer(*w.btnExit);
    ProcessEvents();

    EXPECT_FALSE(shown);
    EXPECT_FALSE(w.Visible());
    EXPECT_FALSE(registry_->KeyExists(kAdvantech));
}
