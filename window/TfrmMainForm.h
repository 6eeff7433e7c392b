#pragma once

#include "TButton.h"
#include "TCheckBox.h"
#include "TComboBox.h"
#include "TForm.h"
#include "TLabel.h"

#include <array>
#include <string>

// The configuration window. Shows one provider's settings, lets them be changed only in edit
// mode, and saves them to the registry. It keeps no copy of the settings: the lists' selections
// are the only record of what was loaded or chosen.
//
// Its controls and the wiring of their events to the handlers below are described once, in
// MainFormDescription.cpp; the toolkit builds the window from that on every platform.
class TfrmMainForm : public tessaport::TForm {
public:
    TfrmMainForm();

    // False, leaving edit mode as it is and the setting lists empty, when the provider's
    // settings cannot be read.
    bool LoadSettings();
    // False, changing nothing, when a list has no selection or the registry refuses the write.
    bool SaveSettings();
    void SetEditMode(bool on);

    // Event handlers, wired by the window's description.
    void cbProviderChange();
    void chkEditModeClick();
    void btnSaveClick();
    void btnExitClick();

    // Owned by the window.
    tessaport::TLabel *lblProvider = nullptr;
    tessaport::TComboBox *cbProvider = nullptr;
    tessaport::TLabel *Label1 = nullptr;
    tessaport::TComboBox *cbNumCards = nullptr;
    tessaport::TLabel *Label2 = nullptr;
    tessaport::TComboBox *cbDIAddr = nullptr;
    tessaport::TLabel *Label3 = nullptr;
    tessaport::TComboBox *cbDOAddr = nullptr;
    tessaport::TCheckBox *chkEditMode = nullptr;
    tessaport::TButton *btnSave = nullptr;
    tessaport::TButton *btnExit = nullptr;

private:
    // cbNumCards, cbDIAddr and cbDOAddr: the order of SettingFields.
    std::array<tessaport::TComboBox *, 3> SettingLists() const;
    void ClearSettingLists();
    std::string ProviderName() const;
};

// The one window, for as long as the application holds it.
extern TfrmMainForm *frmMainForm;
