#include "TfrmMainForm.h"

#include "Dialogs.h"
#include "DriverSettings.h"
#include "ESettingsError.h"
#include "MainFormDescription.h"
#include "SettingsStore.h"
#include "Text.h"

#include <new>

using namespace tessaport;

TfrmMainForm *frmMainForm = nullptr;

TfrmMainForm::TfrmMainForm() : TForm(MainFormDescription) {
    CreateControls(*this, MainFormControls);

    cbProvider->SetItemIndex(0);
    ClearSettingLists();
    LoadSettings();
}

std::array<TComboBox *, 3> TfrmMainForm::SettingLists() const {
    return {cbNumCards, cbDIAddr, cbDOAddr};
}

void TfrmMainForm::ClearSettingLists() {
    for (TComboBox *list : SettingLists()) {
        list->SetItemIndex(NoSelection);
    }
}

std::string TfrmMainForm::ProviderName() const {
    return Trim(cbProvider->Text());
}

bool TfrmMainForm::LoadSettings() {
    const std::string provider = ProviderName();
    if (provider.empty()) {
        return false;
    }
    DriverSettings settings;
    try {
        settings = SettingsStore::ReadDriverSettings(provider);
    } catch (const std::bad_alloc &) {
        throw; // not the registry's failure: the application reports it
    } catch (...) {
        // A missing or unreadable key is an ordinary state here, not worth a message.
        ClearSettingLists();
        return false;
    }
    const std::array<TComboBox *, 3> lists = SettingLists();
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        const SettingField &field = SettingFields[i];
        lists[i]->SetItemIndex(ListPositionFor(settings.*field.member, field));
    }
    SetEditMode(false);
    return true;
}

bool TfrmMainForm::SaveSettings() {
    const std::string provider = ProviderName();
    if (provider.empty()) {
        return false;
    }
    DriverSettings settings;
    const std::array<TComboBox *, 3> lists = SettingLists();
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        settings.*SettingFields[i].member = lists[i]->ItemIndex();
    }
    if (!IsComplete(settings)) {
        return false;
    }
    try {
        SettingsStore::WriteDriverSettings(provider, settings);
    } catch (const ESettingsSavedUnconfirmed &) {
        // Saved: the new settings are in place, only not confirmed on disk.
    } catch (const std::bad_alloc &) {
        throw;
    } catch (...) {
        return false;
    }
    SetEditMode(false);
    return true;
}

void TfrmMainForm::SetEditMode(bool on) {
    chkEditMode->SetChecked(on);
    for (TComboBox *list : SettingLists()) {
        list->SetEnabled(on);
    }
}

void TfrmMainForm::cbProviderChange() {
    // Unsaved choices are dropped without asking.
    LoadSettings();
}

void TfrmMainForm::chkEditModeClick() {
    SetEditMode(chkEditMode->Checked());
}

void TfrmMainForm::btnSaveClick() {
    if (!SaveSettings()) {
        ShowMessage("Unable to save into registry!!");
    }
}

void TfrmMainForm::btnExitClick() {
    Close();
}
