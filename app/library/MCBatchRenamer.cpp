#include "app/library/MCBatchRenamer.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamePreset.h"
#include "app/library/MCFile.h"
#include "app/library/MCStringQuillon.h"
#include "platform/core/MCUserDefaults.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

const QString kMCRenameDefaultSettingsForCopyingKey = QStringLiteral("RenameDefaultSettingsForCopying");

namespace {

// The longest file name most Linux file systems take, in bytes.
constexpr qsizetype kMaximumFileNameBytes = 255;

QString unknownName() { return QCoreApplication::translate("MCBatchRenamer", "<Unknown>"); }

// A metadata value as text: text as it is, a number printed; anything else (a list, a
// dictionary, nothing) gives a null string.
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

// The keywords in order, joined with ", "; entries that are not text are passed over.
QString keywordsText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    QStringList words;
    for (const QVariant &entry : value.toList()) {
        if (entry.typeId() == QMetaType::QString)
            words.append(entry.toString());
    }
    return words.join(QStringLiteral(", "));
}

// A whole number printed as "%.0f" would; nothing for a value that is not finite.
QString wholeNumberText(double value)
{
    if (!std::isfinite(value))
        return {};
    return QString::number(value, 'f', 0);
}

void appendPadded(QString &out, qint64 value, int width)
{
    const QString digits = QString::number(std::llabs(value));
    if (value < 0)
        out.append(QLatin1Char('-'));
    for (qsizetype i = digits.size(); i < width; ++i)
        out.append(QLatin1Char('0'));
    out.append(digits);
}

// Formats `date` by a Unicode date pattern (the letters of the two pattern tables: y, M, d,
// E, H, h, m, s, a; text in single quotes and every other character are copied). Each call
// works on its own values, so any number of threads may format at once.
QString formatDate(const QDateTime &date, const QString &pattern, const QLocale &locale)
{
    const QDate day = date.date();
    const QTime time = date.time();
    QString out;
    out.reserve(pattern.size() + 16);
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted text; two quotes stand for one.
            qsizetype j = i + 1;
            if (j < pattern.size() && pattern.at(j) == QLatin1Char('\'')) {
                out.append(c);
                i = j + 1;
                continue;
            }
            while (j < pattern.size() && pattern.at(j) != QLatin1Char('\''))
                out.append(pattern.at(j++));
            i = j + 1;
            continue;
        }
        qsizetype count = 1;
        while (i + count < pattern.size() && pattern.at(i + count) == c)
            ++count;
        const int width = int(count);
        switch (c.unicode()) {
        case 'y':
            appendPadded(out, count == 2 ? std::abs(day.year()) % 100 : day.year(), width);
            break;
        case 'M':
            if (count >= 4)
                out.append(locale.monthName(day.month(), QLocale::LongFormat));
            else if (count == 3)
                out.append(locale.monthName(day.month(), QLocale::ShortFormat));
            else
                appendPadded(out, day.month(), width);
            break;
        case 'd':
            appendPadded(out, day.day(), width);
            break;
        case 'E':
            out.append(locale.dayName(day.dayOfWeek(), count >= 4 ? QLocale::LongFormat : QLocale::ShortFormat));
            break;
        case 'H':
            appendPadded(out, time.hour(), width);
            break;
        case 'h':
            appendPadded(out, time.hour() % 12 == 0 ? 12 : time.hour() % 12, width);
            break;
        case 'm':
            appendPadded(out, time.minute(), width);
            break;
        case 's':
            appendPadded(out, time.second(), width);
            break;
        case 'a':
            out.append(time.hour() < 12 ? locale.amText() : locale.pmText());
            break;
        default:
            out.append(pattern.mid(i, count));
            break;
        }
        i += count;
    }
    return out;
}

// The base name and extension of a file name; a leading dot starts no extension.
void splitFileName(const QString &fileName, QString *baseName, QString *extension)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) {
        *baseName = fileName;
        *extension = QString();
        return;
    }
    *baseName = fileName.left(dot);
    *extension = fileName.mid(dot + 1);
}

// The last name of a folder path ("" for the root).
QString lastPathComponent(const QString &path)
{
    qsizetype end = path.size();
    while (end > 0 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const qsizetype start = path.lastIndexOf(QLatin1Char('/'), end - 1) + 1;
    return path.mid(start, end - start);
}

// Shortens `text` by whole characters (never splitting a surrogate pair) until its UTF-8
// form holds at most `bytes` bytes.
QString truncatedToBytes(const QString &text, qsizetype bytes)
{
    if (text.size() * 3 <= bytes || text.toUtf8().size() <= bytes)
        return text;
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const char32_t code = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                                  ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                  : char32_t(text.at(i).unicode());
        const qsizetype length = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (used + length > bytes)
            break;
        used += length;
        i += code >= 0x10000 ? 2 : 1;
    }
    return text.left(i);
}

using Values = MCFileInfo::Values;

QSizeF predictedSize(const Values &values, const MCBitmapConverter *converter, bool shouldAutorotate)
{
    const QSizeF size(values.width.toDouble(), values.height.toDouble());
    if (!converter)
        return size;
    return converter->sizeForOriginalSize(size, shouldAutorotate ? values.orientation.toULongLong() : 1);
}

QString predictedProfileName(const Values &values, const MCBitmapConverter *converter)
{
    const QString name = textValue(values.profileName);
    if (!converter)
        return name;
    return converter->colorProfileNameForOriginalName(name, textValue(values.colorModel));
}

quint64 predictedResolution(const Values &values, const MCBitmapConverter *converter)
{
    const double stored = values.resolutionX.toDouble();
    // Negative, not-a-number and absurd values read as missing.
    quint64 resolution = stored >= 1 && stored < 1e15 ? quint64(stored) : 0;
    if (resolution == 0)
        resolution = 72;
    return converter ? converter->resolutionForOriginalResolution(resolution) : resolution;
}

} // namespace

// What every token of one name reads of its file, taken once: one snapshot of the image
// properties (so a reload meanwhile never mixes old and new values in one name) and the
// split file name.
struct MCBatchRenamer::Item
{
    explicit Item(const MCFile &file) : file(file), values(file.fileInfo().values())
    {
        splitFileName(file.fileName(), &baseName, &extension);
    }
    const MCFile &file;
    std::shared_ptr<const Values> values;
    QString baseName;
    QString extension;
};

struct MCBatchRenamer::Context
{
    const MCBitmapConverter *converter = nullptr;
    bool shouldAutorotate = false;
    QString converterExtension;
    QDateTime now;
    QLocale locale;
};

MCBatchRenamer &MCBatchRenamer::defaultBatchRenamer()
{
    static MCBatchRenamer renamer;
    return renamer;
}

QVariantMap MCBatchRenamer::userDefaultsDictionary()
{
    const QList<MCPresetRef> presets = MCPresetManager::defaultPresetsOfClass(MCBatchRenamePreset::presetClass());
    const auto first = presets.isEmpty() ? nullptr : std::dynamic_pointer_cast<MCBatchRenamePreset>(presets.first());
    if (!first)
        return {};
    return {{kMCRenameDefaultSettingsForCopyingKey, first->renameSettings().dictionaryRepresentation()},
            {kMCRenamePresetsIsDefaultKey, true}};
}

MCBatchRenamer::MCBatchRenamer(MCUserDefaults *defaults)
    : m_defaults(defaults ? defaults : &MCUserDefaults::standardUserDefaults())
{
}

MCBatchRenameSettings MCBatchRenamer::renameSettingsForCopying() const
{
    return MCBatchRenameSettings::settingsWithDictionary(m_defaults->dictionaryForKey(kMCRenameDefaultSettingsForCopyingKey));
}

void MCBatchRenamer::saveRenameSettingsForCopying(const MCBatchRenameSettings &settings)
{
    m_defaults->setObject(settings.dictionaryRepresentation(), kMCRenameDefaultSettingsForCopyingKey);
}

const QList<MCBatchRenameToken> &MCBatchRenamer::predefinedTokens() const
{
    static const QList<MCBatchRenameToken> tokens = [] {
        QList<MCBatchRenameToken> list;
        for (quint64 kind = 0; kind < MCBatchRenameTokenKindCount; ++kind)
            list.append(MCBatchRenameToken(kind));
        return list;
    }();
    return tokens;
}

QString MCBatchRenamer::stringFromDate(const std::optional<QDateTime> &date, quint64 dateFormatID,
                                       quint64 timeFormatID)
{
    if (!date || !date->isValid())
        return {};
    const QString pattern = MCDateQuillon::stringFromDateFormat(dateFormatID, timeFormatID);
    if (pattern.isEmpty())
        return QStringLiteral("");
    return formatDate(date->toLocalTime(), pattern, QLocale());
}

QString MCBatchRenamer::stringFromDate(const QDateTime &date, const QString &pattern, const QLocale &locale)
{
    if (!date.isValid() || pattern.isEmpty())
        return QStringLiteral("");
    return formatDate(date.toLocalTime(), pattern, locale);
}

QString MCBatchRenamer::changeCaseIfNeedForString(const QString &text, const MCBatchRenameToken &token)
{
    return changeCase(text, token.integerSetting(kMCRenameCaseKindKey));
}

QString MCBatchRenamer::changeCase(const QString &text, qint64 caseKind)
{
    switch (caseKind) {
    case 1:
        return text.toUpper();
    case 2:
        return text.toLower();
    case 3: {
        // Word by word so that a letter whose case form is longer ("ß") stays in its word.
        QString out;
        out.reserve(text.size());
        qsizetype i = 0;
        while (i < text.size()) {
            qsizetype end = i;
            const bool blank = text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')
                               || text.at(i) == QLatin1Char('\n') || text.at(i) == QLatin1Char('\r');
            if (blank) {
                out.append(text.at(i));
                ++i;
                continue;
            }
            while (end < text.size() && text.at(end) != QLatin1Char(' ') && text.at(end) != QLatin1Char('\t')
                   && text.at(end) != QLatin1Char('\n') && text.at(end) != QLatin1Char('\r'))
                ++end;
            const qsizetype first = text.at(i).isHighSurrogate() && i + 1 < end ? 2 : 1;
            out.append(text.mid(i, first).toUpper());
            out.append(text.mid(i + first, end - i - first).toLower());
            i = end;
        }
        return out;
    }
    default:
        return text;
    }
}

QSizeF MCBatchRenamer::imageSizeForItem(const MCFile &file, const MCBitmapConverter *converter) const
{
    return predictedSize(*file.fileInfo().values(), converter,
                         converter && m_defaults->boolForKey(kMCShouldAutorotateKey));
}

std::optional<QDateTime> MCBatchRenamer::captureDateForItem(const MCFile &file, const MCBitmapConverter *converter) const
{
    const std::optional<QDateTime> creation = file.fileCreationDate();
    std::optional<QDateTime> date = file.captureDate();
    if (converter)
        date = converter->captureDateForOriginalDate(date, creation);
    return date ? date : creation;
}

QString MCBatchRenamer::colorProfileForItem(const MCFile &file, const MCBitmapConverter *converter) const
{
    return predictedProfileName(*file.fileInfo().values(), converter);
}

quint64 MCBatchRenamer::resolutionForItem(const MCFile &file, const MCBitmapConverter *converter) const
{
    return predictedResolution(*file.fileInfo().values(), converter);
}

QString MCBatchRenamer::safeFileNamePiece(const QString &piece)
{
    QString safe = piece;
    for (QChar &c : safe) {
        const char16_t u = c.unicode();
        if (u == u'/' || u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char('-');
    }
    return safe;
}

QString MCBatchRenamer::fileNameWithStem(const QString &stem, const QString &extension)
{
    QString name = stem;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = unknownName();
    QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + safeFileNamePiece(extension);
    qsizetype room = kMaximumFileNameBytes - suffix.toUtf8().size();
    if (room < 1) {
        // An extension that leaves no room for a name is dropped rather than the name.
        suffix.clear();
        room = kMaximumFileNameBytes;
    }
    name = truncatedToBytes(name, room);
    // A cut may leave only dots: the name must still not be one of the folder entries.
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name = unknownName();
    return name + suffix;
}

MCBatchRenamer::Context MCBatchRenamer::contextFor(const MCBitmapConverter *converter) const
{
    Context context;
    context.converter = converter;
    context.shouldAutorotate = m_defaults->boolForKey(kMCShouldAutorotateKey);
    context.converterExtension = converter ? converter->imageFileExtension() : QString();
    context.now = QDateTime::currentDateTime();
    return context;
}

QString MCBatchRenamer::provideNameForItem(const MCFile &file, quint64 position, const MCBatchRenameSettings &settings,
                                           const MCBitmapConverter *converter) const
{
    return nameForItem(file, position, settings, contextFor(converter));
}

std::optional<QStringList> MCBatchRenamer::provideNamesForItems(const QList<std::shared_ptr<MCFile>> &files,
                                                                const MCBatchRenameSettings &settings,
                                                                const MCBitmapConverter *converter,
                                                                const std::function<bool()> &isCancelled) const
{
    // One context for the whole selection: one reading of the settings and one "now", so
    // every file of the list sees the same current date.
    const Context context = contextFor(converter);
    QStringList names;
    names.reserve(files.size());
    quint64 position = 0;
    for (const std::shared_ptr<MCFile> &file : files) {
        if (isCancelled && isCancelled())
            return std::nullopt;
        if (!file)
            throw std::invalid_argument("*** provideNamesForItems: object must not be nil");
        names.append(nameForItem(*file, position++, settings, context));
    }
    return names;
}

QString MCBatchRenamer::nameForItem(const MCFile &file, quint64 position, const MCBatchRenameSettings &settings,
                                    const Context &context) const
{
    const Item item(file);
    QString result;
    result.reserve(64);
    for (const MCBatchRenameElement &element : settings.tokens()) {
        if (const auto *token = std::get_if<MCBatchRenameToken>(&element)) {
            const QString piece = pieceForToken(*token, item, position, context);
            if (!piece.isEmpty())
                result.append(changeCaseIfNeedForString(safeFileNamePiece(piece), *token));
        } else {
            // Literal text is a piece too; stored values of any other kind are passed over.
            const QVariant &literal = std::get<QVariant>(element);
            if (literal.typeId() == QMetaType::QString)
                result.append(safeFileNamePiece(literal.toString()));
        }
    }
    return fileNameWithStem(result, context.converterExtension.isEmpty() ? item.extension : context.converterExtension);
}

QString MCBatchRenamer::pieceForToken(const MCBatchRenameToken &token, const Item &item, quint64 position,
                                      const Context &context) const
{
    const MCBitmapConverter *converter = context.converter;
    const Values &values = *item.values;
    switch (token.kind()) {
    case MCBatchRenameTokenKindIndex: {
        // Wraps rather than overflows for a start index near the end of the range.
        const qint64 number = qint64(quint64(token.integerSetting(kMCRenameStartIndexKey)) + position);
        return MCBatchRenameToken::stringFromIndex(number, token.integerSetting(kMCRenameNumberOfDigitsKey));
    }
    case MCBatchRenameTokenKindCaptureDate:
    case MCBatchRenameTokenKindCurrentDate: {
        const std::optional<QDateTime> date = token.kind() == MCBatchRenameTokenKindCurrentDate
                                                  ? std::optional<QDateTime>(context.now)
                                                  : captureDateForItem(item.file, converter);
        if (!date || !date->isValid())
            return {};
        const QString pattern = MCDateQuillon::stringFromDateFormat(quint64(token.integerSetting(kMCRenameDateFormatIDKey)),
                                                                    quint64(token.integerSetting(kMCRenameTimeFormatIDKey)));
        return pattern.isEmpty() ? QString() : formatDate(date->toLocalTime(), pattern, context.locale);
    }
    case MCBatchRenameTokenKindOriginalName:
    case MCBatchRenameTokenKindOriginalIndex: {
        QString nameWithoutIndex;
        const QString index = MCStringQuillon::indexStringFromName(item.baseName, &nameWithoutIndex);
        if (token.kind() == MCBatchRenameTokenKindOriginalIndex)
            return index;
        return token.boolSetting(kMCRenameFilenameTrimsIndexKey) ? nameWithoutIndex : item.baseName;
    }
    case MCBatchRenameTokenKindOriginalFolder:
        return lastPathComponent(item.file.folderPath());
    case MCBatchRenameTokenKindFindAndReplace: {
        const QString find = token.stringSetting(kMCRenameFindStringKey);
        if (find.isEmpty())
            return item.baseName;
        QString replaced = item.baseName;
        return replaced.replace(find, token.stringSetting(kMCRenameReplaceStringKey), Qt::CaseInsensitive);
    }
    case MCBatchRenameTokenKindImageWidth:
        return wholeNumberText(predictedSize(values, converter, context.shouldAutorotate).width());
    case MCBatchRenameTokenKindImageHeight:
        return wholeNumberText(predictedSize(values, converter, context.shouldAutorotate).height());
    case MCBatchRenameTokenKindImageDPI: {
        const quint64 resolution = predictedResolution(values, converter);
        return resolution == 0 ? QString() : QString::number(resolution);
    }
    case MCBatchRenameTokenKindColorProfile:
        return predictedProfileName(values, converter);
    case MCBatchRenameTokenKindCameraMaker:
        return textValue(values.cameraMaker);
    case MCBatchRenameTokenKindCameraModel:
        return textValue(values.cameraModel);
    case MCBatchRenameTokenKindLensModel:
        return textValue(values.cameraLensModel);
    case MCBatchRenameTokenKindKeywords:
        return keywordsText(values.keywords);
    case MCBatchRenameTokenKindCopyright:
        return textValue(values.copyright);
    case MCBatchRenameTokenKindOwner:
        return textValue(values.owner);
    case MCBatchRenameTokenKindIPTCTitle:
        return textValue(values.IPTCTitle);
    case MCBatchRenameTokenKindIPTCCaption:
        return textValue(values.IPTCCaption);
    case MCBatchRenameTokenKindIPTCCity:
        return textValue(values.IPTCCity);
    case MCBatchRenameTokenKindIPTCCountry:
        return textValue(values.IPTCCountry);
    case MCBatchRenameTokenKindIPTCProvince:
        return textValue(values.IPTCProvince);
    case MCBatchRenameTokenKindIPTCLocation:
        return textValue(values.IPTCLocation);
    default:
        return {};
    }
}
