#include "app/stages/MCWatermarkTextToken.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenameSettings.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"
#include "app/library/MCStringQuillon.h"
#include "halvard/system/MCDateExtensions.h"
#include "platform/imageio/MCImageProperties.h"

#include <QCoreApplication>
#include <QLocale>

#include <array>
#include <cmath>

const QString kMCWatermarkDateFormatIDKey = QStringLiteral("DateFormatID");
const QString kMCWatermarkTimeFormatIDKey = QStringLiteral("TimeFormatID");
const QString kMCWatermarkCaseKindKey = QStringLiteral("CaseKind");
const QString kMCWatermarkFilenameTrimsIndexKey = QStringLiteral("FilenameTrimsIndex");

namespace {

const QString kKindKey = QStringLiteral("kind");
const QString kSettingsKey = QStringLiteral("settings");

// Display names by kind, from kind 1 (translated through the string table).
constexpr std::array<const char *, MCWatermarkTextTokenKindLast> kKindNames = {
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Capture Date>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Current Date>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Image Width>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Image Height>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Image DPI>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Color Profile>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Camera Maker>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Camera Model>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Lens Model>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Keywords>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Copyright>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Owner>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<File Name>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Original Name>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<Original Folder>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<IPTC Title>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<IPTC Caption>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<IPTC City>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<IPTC Country>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<IPTC Province>"),
    QT_TRANSLATE_NOOP("MCWatermarkTextToken", "<IPTC Location>"),
};

QString tr(const char *text) { return QCoreApplication::translate("MCWatermarkTextToken", text); }

bool isKnownKind(quint64 kind) { return kind >= MCWatermarkTextTokenKindFirst && kind <= MCWatermarkTextTokenKindLast; }

// The kinds whose value is a number or a pixel count keep their case.
bool changesCase(quint64 kind)
{
    return kind != MCWatermarkTextTokenKindImageWidth && kind != MCWatermarkTextTokenKindImageHeight &&
           kind != MCWatermarkTextTokenKindImageDPI;
}

// A metadata value as text: text as it is, a number printed (machine text, the same in every
// locale); anything else (a list, a dictionary, nothing) gives a null string.
QString textValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return {};
    }
}

QVariant entry(const QVariantMap &metadata, const QString &dictionary, const QString &key)
{
    return metadata.value(dictionary).toMap().value(key);
}

QString entryText(const QVariantMap &metadata, const QString &dictionary, const QString &key)
{
    return textValue(entry(metadata, dictionary, key));
}

// The first of the entries that is present (as text or a number).
QString firstPresent(const QVariantMap &metadata, std::initializer_list<std::pair<const QString &, const QString &>> keys)
{
    for (const auto &[dictionary, key] : keys) {
        const QString text = entryText(metadata, dictionary, key);
        if (!text.isNull())
            return text;
    }
    return {};
}

QString keywordsText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    // Empty keywords add nothing, not even a separator.
    QString text;
    for (const QVariant &element : value.toList()) {
        const QString keyword = textValue(element);
        if (keyword.isEmpty())
            continue;
        if (!text.isEmpty())
            text.append(QStringLiteral(", "));
        text.append(keyword);
    }
    return text;
}

// The platform's removal of a path extension: the last "." of the last component and what
// follows; a name that only begins with a dot keeps it.
QString deletingPathExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString lastPathComponent(const QString &path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? trimmed : trimmed.mid(slash + 1);
}

QString baseNameText(const QString &name, const MCWatermarkTextToken &token)
{
    const QString base = deletingPathExtension(name);
    if (!token.boolSetting(kMCWatermarkFilenameTrimsIndexKey))
        return base;
    QString withoutIndex;
    const QString index = MCStringQuillon::indexStringFromName(base, &withoutIndex);
    return index.isEmpty() ? base : withoutIndex;
}

// The full-size photo's side: the bitmap's side over its scale, rounded, as "%.0f".
QString pixelCountText(double side, double scale)
{
    if (!(scale > 0))
        return {};
    const double count = std::round(side / scale);
    return std::isfinite(count) ? QString::number(count, 'f', 0) : QString();
}

// "%.lu" of the resolution's whole part: 0 prints nothing; no resolution prints 72.
QString resolutionText(const QVariantMap &metadata)
{
    const QVariant value = entry(metadata, kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFXResolution);
    if (!value.isValid())
        return QStringLiteral("72");
    bool ok = false;
    const double resolution = value.toDouble(&ok);
    // A negative or unreadable resolution is no resolution to show.
    if (!ok || !(resolution >= 1) || !std::isfinite(resolution))
        return {};
    return QString::number(quint64(std::min(resolution, 1.8e19)));
}

} // namespace

// ---------------------------------------------------------------- MCWatermarkTextToken

MCWatermarkTextToken::MCWatermarkTextToken(quint64 kind, const QVariantMap &settings)
    : m_kind(kind), m_settings(settings)
{
}

MCWatermarkTextToken MCWatermarkTextToken::itemWithDictionary(const QVariantMap &dictionary)
{
    bool ok = false;
    const qint64 kind = dictionary.value(kKindKey).toLongLong(&ok);
    return MCWatermarkTextToken(ok && kind > 0 ? quint64(kind) : 0, dictionary.value(kSettingsKey).toMap());
}

QVariantMap MCWatermarkTextToken::dictionaryRepresentation() const
{
    return {{kKindKey, QVariant::fromValue<qint64>(qint64(m_kind))}, {kSettingsKey, m_settings}};
}

qint64 MCWatermarkTextToken::integerSetting(const QString &key) const { return m_settings.value(key).toLongLong(); }

bool MCWatermarkTextToken::boolSetting(const QString &key) const { return m_settings.value(key).toBool(); }

QString MCWatermarkTextToken::datePattern() const
{
    // Negative IDs fall outside the tables like too large ones: the empty pattern.
    return MCDateQuillon::stringFromDateFormat(quint64(integerSetting(kMCWatermarkDateFormatIDKey)),
                                               quint64(integerSetting(kMCWatermarkTimeFormatIDKey)));
}

QString MCWatermarkTextToken::displayTokenName() const
{
    if (!isKnownKind(m_kind))
        return {};
    if (hasSettings() && m_kind == MCWatermarkTextTokenKindCaptureDate)
        return tr("<Capture Date:%1>").arg(datePattern());
    if (hasSettings() && m_kind == MCWatermarkTextTokenKindCurrentDate)
        return tr("<Current Date:%1>").arg(datePattern());
    return tr(kKindNames[m_kind - 1]);
}

// ---------------------------------------------------------------- the text of a photo

namespace MCWatermarkText {

const MCWatermarkTextToken *tokenInElement(const QVariant &element)
{
    if (element.metaType() != QMetaType::fromType<MCWatermarkTextToken>())
        return nullptr;
    return static_cast<const MCWatermarkTextToken *>(element.constData());
}

QVariantList storedElements(const QVariantList &elements)
{
    QVariantList stored;
    stored.reserve(elements.size());
    for (const QVariant &element : elements) {
        if (const MCWatermarkTextToken *token = tokenInElement(element))
            stored.append(token->dictionaryRepresentation());
        else
            stored.append(element);
    }
    return stored;
}

QVariantList elementsFromStored(const QVariantList &stored)
{
    QVariantList elements;
    elements.reserve(stored.size());
    for (const QVariant &value : stored) {
        if (value.typeId() == QMetaType::QVariantMap)
            elements.append(element(MCWatermarkTextToken::itemWithDictionary(value.toMap())));
        else
            elements.append(value);
    }
    return elements;
}

QString stringFromDate(const QDateTime &date, const QString &pattern)
{
    return MCBatchRenamer::stringFromDate(date, pattern, QLocale());
}

QString changeCaseIfNeedForString(const QString &string, const MCWatermarkTextToken &token)
{
    return MCBatchRenamer::changeCase(string, token.integerSetting(kMCWatermarkCaseKindKey));
}

QDateTime captureDate(const QVariantMap &metadata, const MCFile *file)
{
    const std::pair<const QString &, const QString &> sources[] = {
        {kCGImagePropertyExifDictionary, kCGImagePropertyExifDateTimeOriginal},
        {kCGImagePropertyExifDictionary, kCGImagePropertyExifDateTimeDigitized},
        {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFDateTime},
    };
    for (const auto &[dictionary, key] : sources) {
        const QVariant value = entry(metadata, dictionary, key);
        if (value.typeId() != QMetaType::QString)
            continue;
        const QDateTime date = MCDateExtensions::dateFromExifString(value.toString());
        if (date.isValid())
            return date;
    }
    if (file) {
        if (const std::optional<QDateTime> created = file->browserItemFileCreatedDate(); created && created->isValid())
            return *created;
    }
    return {};
}

QString valueForToken(const MCWatermarkTextToken &token, const MCBitmap *bitmap, const QVariantMap &metadata,
                      const MCFile *file, const QDateTime &now)
{
    switch (token.kind()) {
    case MCWatermarkTextTokenKindCaptureDate:
        return stringFromDate(captureDate(metadata, file), token.datePattern());
    case MCWatermarkTextTokenKindCurrentDate:
        return stringFromDate(now, token.datePattern());
    case MCWatermarkTextTokenKindImageWidth:
        return bitmap ? pixelCountText(bitmap->size().width(), bitmap->scaleX()) : QString();
    case MCWatermarkTextTokenKindImageHeight:
        return bitmap ? pixelCountText(bitmap->size().height(), bitmap->scaleY()) : QString();
    case MCWatermarkTextTokenKindImageDPI:
        return resolutionText(metadata);
    case MCWatermarkTextTokenKindColorProfile: {
        const QVariant name = metadata.value(kCGImagePropertyProfileName);
        if (name.isValid())
            return textValue(name);
        return file ? textValue(file->browserItemImageColorProfileName()) : QString();
    }
    case MCWatermarkTextTokenKindCameraMaker:
        return entryText(metadata, kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFMake);
    case MCWatermarkTextTokenKindCameraModel:
        return entryText(metadata, kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFModel);
    case MCWatermarkTextTokenKindLensModel:
        return entryText(metadata, kCGImagePropertyExifDictionary, kCGImagePropertyExifAuxLensModel);
    case MCWatermarkTextTokenKindKeywords:
        return keywordsText(entry(metadata, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCKeywords));
    case MCWatermarkTextTokenKindCopyright:
        return firstPresent(metadata, {{kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCopyrightNotice},
                                       {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFCopyright},
                                       {kCGImagePropertyPNGDictionary, kCGImagePropertyPNGCopyright}});
    case MCWatermarkTextTokenKindOwner:
        return firstPresent(metadata, {{kCGImagePropertyExifAuxDictionary, kCGImagePropertyExifAuxOwnerName},
                                       {kCGImagePropertyTIFFDictionary, kCGImagePropertyTIFFArtist},
                                       {kCGImagePropertyPNGDictionary, kCGImagePropertyPNGAuthor}});
    case MCWatermarkTextTokenKindFileName: {
        const QString name = textValue(entry(metadata, kMCQuillonDictionaryKey, kMCQuillonFilenameKey));
        return name.isEmpty() ? QString() : baseNameText(lastPathComponent(name), token);
    }
    case MCWatermarkTextTokenKindOriginalName:
        return file ? baseNameText(lastPathComponent(file->filePath()), token) : QString();
    case MCWatermarkTextTokenKindOriginalFolder: {
        if (!file)
            return {};
        const QString path = file->filePath();
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        return slash > 0 ? lastPathComponent(path.left(slash)) : QString();
    }
    case MCWatermarkTextTokenKindIPTCTitle:
        return entryText(metadata, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCObjectName);
    case MCWatermarkTextTokenKindIPTCCaption:
        return entryText(metadata, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCaptionAbstract);
    case MCWatermarkTextTokenKindIPTCCity:
        return entryText(metadata, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCity);
    case MCWatermarkTextTokenKindIPTCCountry:
        return entryText(metadata, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCCountryPrimaryLocationName);
    case MCWatermarkTextTokenKindIPTCProvince:
        return entryText(metadata, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCProvinceState);
    case MCWatermarkTextTokenKindIPTCLocation:
        return entryText(metadata, kCGImagePropertyIPTCDictionary, kCGImagePropertyIPTCSubLocation);
    default:
        return {};
    }
}

QString compoundText(const QVariantList &elements, const MCBitmap *bitmap, const QVariantMap &metadata,
                     const MCFile *file, const QDateTime &now)
{
    QString text;
    for (const QVariant &element : elements) {
        QString piece;
        if (const MCWatermarkTextToken *token = tokenInElement(element)) {
            piece = valueForToken(*token, bitmap, metadata, file, now);
            if (isKnownKind(token->kind()) && changesCase(token->kind()))
                piece = changeCaseIfNeedForString(piece, *token);
        } else {
            piece = textValue(element);
        }
        text.append(piece);
    }
    return text;
}

} // namespace MCWatermarkText
