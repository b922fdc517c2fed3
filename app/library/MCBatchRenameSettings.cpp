#include "app/library/MCBatchRenameSettings.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>

const QString kMCRenameStartIndexKey = QStringLiteral("RenameStartIndex");
const QString kMCRenameNumberOfDigitsKey = QStringLiteral("RenameNumberOfDigits");
const QString kMCRenameDateFormatIDKey = QStringLiteral("RenameDateFormatID");
const QString kMCRenameTimeFormatIDKey = QStringLiteral("RenameTimeFormatID");
const QString kMCRenameFindStringKey = QStringLiteral("RenameFindString");
const QString kMCRenameReplaceStringKey = QStringLiteral("RenameReplaceString");
const QString kMCRenameFilenameTrimsIndexKey = QStringLiteral("RenameFilenameTrimsIndex");
const QString kMCRenameCaseKindKey = QStringLiteral("RenameCaseKind");

namespace {

const QString kKindKey = QStringLiteral("kind");
const QString kSettingsKey = QStringLiteral("settings");
const QString kTokensKey = QStringLiteral("Tokens");

// Longest zero padding the counter prints; far beyond any real pattern, far below a name limit.
constexpr qint64 kMaximumIndexDigits = 32;

struct KindText
{
    const char *name;
    const char *description;
};

// Display names and palette descriptions by kind (translated through the string table).
constexpr std::array<KindText, MCBatchRenameTokenKindCount> kKindTexts = {{
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Index>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Number sequence")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Capture Date>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Shooting date")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Current Date>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Today's date")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Original Name>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Original file name")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Original Index>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Index in original file")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Original Folder>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Original folder name")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Find & Replace>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Uses original file name")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Image Width>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Image width in pixels")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Image Height>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Image height in pixels")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Image DPI>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Image resolution")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Color Profile>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "Color Profile name")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Camera Maker>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "EXIF: Camera Maker")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Camera Model>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "EXIF: Camera Model")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Lens Model>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "EXIF: Lens Model")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Keywords>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Keywords")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Copyright>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Copyright")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<Owner>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Owner")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<IPTC Title>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Title")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<IPTC Caption>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Caption")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<IPTC City>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: City")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<IPTC Country>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Country")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<IPTC Province>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Province/State")},
    {QT_TRANSLATE_NOOP("MCBatchRenameToken", "<IPTC Location>"), QT_TRANSLATE_NOOP("MCBatchRenameToken", "IPTC: Location")},
}};

QString tr(const char *text) { return QCoreApplication::translate("MCBatchRenameToken", text); }

} // namespace

MCBatchRenameToken::MCBatchRenameToken(quint64 kind, const QVariantMap &settings)
    : m_kind(kind), m_settings(settings)
{
}

MCBatchRenameToken MCBatchRenameToken::itemWithDictionary(const QVariantMap &dictionary)
{
    return MCBatchRenameToken(dictionary.value(kKindKey).toULongLong(), dictionary.value(kSettingsKey).toMap());
}

QVariantMap MCBatchRenameToken::dictionaryRepresentation() const
{
    return {{kKindKey, QVariant::fromValue<qint64>(qint64(m_kind))}, {kSettingsKey, m_settings}};
}

qint64 MCBatchRenameToken::integerSetting(const QString &key) const { return m_settings.value(key).toLongLong(); }

bool MCBatchRenameToken::boolSetting(const QString &key) const { return m_settings.value(key).toBool(); }

QString MCBatchRenameToken::stringSetting(const QString &key) const { return m_settings.value(key).toString(); }

QString MCBatchRenameToken::stringFromIndex(qint64 index, qint64 digits)
{
    // The magnitude as unsigned so the smallest integer prints too.
    const quint64 magnitude = index < 0 ? quint64(0) - quint64(index) : quint64(index);
    const int width = int(std::clamp<qint64>(digits, 0, kMaximumIndexDigits));
    QString text = QString::number(magnitude).rightJustified(width, QLatin1Char('0'));
    return index < 0 ? QLatin1Char('-') + text : text;
}

QString MCBatchRenameToken::displayTokenName() const
{
    if (m_kind >= MCBatchRenameTokenKindCount)
        return {};
    if (hasSettings()) {
        switch (m_kind) {
        case MCBatchRenameTokenKindIndex:
            return tr("<Index:%1>").arg(stringFromIndex(integerSetting(kMCRenameStartIndexKey),
                                                        integerSetting(kMCRenameNumberOfDigitsKey)));
        case MCBatchRenameTokenKindCaptureDate:
        case MCBatchRenameTokenKindCurrentDate: {
            const QString pattern = MCDateQuillon::stringFromDateFormat(
                quint64(integerSetting(kMCRenameDateFormatIDKey)), quint64(integerSetting(kMCRenameTimeFormatIDKey)));
            return (m_kind == MCBatchRenameTokenKindCaptureDate ? tr("<Capture Date:%1>") : tr("<Current Date:%1>"))
                .arg(pattern);
        }
        case MCBatchRenameTokenKindFindAndReplace:
            return tr("<Find & Replace:[%1]→[%2]>")
                .arg(stringSetting(kMCRenameFindStringKey), stringSetting(kMCRenameReplaceStringKey));
        default:
            break;
        }
    }
    return tr(kKindTexts[m_kind].name);
}

QString MCBatchRenameToken::displayTokenDescription() const
{
    return m_kind < MCBatchRenameTokenKindCount ? tr(kKindTexts[m_kind].description) : QString();
}

bool MCBatchRenameToken::operator==(const MCBatchRenameToken &other) const
{
    return m_kind == other.m_kind && m_settings == other.m_settings;
}

MCBatchRenameSettings MCBatchRenameSettings::settingsWithDictionary(const QVariantMap &dictionary)
{
    QList<MCBatchRenameElement> tokens;
    // Only a list is a pattern; a damaged entry of another kind gives an empty one.
    const QVariant entry = dictionary.value(kTokensKey);
    const bool isList = entry.typeId() == QMetaType::QVariantList || entry.typeId() == QMetaType::QStringList;
    const QVariantList stored = isList ? entry.toList() : QVariantList();
    tokens.reserve(stored.size());
    for (const QVariant &element : stored) {
        if (element.typeId() == QMetaType::QVariantMap)
            tokens.append(MCBatchRenameToken::itemWithDictionary(element.toMap()));
        else
            tokens.append(element);
    }
    return MCBatchRenameSettings(std::move(tokens));
}

QVariantMap MCBatchRenameSettings::dictionaryRepresentation() const
{
    QVariantList stored;
    stored.reserve(m_tokens.size());
    for (const MCBatchRenameElement &element : m_tokens) {
        if (const auto *token = std::get_if<MCBatchRenameToken>(&element))
            stored.append(token->dictionaryRepresentation());
        else
            stored.append(std::get<QVariant>(element));
    }
    return {{kTokensKey, stored}};
}

namespace MCDateQuillon {

const QStringList &dateFormats()
{
    static const QStringList formats = {
        QString(),           QStringLiteral("MMMM dd, yyyy"), QStringLiteral("MMM dd, yyyy"),
        QStringLiteral("dd MMMM yyyy"), QStringLiteral("dd MMM yyyy"), QStringLiteral("yyyy-MM-dd"),
        QStringLiteral("MM-dd-yyyy"), QStringLiteral("dd-MM-yyyy"), QStringLiteral("yyyy"),
        QStringLiteral("yy"),          QStringLiteral("MMMM"),          QStringLiteral("MMM"),
        QStringLiteral("MM"),          QStringLiteral("dd"),            QStringLiteral("EEEE"),
        QStringLiteral("EEE"),
    };
    return formats;
}

const QStringList &timeFormats()
{
    static const QStringList formats = {
        QString(),                   QStringLiteral("HH:mm:ss"), QStringLiteral("hh:mm:ss a"),
        QStringLiteral("HH:mm"),     QStringLiteral("hh:mm a"),  QStringLiteral("HH"),
        QStringLiteral("hh a"),      QStringLiteral("mm"),       QStringLiteral("ss"),
        QStringLiteral("HH-mm-ss"),  QStringLiteral("hh-mm-ss a"), QStringLiteral("HH-mm"),
        QStringLiteral("hh-mm a"),
    };
    return formats;
}

QString stringFromDateFormat(quint64 dateFormatID, quint64 timeFormatID)
{
    const QStringList &dates = dateFormats();
    const QStringList &times = timeFormats();
    const QString date = dateFormatID < quint64(dates.size()) ? dates.at(qsizetype(dateFormatID)) : QString();
    const QString time = timeFormatID < quint64(times.size()) ? times.at(qsizetype(timeFormatID)) : QString();
    if (date.isEmpty())
        return time;
    if (time.isEmpty())
        return date;
    return date + QLatin1Char(' ') + time;
}

} // namespace MCDateQuillon
