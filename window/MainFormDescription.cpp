#include "MainFormDescription.h"

#include "DriverSettings.h"
#include "TfrmMainForm.h"

using namespace tessaport;

namespace {

std::vector<std::string> Providers() {
    return {ProviderCatalogue.begin(), ProviderCatalogue.end()};
}

// A setting's list, by its place in SettingFields.
template <std::size_t Field> std::vector<std::string> SettingEntries() {
    return ValueListEntries(SettingFields[Field]);
}

constexpr int kListEntryHeight = 20;

} // namespace

const FormDescription MainFormDescription{
    .name = "frmMainForm",
    .caption = "Tessaport Configuration",
    .left = 192,
    .top = 114,
    .clientWidth = 435,
    .clientHeight = 316,
    .font = {"MS Sans Serif", -11},
    .controlFont = {"MS Sans Serif", -16},
};

using Binding = ControlBinding<TfrmMainForm>;

// Access keys: Provider, Number, dI, dO, Edit, Save, eXit. Every one is a letter no other caption
// of the window is keyed on, so that Alt with it reaches one control; "DI Start Address" keeps
// S for Save.

const std::array<Binding, 11> MainFormControls{{
    {{.name = "lblProvider", .caption = "Provider", .bounds = {96, 28, 57, 20}, .accessKey = 'P'},
     &TfrmMainForm::lblProvider},
    {{"cbProvider", "", {160, 24, 241, 28}, true, Providers, kListEntryHeight},
     &TfrmMainForm::cbProvider,
     &TfrmMainForm::cbProviderChange},
    {{.name = "Label1",
      .caption = SettingFields[0].label,
      .bounds = {30, 68, 123, 20},
      .accessKey = 'N'},
     &TfrmMainForm::Label1},
    {{"cbNumCards", "", {160, 64, 241, 28}, false, SettingEntries<0>, kListEntryHeight},
     &TfrmMainForm::cbNumCards},
    {{.name = "Label2",
      .caption = SettingFields[1].label,
      .bounds = {34, 108, 119, 20},
      .accessKey = 'I'},
     &TfrmMainForm::Label2},
    {{"cbDIAddr", "", {160, 104, 241, 28}, false, SettingEntries<1>, kListEntryHeight},
     &TfrmMainForm::cbDIAddr},
    {{.name = "Label3",
      .caption = SettingFields[2].label,
      .bounds = {27, 148, 126, 20},
      .accessKey = 'O'},
     &TfrmMainForm::Label3},
    {{"cbDOAddr", "", {160, 144, 241, 28}, false, SettingEntries<2>, kListEntryHeight},
     &TfrmMainForm::cbDOAddr},
    {{.name = "chkEditMode", .caption = "Edit Mode", .bounds = {56, 189, 97, 17}, .accessKey = 'E'},
     &TfrmMainForm::chkEditMode,
     &TfrmMainForm::chkEditModeClick},
    {{.name = "btnSave", .caption = "Save", .bounds = {101, 224, 129, 57}, .accessKey = 'S'},
     &TfrmMainForm::btnSave,
     &TfrmMainForm::btnSaveClick},
    {{.name = "btnExit", .caption = "Exit", .bounds = {237, 224, 129, 57}, .accessKey = 'X'},
     &TfrmMainForm::btnExit,
     &TfrmMainForm::btnExitClick},
}};
