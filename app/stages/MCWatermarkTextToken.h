#pragma once

// The text of a text watermark: literal strings and tokens, placeholders that stand for a
// value of the photo being converted (capture date, pixel size, camera, IPTC fields, file
// names ...) or for the current date, turned into the text for one photo by compoundText().
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

class MCBitmap;
class MCFile;

// Which value a watermark token stands for.
enum MCWatermarkTextTokenKind : quint64 {
    MCWatermarkTextTokenKindCaptureDate = 1,
    MCWatermarkTextTokenKindCurrentDate = 2,
    MCWatermarkTextTokenKindImageWidth = 3,
    MCWatermarkTextTokenKindImageHeight = 4,
    MCWatermarkTextTokenKindImageDPI = 5,
    MCWatermarkTextTokenKindColorProfile = 6,
    MCWatermarkTextTokenKindCameraMaker = 7,
    MCWatermarkTextTokenKindCameraModel = 8,
    MCWatermarkTextTokenKindLensModel = 9,
    MCWatermarkTextTokenKindKeywords = 10,
    MCWatermarkTextTokenKindCopyright = 11,
    MCWatermarkTextTokenKindOwner = 12,
    MCWatermarkTextTokenKindFileName = 13,
    MCWatermarkTextTokenKindOriginalName = 14,
    MCWatermarkTextTokenKindOriginalFolder = 15,
    MCWatermarkTextTokenKindIPTCTitle = 16,
    MCWatermarkTextTokenKindIPTCCaption = 17,
    MCWatermarkTextTokenKindIPTCCity = 18,
    MCWatermarkTextTokenKindIPTCCountry = 19,
    MCWatermarkTextTokenKindIPTCProvince = 20,
    MCWatermarkTextTokenKindIPTCLocation = 21,
};
inline constexpr quint64 MCWatermarkTextTokenKindFirst = 1;
inline constexpr quint64 MCWatermarkTextTokenKindLast = 21;

// Keys of a token's settings (all optional; a missing key reads as 0 or false).
extern const QString kMCWatermarkDateFormatIDKey;       // "DateFormatID": row of the date patterns (kinds 1, 2)
extern const QString kMCWatermarkTimeFormatIDKey;       // "TimeFormatID": row of the time patterns (kinds 1, 2)
extern const QString kMCWatermarkCaseKindKey;           // "CaseKind": 1 upper, 2 lower, 3 capitalized, else as is
extern const QString kMCWatermarkFilenameTrimsIndexKey; // "FilenameTrimsIndex": drop the trailing number (13, 14)

// One placeholder of a watermark text: a kind fixed at creation and its settings. A value
// type: a copy owns its settings, so editing the copy leaves the original alone. Its stored
// form is {"kind": integer, "settings": dictionary}.
class MCWatermarkTextToken
{
public:
    explicit MCWatermarkTextToken(quint64 kind = 0, const QVariantMap &settings = {});
    static MCWatermarkTextToken itemWithKind(quint64 kind, const QVariantMap &settings = {})
    {
        return MCWatermarkTextToken(kind, settings);
    }
    // A missing or unreadable "kind" gives 0 (a token that stands for nothing); a missing
    // "settings" gives empty settings.
    static MCWatermarkTextToken itemWithDictionary(const QVariantMap &dictionary);
    QVariantMap dictionaryRepresentation() const;

    quint64 kind() const { return m_kind; }
    const QVariantMap &settings() const { return m_settings; }
    QVariantMap &settings() { return m_settings; }
    bool hasSettings() const { return !m_settings.isEmpty(); }
    qint64 integerSetting(const QString &key) const;
    bool boolSetting(const QString &key) const;

    // The date pattern of kinds 1 and 2: the date and time patterns of the two settings joined
    // by a blank, or the one that is not empty.
    QString datePattern() const;
    // "<Capture Date>", "<Capture Date:yyyy-MM-dd>" (kinds 1 and 2 with settings), "<Image
    // Width>" ...; the empty string for a kind outside 1 to 21. Translated.
    QString displayTokenName() const;

    bool operator==(const MCWatermarkTextToken &other) const
    {
        return m_kind == other.m_kind && m_settings == other.m_settings;
    }

private:
    quint64 m_kind;
    QVariantMap m_settings;
};

Q_DECLARE_METATYPE(MCWatermarkTextToken)

// Building the text of one photo. An element of a text is a QVariant that holds either an
// MCWatermarkTextToken or literal text (any other value is kept and shown as text when it is
// text, else adds nothing). Safe on any thread.
namespace MCWatermarkText {

// The token an element holds, or nullptr.
const MCWatermarkTextToken *tokenInElement(const QVariant &element);
inline QVariant element(const MCWatermarkTextToken &token) { return QVariant::fromValue(token); }

// The stored form (each token as its dictionary, everything else as it is) and back (each
// dictionary becomes a token, everything else is kept).
QVariantList storedElements(const QVariantList &elements);
QVariantList elementsFromStored(const QVariantList &stored);

// The text for one photo: each literal as typed, each token's value (case-converted for the
// kinds that allow it), empty pieces skipped. `bitmap` (for the pixel size) and `file` may
// be null: their tokens then add nothing. `now` is the current date of kind 2.
QString compoundText(const QVariantList &elements, const MCBitmap *bitmap, const QVariantMap &metadata,
                     const MCFile *file, const QDateTime &now = QDateTime::currentDateTime());
// The value of one token before case conversion; empty when the photo has none.
QString valueForToken(const MCWatermarkTextToken &token, const MCBitmap *bitmap, const QVariantMap &metadata,
                      const MCFile *file, const QDateTime &now);

// The token's "CaseKind" applied: 1 upper case, 2 lower case, 3 every word capitalized,
// anything else unchanged.
QString changeCaseIfNeedForString(const QString &string, const MCWatermarkTextToken &token);
// `date` as its local wall-clock time in the Unicode date pattern, in the user's locale (it
// is text for people); the empty string for an empty pattern or no date. Any thread.
QString stringFromDate(const QDateTime &date, const QString &pattern);

// The capture date of kind 1: the Exif original, then digitised date-time, then the TIFF
// date-time, each only when it reads as a date; then the file's creation date; else none.
QDateTime captureDate(const QVariantMap &metadata, const MCFile *file);

} // namespace MCWatermarkText
