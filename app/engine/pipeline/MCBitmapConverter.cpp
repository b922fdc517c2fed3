#include "app/engine/pipeline/MCBitmapConverter.h"

#include "platform/core/MCException.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUndoManager.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"

#include <algorithm>
#include <mutex>

const QString kMCBitmapConverterWillAddStages = QStringLiteral("kMCBitmapConverterWillAddStages");
const QString kMCBitmapConverterWillRemoveStages = QStringLiteral("kMCBitmapConverterWillRemoveStages");
const QString kMCBitmapConverterDidChangeStages = QStringLiteral("kMCBitmapConverterDidChangeStages");
const QString kMCBitmapConverterStagesKey = QStringLiteral("kMCBitmapConverterStagesKey");

const QString kMCConvertEmbedThumbnailKey = QStringLiteral("ConvertEmbedThumbnail");
const QString kMCConvertImageFormatKey = QStringLiteral("ConvertImageFormat");
const QString kMCConvertImageColorModelKey = QStringLiteral("ConvertImageColorModel");
const QString kMCConvertImageColorDepthKey = QStringLiteral("ConvertImageColorDepth");
const QString kMCConvertImageHasAlphaKey = QStringLiteral("ConvertImageHasAlpha");
const QString kMCConvertImageQualityKey = QStringLiteral("ConvertImageQuality");
const QString kMCConvertImageTIFFCompressionKey = QStringLiteral("ConvertImageTIFFCompression");
const QString kMCConvertPresetsIsDefaultKey = QStringLiteral("ConvertPresetsIsDefault");
const QString kMCConvertRenameSettingsKey = QStringLiteral("ConvertRenameSettings");
const QString kMCConvertStagesKey = QStringLiteral("ConvertStages");
const QString kMCShouldAutorotateKey = QStringLiteral("ShouldAutorotate");
const QString kMCKeepOriginalFileCreationDateKey = QStringLiteral("KeepOriginalFileCreationDate");
const QString kMCAlphaColorKey = QStringLiteral("AlphaColor");
const QString kMCQuillonDictionaryKey = QStringLiteral("QuillonDictionary");
const QString kMCQuillonFilenameKey = QStringLiteral("Filename");

namespace {

const QString kImageFormat = QStringLiteral("imageFormat");
const QString kImageColorModel = QStringLiteral("imageColorModel");
const QString kImageColorDepth = QStringLiteral("imageColorDepth");
const QString kImageHasAlpha = QStringLiteral("imageHasAlpha");
const QString kImageQuality = QStringLiteral("imageQuality");
const QString kImageTIFFCompression = QStringLiteral("imageTIFFCompression");
const QString kEmbedThumbnail = QStringLiteral("embedThumbnail");
const QString kRenameSettings = QStringLiteral("renameSettings");

struct FormatEntry
{
    const QString *type;
    const char *extension;
};

const FormatEntry &formatEntry(quint64 format)
{
    static const FormatEntry entries[] = {
        {&kUTTypeGIF, "gif"}, {&kUTTypeJPEG, "jpg"}, {&kUTTypeJPEG2000, "jp2"}, {&kUTTypePDF, "pdf"},
        {&kUTTypePNG, "png"}, {&kUTTypeTIFF, "tiff"}, {&kUTTypeBMP, "bmp"},    {&kUTTypeHEIC, "heic"},
    };
    static const FormatEntry none{nullptr, nullptr};
    return format < std::size(entries) ? entries[format] : none;
}

QVariantList variantList(const QList<MCConvertStageRef> &stages)
{
    QVariantList list;
    list.reserve(stages.size());
    for (const MCConvertStageRef &stage : stages)
        list.append(QVariant::fromValue(stage));
    return list;
}

} // namespace

// ---------------------------------------------------------------- class methods

MCBitmapConverter &MCBitmapConverter::defaultConvertSettings()
{
    static std::once_flag once;
    static MCBitmapConverter *shared = nullptr;
    std::call_once(once, [] {
        shared = new MCBitmapConverter(); // lives for the whole run
        shared->loadFromUserDefaults();
    });
    return *shared;
}

QVariantMap MCBitmapConverter::userDefaultsDictionary()
{
    return {
        {kMCConvertEmbedThumbnailKey, false},   {kMCConvertImageFormatKey, 1},
        {kMCConvertImageColorModelKey, 1},      {kMCConvertImageColorDepthKey, 0},
        {kMCConvertImageHasAlphaKey, false},    {kMCConvertImageQualityKey, 0.8},
        {kMCConvertImageTIFFCompressionKey, 0}, {kMCConvertPresetsIsDefaultKey, true},
    };
}

bool MCBitmapConverter::supportsImageFormat(quint64 format)
{
    const QString type = fileTypeForImageFormat(format);
    return !type.isEmpty() && MCImageDestination::copyTypeIdentifiers().contains(type);
}

QString MCBitmapConverter::fileTypeForImageFormat(quint64 format)
{
    const FormatEntry &entry = formatEntry(format);
    return entry.type ? *entry.type : QString();
}

QString MCBitmapConverter::fileExtensionForImageType(quint64 format)
{
    const FormatEntry &entry = formatEntry(format);
    return entry.extension ? QString::fromLatin1(entry.extension) : QString();
}

std::optional<qint64> MCBitmapConverter::labelNumberForLabel(qint64 label)
{
    static const qint64 table[] = {0, 7, 4, 6, 5, 3, 1, 2};
    for (qint64 position = 0; position < 8; ++position) {
        if (label >= 0 && label < 8 && table[position] == label)
            return position;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- life cycle

MCBitmapConverter::MCBitmapConverter(MCUserDefaults *defaults)
    : MCStageList(kMCBitmapConverterWillAddStages, kMCBitmapConverterWillRemoveStages),
      m_defaults(defaults ? defaults : &MCUserDefaults::standardUserDefaults()),
      m_undoManager(std::make_shared<MCUndoManager>()), m_lifetime(std::make_shared<char>(0))
{
}

MCBitmapConverter::~MCBitmapConverter()
{
    for (const MCConvertStageRef &stage : std::as_const(m_stages))
        stage->setUndoManager({});
}

std::unique_ptr<MCBitmapConverter> MCBitmapConverter::copy() const
{
    auto converter = std::make_unique<MCBitmapConverter>(m_defaults);
    converter->m_renameSettings = m_renameSettings;
    converter->m_imageFormat = m_imageFormat;
    converter->m_imageColorModel = m_imageColorModel;
    converter->m_imageColorDepth = m_imageColorDepth;
    converter->m_imageTIFFCompression = m_imageTIFFCompression;
    converter->m_imageHasAlpha = m_imageHasAlpha;
    converter->m_imageQuality = m_imageQuality;
    converter->m_embedThumbnail = m_embedThumbnail;
    converter->m_stages = m_stages; // the same stage objects
    return converter;
}

void MCBitmapConverter::loadFromUserDefaults()
{
    MCUserDefaults &defaults = *m_defaults;
    m_renameSettings.reset();
    const QVariant rename = defaults.objectForKey(kMCConvertRenameSettingsKey);
    if (rename.typeId() == QMetaType::QVariantMap)
        m_renameSettings = MCBatchRenameSettings::settingsWithDictionary(rename.toMap());
    m_embedThumbnail = defaults.boolForKey(kMCConvertEmbedThumbnailKey);
    m_imageFormat = quint64(defaults.integerForKey(kMCConvertImageFormatKey));
    m_imageColorModel = defaults.integerForKey(kMCConvertImageColorModelKey);
    m_imageColorDepth = defaults.integerForKey(kMCConvertImageColorDepthKey);
    m_imageHasAlpha = defaults.boolForKey(kMCConvertImageHasAlphaKey);
    m_imageQuality = defaults.doubleForKey(kMCConvertImageQualityKey);
    m_imageTIFFCompression = defaults.integerForKey(kMCConvertImageTIFFCompressionKey);

    QList<MCConvertStageRef> stages;
    for (const QVariant &entry : defaults.arrayForKey(kMCConvertStagesKey)) {
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        if (MCConvertStageRef stage = MCConvertStage::stageWithDictionary(entry.toMap()))
            stages.append(stage);
    }
    for (const MCConvertStageRef &stage : std::as_const(m_stages))
        stage->setUndoManager({});
    m_stages = stages;
    for (const MCConvertStageRef &stage : std::as_const(m_stages))
        adopt(stage);
}

void MCBitmapConverter::saveToUserDefaults() const
{
    MCUserDefaults &defaults = *m_defaults;
    defaults.setInteger(qint64(m_imageFormat), kMCConvertImageFormatKey);
    defaults.setInteger(m_imageColorModel, kMCConvertImageColorModelKey);
    defaults.setInteger(m_imageColorDepth, kMCConvertImageColorDepthKey);
    defaults.setBool(m_imageHasAlpha, kMCConvertImageHasAlphaKey);
    defaults.setDouble(m_imageQuality, kMCConvertImageQualityKey);
    defaults.setInteger(m_imageTIFFCompression, kMCConvertImageTIFFCompressionKey);
    defaults.setBool(m_embedThumbnail, kMCConvertEmbedThumbnailKey);
    if (m_stages.isEmpty()) {
        defaults.removeObjectForKey(kMCConvertStagesKey);
    } else {
        QVariantList stages;
        for (const MCConvertStageRef &stage : m_stages)
            stages.append(stage->dictionaryRepresentation());
        defaults.setObject(stages, kMCConvertStagesKey);
    }
    if (m_renameSettings)
        defaults.setObject(m_renameSettings->dictionaryRepresentation(), kMCConvertRenameSettingsKey);
    else
        defaults.removeObjectForKey(kMCConvertRenameSettingsKey);
}

// ---------------------------------------------------------------- output settings

void MCBitmapConverter::registerUndo(std::function<void(MCBitmapConverter &)> inverse)
{
    std::weak_ptr<char> alive = m_lifetime;
    m_undoManager->registerUndo(this, [alive, this, inverse = std::move(inverse)] {
        if (alive.lock())
            inverse(*this);
    });
}

template <typename T>
void MCBitmapConverter::setUndoable(const QString &key, T &storage, const T &value, void (MCBitmapConverter::*setter)(T))
{
    if (storage == value)
        return;
    registerUndo([setter, old = storage](MCBitmapConverter &converter) { (converter.*setter)(old); });
    changeValueForKey(key, storage, value);
}

void MCBitmapConverter::setImageFormat(quint64 format)
{
    if (format == m_imageFormat)
        return;
    setUndoable<quint64>(kImageFormat, m_imageFormat, format, &MCBitmapConverter::setImageFormat);
    for (const MCConvertStageRef &stage : std::as_const(m_stages))
        stage->setTargetFormat(format);
}

void MCBitmapConverter::setImageColorModel(qint64 model)
{
    if (model == m_imageColorModel)
        return;
    setUndoable<qint64>(kImageColorModel, m_imageColorModel, model, &MCBitmapConverter::setImageColorModel);
    for (const MCConvertStageRef &stage : std::as_const(m_stages))
        stage->setTargetColorModel(model);
}

void MCBitmapConverter::setImageColorDepth(qint64 depth)
{
    if (depth == m_imageColorDepth)
        return;
    setUndoable<qint64>(kImageColorDepth, m_imageColorDepth, depth, &MCBitmapConverter::setImageColorDepth);
    for (const MCConvertStageRef &stage : std::as_const(m_stages))
        stage->setTargetColorDepth(depth);
}

void MCBitmapConverter::setImageHasAlpha(bool hasAlpha)
{
    if (hasAlpha == m_imageHasAlpha)
        return;
    setUndoable<bool>(kImageHasAlpha, m_imageHasAlpha, hasAlpha, &MCBitmapConverter::setImageHasAlpha);
    for (const MCConvertStageRef &stage : std::as_const(m_stages))
        stage->setTargetHasAlpha(hasAlpha);
}

void MCBitmapConverter::setImageQuality(double quality)
{
    setUndoable<double>(kImageQuality, m_imageQuality, quality, &MCBitmapConverter::setImageQuality);
}

void MCBitmapConverter::setImageTIFFCompression(qint64 compression)
{
    setUndoable<qint64>(kImageTIFFCompression, m_imageTIFFCompression, compression,
                        &MCBitmapConverter::setImageTIFFCompression);
}

void MCBitmapConverter::setEmbedThumbnail(bool embed)
{
    setUndoable<bool>(kEmbedThumbnail, m_embedThumbnail, embed, &MCBitmapConverter::setEmbedThumbnail);
}

void MCBitmapConverter::setRenameSettings(const std::optional<MCBatchRenameSettings> &settings)
{
    if (!settings && !m_renameSettings)
        return;
    registerUndo([old = m_renameSettings](MCBitmapConverter &converter) { converter.setRenameSettings(old); });
    willChangeValueForKey(kRenameSettings);
    m_renameSettings = settings;
    didChangeValueForKey(kRenameSettings);
}

QVariant MCBitmapConverter::valueForKey(const QString &key) const
{
    if (key == kImageFormat)
        return m_imageFormat;
    if (key == kImageColorModel)
        return m_imageColorModel;
    if (key == kImageColorDepth)
        return m_imageColorDepth;
    if (key == kImageHasAlpha)
        return m_imageHasAlpha;
    if (key == kImageQuality)
        return m_imageQuality;
    if (key == kImageTIFFCompression)
        return m_imageTIFFCompression;
    if (key == kEmbedThumbnail)
        return m_embedThumbnail;
    if (key == kRenameSettings)
        return m_renameSettings ? QVariant(m_renameSettings->dictionaryRepresentation()) : QVariant();
    return MCObservable::valueForKey(key);
}

void MCBitmapConverter::setValueForKey(const QString &key, const QVariant &value)
{
    if (key == kRenameSettings) {
        if (value.typeId() == QMetaType::QVariantMap)
            setRenameSettings(MCBatchRenameSettings::settingsWithDictionary(value.toMap()));
        else
            setRenameSettings(std::nullopt);
        return;
    }
    const bool known = key == kImageFormat || key == kImageColorModel || key == kImageColorDepth ||
                       key == kImageHasAlpha || key == kImageQuality || key == kImageTIFFCompression ||
                       key == kEmbedThumbnail;
    if (!known)
        return MCObservable::setValueForKey(key, value);
    if (value.isNull())
        return setNilValueForKey(key);
    if (key == kImageFormat)
        setImageFormat(value.toULongLong());
    else if (key == kImageColorModel)
        setImageColorModel(value.toLongLong());
    else if (key == kImageColorDepth)
        setImageColorDepth(value.toLongLong());
    else if (key == kImageHasAlpha)
        setImageHasAlpha(value.toBool());
    else if (key == kImageQuality)
        setImageQuality(value.toDouble());
    else if (key == kImageTIFFCompression)
        setImageTIFFCompression(value.toLongLong());
    else
        setEmbedThumbnail(value.toBool());
}

// ---------------------------------------------------------------- the stage list

QList<MCConvertStageRef> MCBitmapConverter::sortedStages() const
{
    QList<MCConvertStageRef> sorted = m_stages;
    std::stable_sort(sorted.begin(), sorted.end(), [](const MCConvertStageRef &a, const MCConvertStageRef &b) {
        return a->stageOrder() < b->stageOrder();
    });
    return sorted;
}

bool MCBitmapConverter::canInsertStage(const MCConvertStage *stage) const
{
    if (!stage)
        return false;
    if (!stage->isUnique())
        return true;
    return std::none_of(m_stages.begin(), m_stages.end(),
                        [&](const MCConvertStageRef &s) { return s->stageID() == stage->stageID(); });
}

void MCBitmapConverter::adopt(const MCConvertStageRef &stage)
{
    stage->setTargetFormat(m_imageFormat);
    stage->setTargetColorModel(m_imageColorModel);
    stage->setTargetColorDepth(m_imageColorDepth);
    stage->setTargetHasAlpha(m_imageHasAlpha);
    stage->setUndoManager(m_undoManager);
}

void MCBitmapConverter::release(const MCConvertStageRef &stage) { stage->setUndoManager({}); }

void MCBitmapConverter::postWill(const QString &name, const QList<MCConvertStageRef> &stages)
{
    MCNotificationCenter::defaultCenter().postNotificationName(name, this,
                                                               {{kMCBitmapConverterStagesKey, variantList(stages)}});
}

void MCBitmapConverter::postDidChange()
{
    MCNotificationCenter::defaultCenter().postNotificationName(kMCBitmapConverterDidChangeStages, this);
}

// ---------------------------------------------------------------- predictions

QSizeF MCBitmapConverter::sizeForOriginalSize(const QSizeF &size, quint64 orientation) const
{
    // Only photos that the run turns upright show their sides exchanged.
    QSizeF result = size;
    if (orientation >= 5 && orientation <= 8 && m_defaults->boolForKey(kMCShouldAutorotateKey))
        result.transpose();
    quint64 current = 1;
    for (const MCConvertStageRef &stage : m_stages)
        result = stage->imageSizeForSize(result, current);
    return result;
}

quint64 MCBitmapConverter::resolutionForOriginalResolution(quint64 resolution) const
{
    for (const MCConvertStageRef &stage : m_stages)
        resolution = stage->resolutionForResolution(resolution);
    return resolution;
}

QString MCBitmapConverter::colorProfileNameForOriginalName(const QString &name, const QString &colorModel) const
{
    qint64 sourceModel = -1;
    if (colorModel == kCGImagePropertyColorModelRGB)
        sourceModel = 1;
    else if (colorModel == kCGImagePropertyColorModelGray)
        sourceModel = 0;
    else if (colorModel == kCGImagePropertyColorModelCMYK)
        sourceModel = 2;
    else if (colorModel == kCGImagePropertyColorModelLab)
        sourceModel = 3;

    QString result = name;
    if (sourceModel != m_imageColorModel || name.isEmpty()) {
        static const QString *spaces[] = {&kCGColorSpaceSRGBGray, &kCGColorSpaceSRGB,
                                          &kCGColorSpaceGenericCMYK, &kCGColorSpaceGenericLab};
        if (m_imageColorModel >= 0 && m_imageColorModel <= 3) {
            const CGColorSpaceRef space = CGColorSpace::createWithName(*spaces[m_imageColorModel]);
            if (space)
                result = space->profileDescription();
        }
    }
    for (const MCConvertStageRef &stage : m_stages)
        result = stage->colorProfileNameForName(result);
    return result;
}

std::optional<QDateTime> MCBitmapConverter::captureDateForOriginalDate(const std::optional<QDateTime> &date,
                                                                       const std::optional<QDateTime> &fileCreationDate) const
{
    std::optional<QDateTime> result = date;
    for (const MCConvertStageRef &stage : m_stages)
        result = stage->captureDateForDate(result, fileCreationDate);
    return result;
}
