#pragma once

// A metadata preset: a named list of edit-metadata stages, saved from the Edit Metadata dialog
// and applied later. The generic preset manager finds, loads, sorts and saves them (one
// "metadatapreset" file per preset, written all at once, names made safe for file names, the
// shipped presets added on first use without replacing the user's).
#include "app/engine/pipeline/MCPreset.h"
#include "app/metadata/MCEditMetadataStage.h"

class MCMetadataConverter;

class MCEditMetadataPreset : public MCPreset
{
public:
    // "metadatapreset" files in "Presets/Metadata", first-run key "EditMetadataPresetsIsDefault".
    static const MCPresetClass &presetClass();

    MCEditMetadataPreset() = default;
    // Keeps the given stage objects (not copies).
    MCEditMetadataPreset(const QString &name, const QList<MCEditMetadataStageRef> &stages);
    static std::shared_ptr<MCEditMetadataPreset> presetWithName(const QString &name,
                                                                const QList<MCEditMetadataStageRef> &stages);
    // Reads a file's dictionary; never refuses one: entries of unknown stages (and entries
    // that are not dictionaries) are left out, the others keep their order.
    explicit MCEditMetadataPreset(const QVariantMap &dictionary);
    static std::shared_ptr<MCEditMetadataPreset> presetFromDictionary(const QVariantMap &dictionary);

    QString name() const override { return m_name; }
    void setName(const QString &name) override { m_name = name; }
    QList<MCEditMetadataStageRef> stages() const { return m_stages; }
    void setStages(const QList<MCEditMetadataStageRef> &stages) { m_stages = stages; }

    // "name" (unless nil) and "stages" (unless there is none), each stage in its stored form.
    QVariantMap dictionaryRepresentation() const override;
    // Copies every stage too (new identities, no undo manager).
    std::shared_ptr<MCPreset> copyPreset() const override;

    // The same number of stages, equal position by position (what tells whether the dialog's
    // list matches the preset).
    bool hasSameStagesAs(const QList<MCEditMetadataStageRef> &stages) const;
    // Sets copies of the stages as `converter`'s list: one undoable change.
    void applyToConverter(MCMetadataConverter &converter) const;

private:
    QString m_name;
    QList<MCEditMetadataStageRef> m_stages;
};
