#include "app/metadata/MCEditMetadataPreset.h"

#include "app/library/MCPathManager.h"
#include "app/metadata/MCMetadataConverter.h"

namespace {

const QString kName = QStringLiteral("name");
const QString kStages = QStringLiteral("stages");

} // namespace

const MCPresetClass &MCEditMetadataPreset::presetClass()
{
    static const MCPresetClass presetClass{
        [] { return MCPathManager::defaultManager().metadataPresetsFolderURL(); },
        [] { return MCPathManager::defaultManager().metadataPresetsInBundleFolderURL(); },
        QStringLiteral("metadatapreset"),
        kMCEditMetadataPresetsIsDefaultKey,
        [](const QVariantMap &dictionary) -> MCPresetRef { return presetFromDictionary(dictionary); },
    };
    return presetClass;
}

MCEditMetadataPreset::MCEditMetadataPreset(const QString &name, const QList<MCEditMetadataStageRef> &stages)
    : m_name(name), m_stages(stages)
{
}

std::shared_ptr<MCEditMetadataPreset> MCEditMetadataPreset::presetWithName(const QString &name,
                                                                           const QList<MCEditMetadataStageRef> &stages)
{
    return std::make_shared<MCEditMetadataPreset>(name, stages);
}

MCEditMetadataPreset::MCEditMetadataPreset(const QVariantMap &dictionary)
{
    for (const QVariant &entry : dictionary.value(kStages).toList()) {
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        if (MCEditMetadataStageRef stage = MCEditMetadataStage::stageWithDictionary(entry.toMap()))
            m_stages.append(stage);
    }
    const QVariant name = dictionary.value(kName);
    if (name.typeId() == QMetaType::QString)
        m_name = name.toString();
}

std::shared_ptr<MCEditMetadataPreset> MCEditMetadataPreset::presetFromDictionary(const QVariantMap &dictionary)
{
    return std::make_shared<MCEditMetadataPreset>(dictionary);
}

QVariantMap MCEditMetadataPreset::dictionaryRepresentation() const
{
    QVariantMap dictionary;
    if (!m_name.isNull())
        dictionary.insert(kName, m_name);
    if (!m_stages.isEmpty()) {
        QVariantList stages;
        for (const MCEditMetadataStageRef &stage : m_stages)
            stages.append(stage->dictionaryRepresentation());
        dictionary.insert(kStages, stages);
    }
    return dictionary;
}

std::shared_ptr<MCPreset> MCEditMetadataPreset::copyPreset() const
{
    QList<MCEditMetadataStageRef> stages;
    for (const MCEditMetadataStageRef &stage : m_stages)
        stages.append(stage->editCopy());
    return std::make_shared<MCEditMetadataPreset>(m_name, stages);
}

bool MCEditMetadataPreset::hasSameStagesAs(const QList<MCEditMetadataStageRef> &stages) const
{
    if (stages.size() != m_stages.size())
        return false;
    for (qsizetype i = 0; i < stages.size(); ++i) {
        if (!m_stages[i]->isEqual(*stages[i]))
            return false;
    }
    return true;
}

void MCEditMetadataPreset::applyToConverter(MCMetadataConverter &converter) const
{
    QList<MCEditMetadataStageRef> stages;
    for (const MCEditMetadataStageRef &stage : m_stages)
        stages.append(stage->editCopy());
    converter.setStagesFromArray(stages);
}
