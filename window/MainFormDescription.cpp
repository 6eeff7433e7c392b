#include "MainFormDescription.h"

#include "DriverSettings.h"
#include "TfrmMainForm.h"

using namespace tessaport;

namespace {

std::vector<std::string> Providers() {
    return {ProviderCatalogue.begin(), ProviderCatalogue.end()};
}

std::vector<std::string> NumberOfCardsEntries() {
    return ValueListEntries(SettingFields[0]);
}

std::vector<std::string> DIAddressEntries() {
    return ValueListEntries(SettingFields[1]);
}

std::vector<std::string> DOAddressEntries() {
    return ValueListEntries(SettingFields[2]);
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

const std::array<Binding, 11> MainFormControls{{
    {{"lblProvider", "Provider", {96, 28, 57, 20}}, &TfrmMainForm::lblProvider},
    {{"cbProvider", "", {160, 24, 241, 28}, true, Providers, kListEntryHeight},
     &TfrmMainForm::cbProvider,
     &TfrmMainForm::cbProviderChange},
    {{"Label1", SettingFields[0].label, {30, 68, 123, 20}}, &TfrmMainForm::Label1},
    {{"cbNumCards", "", {160, 64, 241, 28}, false, NumberOfCardsEntries, kListEntryHeight},
     &TfrmMainForm::cbNumCards},
    {{"Label2", SettingFields[1].label, {34, 108, 119, 20}}, &TfrmMainForm::Label2},
    {{"cbDIAddr", "", {160, 104, 241, 28}, false, DIAddressEntries, kListEntryHeight},
     &TfrmMainForm::cbDIAddr},
    {{"Label3", SettingFields[2].label, {27, 148, 126, 20}}, &TfrmMainForm::Label3},
    {{"cbDOAddr", "", {160, 144, 241, 28}, false, DOAddressEntries, kListEntryHeight},
     &TfrmMainForm::cbDOAddr},
    {{"chkEditMode", "Edit Mode", {56, 189, 97, 17}},
     &TfrmMainForm::chkEditMode,
     &TfrmMainForm::chkEditModeClick},
    {{"btnSave", "Save", {101, 224, 129, 57}}, &TfrmMainForm::btnSave, &TfrmMainForm::btnSaveClick},
    {{"btnExit", "Exit", {237, 224, 129, 57}}, &TfrmMainForm::btnExit, &TfrmMainForm::btnExitClick},
}};
