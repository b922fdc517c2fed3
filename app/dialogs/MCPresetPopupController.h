#pragma once

// The preset pop-up of the operation screens (Convert, Edit Metadata, rename options): one
// pop-up button listing the presets of one kind, with the commands to save the current
// settings into the preset they came from, save them as a new preset, rename or delete that
// preset and restore the shipped presets. The controller knows nothing of the preset kind:
// its data source (the screen) owns the settings and the list, compares and applies.
//
// It keeps track of the preset the current settings came from. Three states:
//   no current preset          "Custom" on top, selected;
//   current preset, unchanged  its own entry selected;
//   current preset, changed    "<name> (Edited)" on top, selected, and "Save Current Preset".
// The owning screen calls updatePopup() whenever its settings change.
//
// Entries carry a tag (kPresetTagRole) and presets their position (kPresetIndexRole). Main
// thread only; the name dialog and the alerts run modally.
#include "app/engine/pipeline/MCPreset.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QComboBox;
class MCPresetPopupController;

class MCPresetControllerDataSource
{
public:
    virtual ~MCPresetControllerDataSource() = default;
    // The presets, kept sorted by name by the data source.
    virtual QList<MCPresetRef> presetsForController(MCPresetPopupController *controller) = 0;
    virtual bool presetControllerIsSettingsEqualToPreset(MCPresetPopupController *controller,
                                                        const MCPresetRef &preset) = 0;
    virtual void presetControllerApplyPreset(MCPresetPopupController *controller, const MCPresetRef &preset) = 0;
    // Replaces the list by the shipped presets and stores it.
    virtual void restoreDefaultPresetsForController(MCPresetPopupController *controller) = 0;
    // A new preset of the current settings.
    virtual MCPresetRef createPresetForController(MCPresetPopupController *controller, const QString &name) = 0;
    // Change the list and store it; after an add or a replace the list is sorted again.
    virtual void presetControllerAddPreset(MCPresetPopupController *controller, const MCPresetRef &preset) = 0;
    virtual void presetControllerReplacePresetAtIndex(MCPresetPopupController *controller, qint64 index,
                                                      const MCPresetRef &preset) = 0;
    virtual void presetControllerDeletePresetAtIndex(MCPresetPopupController *controller, qint64 index) = 0;
};

class MCPresetPopupController : public QObject
{
    Q_OBJECT
public:
    // Entry tags.
    enum Tag : int {
        PresetTag = 0,         // one per preset
        StateTag = 1,          // "Custom" or "<name> (Edited)"
        SaveCurrentTag = 2,    // "Save Current Preset"
        SaveAsNewTag = 3,      // "Save as New Preset…"
        DeleteCurrentTag = 4,  // "Delete Current Preset…"
        RenameCurrentTag = 5,  // "Rename Current Preset…"
        RestoreDefaultsTag = 6 // "Restore Default Presets…"
    };
    static constexpr int kPresetTagRole = Qt::UserRole + 1;
    static constexpr int kPresetIndexRole = Qt::UserRole + 2; // a preset entry's position in the list

    // Takes as current the first preset equal to the current settings and fills the pop-up.
    // Neither is owned; the pop-up's activations are handled from now on.
    MCPresetPopupController(QComboBox *popup, MCPresetControllerDataSource *dataSource, QObject *parent = nullptr);

    QComboBox *presetsPopup() const { return m_popup; }
    MCPresetControllerDataSource *dataSource() const { return m_dataSource; }
    // A copy of the preset the settings came from; null when none.
    MCPresetRef currentPreset() const { return m_currentPreset; }
    // Its position in the data source's list; -1 for none.
    qint64 currentPresetIndex() const { return m_currentPresetIndex; }
    // Whether the settings changed since the current preset was taken.
    bool isEdited() const;

    void updatePopup();

    // The entries' actions (public so screens and tests can send them).
    void presetDidChange(int entry); // an entry of the pop-up (tag 0 or 1)
    void saveCurrentPreset();
    void saveAsNewPreset();
    void renameCurrentPreset();
    void deleteCurrentPreset();
    void restoreDefaultPresets();

    // The name Save as New proposes: "My Preset", else "My Preset 2", "My Preset 3" …
    static QString proposedName(const QString &base, const QStringList &usedNames);

private:
    void findMatchingPreset();
    void makeCurrent(const MCPresetRef &preset);
    QStringList presetNames(const QList<MCPresetRef> &presets) const;
    // Runs the name dialog; the chosen name, or none when cancelled.
    std::optional<QString> runNameDialog(const QString &name, const QStringList &usedNames);
    void entryActivated(int entry);

    QPointer<QComboBox> m_popup;
    MCPresetControllerDataSource *m_dataSource;
    MCPresetRef m_currentPreset;
    qint64 m_currentPresetIndex = -1;
    bool m_updating = false;
};
