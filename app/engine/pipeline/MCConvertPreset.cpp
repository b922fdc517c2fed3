#include "app/engine/pipeline/MCConvertPreset.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCPathManager.h"

namespace {

const QString kName = QStringLiteral("name");
const QString kFormat = QStringLiteral("format");
const QString kColorModel = QStringLiteral("colorModel");
const QString kColorDepth = QStringLiteral("colorDepth");
const QString kHasAlpha = QStringLiteral("hasAlpha");
const QString kQuality = QStringLiteral("quality");
const QString kEmbedThumbnail = QStringLiteral("embedThumbnail");
const QString kTIFFCompression = QStringLiteral("TIFFCompression");
const QString kStages = QStringLiteral("stages");
const QString kRenameSettings = QStringLiteral("renameSettings");

} // namespace

const MCPresetClass &MCConvertPreset::presetClass()
{
    static const MCPresetClass presetClass{
        [] { return MCPathManager::defaultManager().convertPresetsFolderURL(); },
        [] { return MCPathManager::defaultManager().convertPresetsInBundleFolderURL(); },
        QStringLiteral("convertpreset"),
        kMCConvertPresetsIsDefaultKey,
        [](const QVariantMap &dictionary) -> MCPresetRef { return presetFromDictionary(dictionary); },
    };
    return presetClass;
}

MCConvertPreset::MCConvertPreset(const QString &name, const std::optional<MCBatchRenameSettings> &renameSettings,
                                 quint64 format, qint64 colorModel, qint64 colorDepth, bool hasAlpha, double quality,
                                 bool embedThumbnail, qint64 TIFFCompression, const QList<MCConvertStageRef> &stages)
    : m_name(name), m_renameSettings(renameSettings), m_format(format), m_colorModel(colorModel),
      m_colorDepth(colorDepth), m_hasAlpha(hasAlpha), m_quality(quality), m_TIFFCompression(TIFFCompression),
      m_stages(stages), m_embedThumbnail(embedThumbnail)
{
}

MCConvertPreset::MCConvertPreset(const QVariantMap &dictionary)
{
    for (const QVariant &entry : dictionary.value(kStages).toList()) {
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        if (MCConvertStageRef stage = MCConvertStage::stageWithDictionary(entry.toMap()))
            m_stages.append(stage);
    }
    const QVariant rename = dictionary.value(kRenameSettings);
    if (rename.typeId() == QMetaType::QVariantMap)
        m_renameSettings = MCBatchRenameSettings::settingsWithDictionary(rename.toMap());
    if (dictionary.value(kName).typeId() == QMetaType::QString)
        m_name = dictionary.value(kName).toString();
    m_format = dictionary.value(kFormat).toULongLong();
    m_colorModel = dictionary.value(kColorModel).toLongLong();
    m_colorDepth = dictionary.value(kColorDepth).toLongLong();
    m_hasAlpha = dictionary.value(kHasAlpha).toBool();
    m_quality = dictionary.value(kQuality).toDouble();
    m_embedThumbnail = dictionary.value(kEmbedThumbnail).toBool();
    m_TIFFCompression = dictionary.value(kTIFFCompression).toLongLong();
}

std::shared_ptr<MCConvertPreset> MCConvertPreset::presetFromDictionary(const QVariantMap &dictionary)
{
    return std::make_shared<MCConvertPreset>(dictionary);
}

std::shared_ptr<MCConvertPreset> MCConvertPreset::presetWithConverter(const QString &name,
                                                                      const MCBitmapConverter &converter)
{
    return std::make_shared<MCConvertPreset>(name, converter.renameSettings(), converter.imageFormat(),
                                             converter.imageColorModel(), converter.imageColorDepth(),
                                             converter.imageHasAlpha(), converter.imageQuality(),
                                             converter.embedThumbnail(), converter.imageTIFFCompression(),
                                             converter.allStages());
}

QVariantMap MCConvertPreset::dictionaryRepresentation() const
{
    QVariantMap dictionary{
        {kFormat, m_format},           {kColorModel, m_colorModel},   {kColorDepth, m_colorDepth},
        {kHasAlpha, m_hasAlpha},       {kQuality, m_quality},         {kEmbedThumbnail, m_embedThumbnail},
        {kTIFFCompression, m_TIFFCompression},
    };
    if (!m_name.isNull())
        dictionary.insert(kName, m_name);
    if (!m_stages.isEmpty()) {
        QVariantList stages;
        for (const MCConvertStageRef &stage : m_stages)
            stages.append(stage->dictionaryRepresentation());
        dictionary.insert(kStages, stages);
    }
    if (m_renameSettings)
        dictionary.insert(kRenameSettings, m_renameSettings->dictionaryRepresentation());
    return dictionary;
}

std::shared_ptr<MCPreset> MCConvertPreset::copyPreset() const
{
    auto copy = std::make_shared<MCConvertPreset>(*this);
    QList<MCConvertStageRef> stages;
    for (const MCConvertStageRef &stage : m_stages)
        stages.append(stage->copy());
    copy->m_stages = stages;
    return copy;
}

void MCConvertPreset::applyToConverter(MCBitmapConverter &converter) const
{
    converter.setRenameSettings(m_renameSettings);
    converter.setImageFormat(m_format);
    converter.setImageColorModel(m_colorModel);
    converter.setImageColorDepth(m_colorDepth);
    converter.setImageHasAlpha(m_hasAlpha);
    converter.setImageQuality(m_quality);
    converter.setImageTIFFCompression(m_TIFFCompression);
    converter.setEmbedThumbnail(m_embedThumbnail);
    QList<MCConvertStageRef> stages;
    for (const MCConvertStageRef &stage : m_stages)
        stages.append(stage->copy());
    converter.setStagesFromArray(stages);
}
