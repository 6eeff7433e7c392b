// The boundary's promises, the same on every back end: list selection from code and by the
// user, check boxes, buttons, access keys, message boxes, failures escaping a handler, and
// trimming text.
#include "AccessKey.h"
#include "Dialogs.h"
#include "TApplication.h"
#include "TForm.h"
#include "Text.h"
#include "UserInput.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tessaport;
using namespace tessaport::testing;

namespace {

std::vector<std::string> TwentyEntries() {
    std::vector<std::string> entries;
    for (int i = 0; i < 20; ++i) {
        entries.push_back(std::to_string(i));
    }
    return entries;
}

class TTestForm : public TForm {
public:
    TTestForm();

    void cbEntriesChange() { ++changes; }
    void chkOptionClick() { ++clicks; }
    void btnFailClick() {
        ++failures;
        throw std::runtime_error("Handler failed");
    }
    void btnOddClick() { throw 42; }

    TLabel *lblEntries = nullptr;
    TComboBox *cbEntries = nullptr;
    TCheckBox *chkOption = nullptr;
    TButton *btnFail = nullptr;
    TButton *btnOdd = nullptr;
    int changes = 0;
    int clicks = 0;
    int failures = 0;
};

const FormDescription kTestForm{"frmTest",
                                "Toolkit Test Form",
                                50,
                                40,
                                300,
                                200,
                                {"MS Sans Serif", -11},
                                {"MS Sans Serif", -16}};

const std::array<ControlBinding<TTestForm>, 5> kTestControls{{
    {{.name = "lblEntries", .caption = "Entries", .bounds = {8, 12, 60, 20}, .accessKey = 'n'},
     &TTestForm::lblEntries},
    {{"cbEntries", "", {80, 8, 120, 28}, true, TwentyEntries, 20},
     &TTestForm::cbEntries,
     &TTestForm::cbEntriesChange},
    {{.name = "chkOption", .caption = "Option", .bounds = {8, 50, 100, 17}, .accessKey = 'O'},
     &TTestForm::chkOption,
     &TTestForm::chkOptionClick},
    {{.name = "btnFail", .caption = "Fail", .bounds = {8, 80, 100, 30}, .accessKey = 'F'},
     &TTestForm::btnFail,
     &TTestForm::btnFailClick},
    {{"btnOdd", "Odd", {120, 80, 100, 30}}, &TTestForm::btnOdd, &TTestForm::btnOddClick},
}};

TTestForm::TTestForm() : TForm(kTestForm) {
    CreateControls(*this, kTestControls);
}

class ToolkitContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<TTestForm>();
        form_->Show();
        ProcessEvents();
    }

    std::unique_ptr<TTestForm> form_;
};

struct Selection {
    int before;
    int position;
    int selected;
};

class SetItemIndexTest : public ToolkitContractTest,
                         public ::testing::WithParamInterface<Selection> {};

} // namespace

TEST_P(SetItemIndexTest, SelectsOnlyPositionsInTheListAndRaisesNoChange) {
    const Selection s = GetParam();
    TComboBox &list = *form_->cbEntries;
    list.SetItemIndex(s.before);

    list.SetItemIndex(s.position);

    EXPECT_EQ(list.ItemIndex(), s.selected);
    EXPECT_EQ(list.Text(), s.selected < 0 ? std::string() : std::to_string(s.selected));
    EXPECT_EQ(form_->changes, 0);
}

INSTANTIATE_TEST_SUITE_P(Positions, SetItemIndexTest,
                         ::testing::Values(Selection{-1, 0, 0}, Selection{0, 19, 19},
                                           Selection{5, 20, -1}, Selection{5, 1000, -1},
                                           Selection{5, -1, -1}, Selection{5, -5, -1},
                                           Selection{-1, 25, -1}));

TEST_F(ToolkitContractTest, ListsHoldTheirEntries) {
    TComboBox &list = *form_->cbEntries;
    EXPECT_EQ(list.Count(), 20);
    EXPECT_EQ(list.Name(), "cbEntries");
    list.AddItem("20");
    list.SetItemIndex(20);
    EXPECT_EQ(list.Text(), "20");
}

TEST_F(ToolkitContractTest, EveryPickByTheUserRaisesOnChange) {
    TComboBox &list = *form_->cbEntries;
    list.SetItemIndex(0);

    for (int i = 0; i < 3; ++i) {
        PressDown(list);
    }

    EXPECT_EQ(list.ItemIndex(), 3);
    EXPECT_EQ(list.Text(), "3");
    EXPECT_EQ(form_->changes, 3);

    PressUp(list);
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_EQ(form_->changes, 4);

    PickEntry(list, 7);
    EXPECT_EQ(list.ItemIndex(), 7);
    EXPECT_GE(form_->changes, 4 + 7);
}

TEST_F(ToolkitContractTest, DisabledListShowsItsSelectionAndTakesNoPick) {
    TComboBox &list = *form_->cbEntries;
    list.SetItemIndex(2);
    list.SetEnabled(false);

    PickEntry(list, 5);

    EXPECT_FALSE(list.Enabled());
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_EQ(list.Text(), "2");
    EXPECT_EQ(form_->changes, 0);
}

TEST_F(ToolkitContractTest, CheckBoxRaisesOnClickOnlyForTheUser) {
    TCheckBox &box = *form_->chkOption;
    EXPECT_EQ(box.Caption(), "Option");
    EXPECT_FALSE(box.Checked());

    box.SetChecked(true);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(form_->clicks, 0);

    Click(box);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(form_->clicks, 1);

    Click(box);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(form_->clicks, 2);

    ToggleByAssistiveTool(box);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(form_->clicks, 3);

    PressAccessKey(*form_, 'o');
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(form_->clicks, 4);
}

TEST_F(ToolkitContractTest, ALabelsAccessKeyFocusesItsControlOnlyWhenEnabled) {
    // The first tab stop has the focus once the window is shown.
    EXPECT_EQ(FocusedControl(), "cbEntries");
    PressAccessKey(*form_, 'o');
    ASSERT_EQ(FocusedControl(), "chkOption");

    form_->cbEntries->SetEnabled(false);
    PressAccessKey(*form_, 'N');
    EXPECT_EQ(FocusedControl(), "chkOption");

    form_->cbEntries->SetEnabled(true);
    PressAccessKey(*form_, 'N');
    EXPECT_EQ(FocusedControl(), "cbEntries");
    EXPECT_EQ(form_->changes, 0);
}

TEST_F(ToolkitContractTest, AccessKeysAreUnderlinedOnlyWhileAltIsHeld) {
    const std::vector<const TControl *> captioned{form_->lblEntries, form_->chkOption,
                                                  form_->btnFail};
    for (bool held : {false, true, false}) {
        HoldAlt(*form_, held);
        for (const TControl *control : captioned) {
            EXPECT_EQ(AccessKeyShown(*control), held || AccessKeysAlwaysShown())
                << control->Name() << " held " << held;
        }
    }
}

TEST_F(ToolkitContractTest, ShowMessageIsAModalBoxWithOneOkButtonAndTheApplicationTitle) {
    const auto shown = AnswerMessage([] { ShowMessage("Something happened!!"); });

    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->title, "Toolkit Test");
    EXPECT_EQ(shown->text, "Something happened!!");
    EXPECT_EQ(shown->buttonCount, 1);
    EXPECT_TRUE(shown->hasOk);
    EXPECT_FALSE(shown->isError);
}

TEST_F(ToolkitContractTest, FailureInAHandlerIsShownAndTheProgramGoesOn) {
    for (int i = 0; i < 2; ++i) {
        const auto shown = ClickAndAnswer(*form_->btnFail);
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->text, "Handler failed");
        EXPECT_TRUE(shown->isError);
        EXPECT_EQ(shown->title, "Toolkit Test");
    }
    EXPECT_EQ(form_->failures, 2);

    const auto odd = ClickAndAnswer(*form_->btnOdd);
    ASSERT_TRUE(odd);
    EXPECT_FALSE(odd->text.empty());
    EXPECT_TRUE(form_->Visible());
}

TEST_F(ToolkitContractTest, ALabelNamesTheControlAfterItForScreenReaders) {
    EXPECT_EQ(form_->lblEntries->Caption(), "Entries");
    EXPECT_EQ(AccessibleName(*form_->cbEntries), "Entries");
    EXPECT_EQ(AccessKey(*form_->cbEntries), "Alt+N");
    EXPECT_EQ(AccessKey(*form_->btnFail), "Alt+F");
}

namespace {

class TClashingForm : public TForm {
public:
    TClashingForm() : TForm(kTestForm) { CreateControls(*this, kControls); }

    TCheckBox *chkOne = nullptr;
    TButton *btnOther = nullptr;
    static constexpr std::array<ControlBinding<TClashingForm>, 2> kControls{{
        {{.name = "chkOne", .caption = "Sort", .bounds = {}, .accessKey = 'S'},
         &TClashingForm::chkOne},
        {{.name = "btnOther", .caption = "Save", .bounds = {}, .accessKey = 's'},
         &TClashingForm::btnOther},
    }};
};

} // namespace

// Alt+S would reach neither: such a window must not be built.
TEST(AccessKeys, AKeyUsedTwiceIsRefused) {
    EXPECT_THROW(TClashingForm(), EToolkitError);
}

TEST_F(ToolkitContractTest, CloseHidesTheWindow) {
    EXPECT_TRUE(form_->Visible());
    EXPECT_EQ(form_->Caption(), "Toolkit Test Form");

    form_->Close();
    ProcessEvents();

    EXPECT_FALSE(form_->Visible());
}

namespace {

struct TrimCase {
    const char *name;
    std::string text;
    std::string trimmed;
};

} // namespace

TEST(AccessKeys, MarkTheKeysFirstLetterAndKeepTheCaptionsOwnAmpersands) {
    const std::vector<std::array<std::string, 3>> cases{
        {"Number Of Cards", "N", "&Number Of Cards"},
        {"DI Start Address", "i", "D&I Start Address"},
        {"Exit", "x", "E&xit"},
        {"R&D", "D", "R&&&D"},
        {"R&D", "", "R&&D"},
    };
    for (const auto &[caption, key, marked] : cases) {
        EXPECT_EQ(WithAccessKey(caption, key.empty() ? '\0' : key[0]), marked) << caption;
        EXPECT_EQ(WithoutAccessKey(marked), caption) << caption;
    }
    EXPECT_THROW(WithAccessKey("Save", 'q'), EToolkitError);
}

TEST(Trim, RemovesSpacesAndControlCharactersAtTheEndsOnly) {
    using namespace std::string_literals;
    const std::vector<TrimCase> cases{
        {"spaces", "  Adlink  ", "Adlink"},
        {"control characters", "\t\r\n\x01 Adlink\x1f\x7f\x20", "Adlink\x1f\x7f"},
        {"inner spaces kept", " Card  Maker ", "Card  Maker"},
        {"code 0", "\0Adlink\0"s, "Adlink"},
        {"high bytes are text", "\xa0\xe9x\xff", "\xa0\xe9x\xff"},
        {"all blank", " \t\x01 ", ""},
        {"empty", "", ""},
    };
    for (const TrimCase &c : cases) {
        EXPECT_EQ(Trim(c.text), c.trimmed) << c.name;
    }
}
