#include "app/dialogs/MCPresetPopupController.h"

#include "app/dialogs/MCChooseNameDialog.h"
#include "halvard/ui/MCPromptLayer.h"

#include <QComboBox>
#include <QStandardItemModel>

MCPresetPopupController::MCPresetPopupController(QComboBox *popup, MCPresetControllerDataSource *dataSource,
                                                 QObject *parent)
    : QObject(parent), m_popup(popup), m_dataSource(dataSource)
{
    if (!popup || !dataSource)
        throw std::invalid_argument("*** MCPresetPopupController: object must not be nil");
    connect(popup, &QComboBox::activated, this, &MCPresetPopupController::entryActivated);
    findMatchingPreset();
    updatePopup();
}

void MCPresetPopupController::findMatchingPreset()
{
    m_currentPreset.reset();
    m_currentPresetIndex = -1;
    const QList<MCPresetRef> presets = m_dataSource->presetsForController(this);
    for (const MCPresetRef &preset : presets) {
        if (m_dataSource->presetControllerIsSettingsEqualToPreset(this, preset)) {
            makeCurrent(preset);
            return;
        }
    }
}

void MCPresetPopupController::makeCurrent(const MCPresetRef &preset)
{
    // The position is that of the very object in the list (the list is re-sorted after every
    // add or replace); the controller keeps a copy, so later edits of the list's object do not
    // change what it compares with.
    const QList<MCPresetRef> presets = m_dataSource->presetsForController(this);
    m_currentPresetIndex = presets.indexOf(preset);
    m_currentPreset = preset && m_currentPresetIndex >= 0 ? preset->copyPreset() : nullptr;
    if (!m_currentPreset)
        m_currentPresetIndex = -1;
}

bool MCPresetPopupController::isEdited() const
{
    return m_currentPreset && !m_dataSource->presetControllerIsSettingsEqualToPreset(
                                  const_cast<MCPresetPopupController *>(this), m_currentPreset);
}

QStringList MCPresetPopupController::presetNames(const QList<MCPresetRef> &presets) const
{
    QStringList names;
    for (const MCPresetRef &preset : presets)
        names.append(preset->name());
    return names;
}

void MCPresetPopupController::updatePopup()
{
    if (!m_popup)
        return;
    m_updating = true;
    const QList<MCPresetRef> presets = m_dataSource->presetsForController(this);
    m_popup->clear();
    auto *model = qobject_cast<QStandardItemModel *>(m_popup->model());
    auto add = [&](const QString &title, int tag) {
        m_popup->addItem(title);
        const int entry = m_popup->count() - 1;
        m_popup->setItemData(entry, tag, kPresetTagRole);
        return entry;
    };

    const bool edited = isEdited();
    int selected = -1;
    if (m_currentPreset && edited)
        selected = add(m_currentPreset->name() + tr(" (Edited)"), StateTag);
    else if (!m_currentPreset)
        selected = add(tr("Custom"), StateTag);
    if (!presets.isEmpty() && (edited || !m_currentPreset))
        m_popup->insertSeparator(m_popup->count());
    for (qint64 i = 0; i < presets.size(); ++i) {
        const int entry = add(presets[i]->name(), PresetTag);
        m_popup->setItemData(entry, i, kPresetIndexRole);
        if (m_currentPreset && !edited && i == m_currentPresetIndex)
            selected = entry;
    }
    m_popup->insertSeparator(m_popup->count());
    if (edited)
        add(tr("Save Current Preset"), SaveCurrentTag);
    add(tr("Save as New Preset…"), SaveAsNewTag);
    const int deleteEntry = add(tr("Delete Current Preset…"), DeleteCurrentTag);
    const int renameEntry = add(tr("Rename Current Preset…"), RenameCurrentTag);
    add(tr("Restore Default Presets…"), RestoreDefaultsTag);
    m_popup->setCurrentIndex(selected);

    // Rename and delete act on the selected preset, so they are offered only while a preset
    // that matches the current settings is selected.
    const bool presetSelected = selected >= 0 && m_popup->itemData(selected, kPresetTagRole).toInt() == PresetTag;
    if (model) {
        for (int entry : {deleteEntry, renameEntry})
            if (QStandardItem *item = model->item(entry))
                item->setEnabled(presetSelected);
    }
    m_updating = false;
}

void MCPresetPopupController::entryActivated(int entry)
{
    if (m_updating || !m_popup || entry < 0)
        return;
    switch (m_popup->itemData(entry, kPresetTagRole).toInt()) {
    case PresetTag:
    case StateTag: presetDidChange(entry); break;
    case SaveCurrentTag: saveCurrentPreset(); break;
    case SaveAsNewTag: saveAsNewPreset(); break;
    case DeleteCurrentTag: deleteCurrentPreset(); break;
    case RenameCurrentTag: renameCurrentPreset(); break;
    case RestoreDefaultsTag: restoreDefaultPresets(); break;
    default: updatePopup(); break;
    }
}

void MCPresetPopupController::presetDidChange(int entry)
{
    // "Custom" and the edited entry stand for the settings as they are: nothing to apply.
    if (m_popup && entry >= 0 && entry < m_popup->count() &&
        m_popup->itemData(entry, kPresetTagRole).toInt() == PresetTag) {
        const QList<MCPresetRef> presets = m_dataSource->presetsForController(this);
        const qint64 index = m_popup->itemData(entry, kPresetIndexRole).toLongLong();
        if (index >= 0 && index < presets.size()) {
            m_dataSource->presetControllerApplyPreset(this, presets[index]);
            makeCurrent(presets[index]);
        }
    }
    updatePopup();
}

void MCPresetPopupController::saveCurrentPreset()
{
    if (m_currentPreset && m_currentPresetIndex >= 0) {
        const MCPresetRef preset = m_dataSource->createPresetForController(this, m_currentPreset->name());
        if (preset) {
            m_dataSource->presetControllerReplacePresetAtIndex(this, m_currentPresetIndex, preset);
            makeCurrent(preset);
        }
    }
    updatePopup();
}

QString MCPresetPopupController::proposedName(const QString &base, const QStringList &usedNames)
{
    QString name = base;
    for (qint64 number = 2; usedNames.contains(name); ++number)
        name = base + QStringLiteral(" %1").arg(number);
    return name;
}

std::optional<QString> MCPresetPopupController::runNameDialog(const QString &name, const QStringList &usedNames)
{
    MCChooseNameDialog dialog;
    dialog.setUsedNames(usedNames);
    dialog.setName(name);
    if (dialog.runModal() != 1000)
        return std::nullopt;
    return dialog.name();
}

void MCPresetPopupController::saveAsNewPreset()
{
    const QStringList used = presetNames(m_dataSource->presetsForController(this));
    if (const std::optional<QString> name = runNameDialog(proposedName(tr("My Preset"), used), used)) {
        if (const MCPresetRef preset = m_dataSource->createPresetForController(this, *name)) {
            m_dataSource->presetControllerAddPreset(this, preset);
            makeCurrent(preset);
        }
    }
    updatePopup();
}

void MCPresetPopupController::renameCurrentPreset()
{
    // The selected entry's preset: offered only while it is a preset matching the settings.
    const int selected = m_popup ? m_popup->currentIndex() : -1;
    const QList<MCPresetRef> presets = m_dataSource->presetsForController(this);
    if (selected < 0 || m_popup->itemData(selected, kPresetTagRole).toInt() != PresetTag ||
        m_currentPresetIndex < 0) {
        updatePopup();
        return;
    }
    const qint64 index = m_popup->itemData(selected, kPresetIndexRole).toLongLong();
    if (index < 0 || index >= presets.size()) {
        updatePopup();
        return;
    }
    const MCPresetRef preset = presets[index];
    QStringList used = presetNames(presets);
    used.removeAll(preset->name());
    if (const std::optional<QString> name = runNameDialog(preset->name(), used)) {
        const MCPresetRef renamed = preset->copyPreset();
        renamed->setName(*name);
        m_dataSource->presetControllerReplacePresetAtIndex(this, m_currentPresetIndex, renamed);
        makeCurrent(renamed);
    }
    updatePopup();
}

void MCPresetPopupController::deleteCurrentPreset()
{
    if (m_currentPreset && m_currentPresetIndex >= 0) {
        MCAlertRequest request;
        request.messageText = tr("Do you want to delete the preset “%1”? ").arg(m_currentPreset->name());
        request.informativeText = tr("You cannot undo this operation.");
        request.buttonTitles = {tr("Delete"), tr("Cancel")};
        if (MCPromptLayer::runAlert(request, m_popup ? m_popup->window() : nullptr).response ==
            MCAlertFirstButtonReturn) {
            m_dataSource->presetControllerDeletePresetAtIndex(this, m_currentPresetIndex);
            m_currentPreset.reset();
            m_currentPresetIndex = -1;
        }
    }
    updatePopup();
}

void MCPresetPopupController::restoreDefaultPresets()
{
    MCAlertRequest request;
    request.messageText = tr("Are you sure you want to restore to initial presets? ");
    request.informativeText = tr("You cannot undo this operation.");
    request.buttonTitles = {tr("Restore"), tr("Cancel")};
    if (MCPromptLayer::runAlert(request, m_popup ? m_popup->window() : nullptr).response ==
        MCAlertFirstButtonReturn) {
        m_dataSource->restoreDefaultPresetsForController(this);
        findMatchingPreset();
    }
    updatePopup();
}
