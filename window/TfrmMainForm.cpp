#include "TfrmMainForm.h"

#include "ComboBoxes.h"
#include "Dialogs.h"
#include "DriverSettings.h"
#include "FormMetrics.h"
#include "SettingsStore.h"
#include "Text.h"

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <new>

using namespace tessaport;

QPointer<TfrmMainForm> frmMainForm;

TfrmMainForm::TfrmMainForm(QWidget *parent) : QWidget(parent, FormMetrics::WindowFlags) {
    setupUi(this);
    ApplyFormMetrics();
    FillLists();

    SetItemIndex(*cbProvider, 0);
    ClearSettingLists();
    LoadSettings();
}

void TfrmMainForm::ApplyFormMetrics() {
    QFont::insertSubstitutions(FormMetrics::ControlFontFamily, FormMetrics::FontSubstitutes);
    QFont controlFont(FormMetrics::ControlFontFamily);
    controlFont.setPixelSize(FormMetrics::ControlFontPixels);
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        control->setFont(controlFont);
    }
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    move(FormMetrics::ScreenPosition);
}

void TfrmMainForm::FillLists() {
    for (std::string_view provider : ProviderCatalogue) {
        cbProvider->addItem(QString::fromLatin1(provider.data(), qsizetype(provider.size())));
    }
    const std::array<QLabel *, 3> labels{Label1, Label2, Label3};
    const std::array<QComboBox *, 3> lists = SettingLists();
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        const SettingField &field = SettingFields[i];
        labels[i]->setText(QString::fromLatin1(field.label.data(), qsizetype(field.label.size())));
        for (const std::string &entry : ValueListEntries(field)) {
            lists[i]->addItem(QString::fromStdString(entry));
        }
    }
    // Labels fit their captions and keep their left edge, so a stand-in font that runs wider
    // than the design font is not cut off.
    for (QLabel *label : {lblProvider, Label1, Label2, Label3}) {
        label->resize(label->fontMetrics().horizontalAdvance(label->text()), label->height());
    }
    for (QComboBox *list : {cbProvider, cbNumCards, cbDIAddr, cbDOAddr}) {
        SetEntryHeight(*list, FormMetrics::ListEntryHeight);
    }
}

std::array<QComboBox *, 3> TfrmMainForm::SettingLists() const {
    return {cbNumCards, cbDIAddr, cbDOAddr};
}

void TfrmMainForm::ClearSettingLists() {
    for (QComboBox *list : SettingLists()) {
        SetItemIndex(*list, NoSelection);
    }
}

std::string TfrmMainForm::ProviderName() const {
    return Trim(cbProvider->currentText().toStdString());
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
    const std::array<QComboBox *, 3> lists = SettingLists();
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        const SettingField &field = SettingFields[i];
        SetItemIndex(*lists[i], ListPositionFor(settings.*field.member, field));
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
    const std::array<QComboBox *, 3> lists = SettingLists();
    for (std::size_t i = 0; i < SettingFields.size(); ++i) {
        settings.*SettingFields[i].member = lists[i]->currentIndex();
    }
    if (!IsComplete(settings)) {
        return false;
    }
    try {
        SettingsStore::WriteDriverSettings(provider, settings);
    } catch (const std::bad_alloc &) {
        throw;
    } catch (...) {
        return false;
    }
    SetEditMode(false);
    return true;
}

void TfrmMainForm::SetEditMode(bool on) {
    chkEditMode->setChecked(on);
    for (QComboBox *list : SettingLists()) {
        list->setEnabled(on);
    }
}

void TfrmMainForm::cbProviderChange() {
    // Unsaved choices are dropped without asking.
    LoadSettings();
}

void TfrmMainForm::chkEditModeClick() {
    for (QComboBox *list : SettingLists()) {
        list->setEnabled(chkEditMode->isChecked());
    }
}

void TfrmMainForm::btnSaveClick() {
    if (!SaveSettings()) {
        ShowMessage(QStringLiteral("Unable to save into registry!!"));
    }
}

void TfrmMainForm::btnExitClick() {
    close();
}
