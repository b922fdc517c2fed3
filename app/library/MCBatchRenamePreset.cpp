#include "app/library/MCBatchRenamePreset.h"

#include "app/library/MCPathManager.h"

const QString kMCRenamePresetsIsDefaultKey = QStringLiteral("RenamePresetsIsDefault");

namespace {

const QString kNameKey = QStringLiteral("Name");
const QString kSettingsKey = QStringLiteral("Settings");

} // namespace

const MCPresetClass &MCBatchRenamePreset::presetClass()
{
    static const MCPresetClass presetClass{
        [] { return MCPathManager::defaultManager().renamePresetsFolderURL(); },
        [] { return MCPathManager::defaultManager().renamePresetsInBundleFolderURL(); },
        QStringLiteral("renamepreset"),
        kMCRenamePresetsIsDefaultKey,
        [](const QVariantMap &dictionary) -> MCPresetRef { return presetFromDictionary(dictionary); },
    };
    return presetClass;
}

std::shared_ptr<MCBatchRenamePreset> MCBatchRenamePreset::presetFromDictionary(const QVariantMap &dictionary)
{
    const QVariant name = dictionary.value(kNameKey);
    return presetWithName(name.typeId() == QMetaType::QString ? name.toString() : QString(),
                          MCBatchRenameSettings::settingsWithDictionary(dictionary.value(kSettingsKey).toMap()));
}

QVariantMap MCBatchRenamePreset::dictionaryRepresentation() const
{
    // A null name is stored as the empty text: the file form requires the key.
    return {{kNameKey, m_name.isNull() ? QStringLiteral("") : m_name},
            {kSettingsKey, m_renameSettings.dictionaryRepresentation()}};
}
