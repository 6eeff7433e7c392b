#pragma once

#include "ui_TfrmMainForm.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <string>

class QComboBox;

// The configuration window. Shows one provider's settings, lets them be changed only in edit
// mode, and saves them to the registry. It keeps no copy of the settings: the lists' selections
// are the only record of what was loaded or chosen.
//
// Controls are public members under their names in the .ui, which wires their events to the
// slots of the same names.
class TfrmMainForm : public QWidget, public Ui::TfrmMainForm {
    Q_OBJECT

public:
    explicit TfrmMainForm(QWidget *parent = nullptr);

    // False, leaving edit mode as it is and the setting lists empty, when the provider's
    // settings cannot be read.
    bool LoadSettings();
    // False, changing nothing, when a list has no selection or the registry refuses the write.
    bool SaveSettings();
    void SetEditMode(bool on);

public slots:
    void cbProviderChange();
    void chkEditModeClick();
    void btnSaveClick();
    void btnExitClick();

private:
    void ApplyFormMetrics();
    void FillLists();
    // cbNumCards, cbDIAddr and cbDOAddr: the order of SettingFields.
    std::array<QComboBox *, 3> SettingLists() const;
    void ClearSettingLists();
    std::string ProviderName() const;
};

// The one window, for as long as it exists.
extern QPointer<TfrmMainForm> frmMainForm;
