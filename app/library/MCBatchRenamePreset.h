#pragma once

// A rename preset: a rename pattern under a name, kept as one "renamepreset" file
// {"Name": text, "Settings": {"Tokens": [...]}} and listed by MCPresetManager.
#include "app/engine/pipeline/MCPreset.h"
#include "app/library/MCBatchRenameSettings.h"

#include <memory>

// "RenamePresetsIsDefault": while YES the shipped rename presets are still to be installed.
extern const QString kMCRenamePresetsIsDefaultKey;

class MCBatchRenamePreset : public MCPreset
{
public:
    // "renamepreset" files in "Presets/Rename" (the user's and the shipped ones), first-run
    // key "RenamePresetsIsDefault".
    static const MCPresetClass &presetClass();

    MCBatchRenamePreset() = default;
    MCBatchRenamePreset(const QString &name, const MCBatchRenameSettings &renameSettings)
        : m_name(name), m_renameSettings(renameSettings)
    {
    }
    static std::shared_ptr<MCBatchRenamePreset> presetWithName(const QString &name,
                                                               const MCBatchRenameSettings &renameSettings)
    {
        return std::make_shared<MCBatchRenamePreset>(name, renameSettings);
    }
    // Never refuses a dictionary: a missing or unreadable "Name" gives the empty name (the
    // preset still saves, under "NNN_.renamepreset"), missing "Settings" or "Tokens" an empty
    // pattern.
    static std::shared_ptr<MCBatchRenamePreset> presetFromDictionary(const QVariantMap &dictionary);

    QString name() const override { return m_name; }
    void setName(const QString &name) override { m_name = name; }
    // Always holds both keys, "Name" being the user's text exactly as typed.
    QVariantMap dictionaryRepresentation() const override;
    std::shared_ptr<MCPreset> copyPreset() const override { return std::make_shared<MCBatchRenamePreset>(*this); }

    const MCBatchRenameSettings &renameSettings() const { return m_renameSettings; }
    void setRenameSettings(const MCBatchRenameSettings &settings) { m_renameSettings = settings; }

private:
    QString m_name;
    MCBatchRenameSettings m_renameSettings;
};
