#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <variant>

// Which piece of a new file name a rename token stands for.
enum MCBatchRenameTokenKind : quint64 {
    MCBatchRenameTokenKindIndex = 0,
    MCBatchRenameTokenKindCaptureDate = 1,
    MCBatchRenameTokenKindCurrentDate = 2,
    MCBatchRenameTokenKindOriginalName = 3,
    MCBatchRenameTokenKindOriginalIndex = 4,
    MCBatchRenameTokenKindOriginalFolder = 5,
    MCBatchRenameTokenKindFindAndReplace = 6,
    MCBatchRenameTokenKindImageWidth = 7,
    MCBatchRenameTokenKindImageHeight = 8,
    MCBatchRenameTokenKindImageDPI = 9,
    MCBatchRenameTokenKindColorProfile = 10,
    MCBatchRenameTokenKindCameraMaker = 11,
    MCBatchRenameTokenKindCameraModel = 12,
    MCBatchRenameTokenKindLensModel = 13,
    MCBatchRenameTokenKindKeywords = 14,
    MCBatchRenameTokenKindCopyright = 15,
    MCBatchRenameTokenKindOwner = 16,
    MCBatchRenameTokenKindIPTCTitle = 17,
    MCBatchRenameTokenKindIPTCCaption = 18,
    MCBatchRenameTokenKindIPTCCity = 19,
    MCBatchRenameTokenKindIPTCCountry = 20,
    MCBatchRenameTokenKindIPTCProvince = 21,
    MCBatchRenameTokenKindIPTCLocation = 22,
};
inline constexpr quint64 MCBatchRenameTokenKindCount = 23;

// Keys of a token's settings (all optional; a missing key reads as 0, false or empty).
extern const QString kMCRenameStartIndexKey;        // "RenameStartIndex": number of the first file
extern const QString kMCRenameNumberOfDigitsKey;    // "RenameNumberOfDigits": least digits, zero padded
extern const QString kMCRenameDateFormatIDKey;      // "RenameDateFormatID": row of dateFormats()
extern const QString kMCRenameTimeFormatIDKey;      // "RenameTimeFormatID": row of timeFormats()
extern const QString kMCRenameFindStringKey;        // "RenameFindString"
extern const QString kMCRenameReplaceStringKey;     // "RenameReplaceString"
extern const QString kMCRenameFilenameTrimsIndexKey; // "RenameFilenameTrimsIndex": drop the trailing number
extern const QString kMCRenameCaseKindKey;          // "RenameCaseKind": 0 as is, 1 upper, 2 lower, 3 capitalized

// One computed piece of a rename pattern: a kind and its parameters. A value type; copies
// own their settings, so editing a copy's settings leaves the original alone.
class MCBatchRenameToken
{
public:
    explicit MCBatchRenameToken(quint64 kind = MCBatchRenameTokenKindIndex, const QVariantMap &settings = {});
    static MCBatchRenameToken itemWithKind(quint64 kind, const QVariantMap &settings = {})
    {
        return MCBatchRenameToken(kind, settings);
    }

    // {"kind": integer, "settings": map}; a missing entry gives kind 0 or empty settings.
    static MCBatchRenameToken itemWithDictionary(const QVariantMap &dictionary);
    QVariantMap dictionaryRepresentation() const;

    quint64 kind() const { return m_kind; }
    // The parameters, edited in place by the token editors.
    const QVariantMap &settings() const { return m_settings; }
    QVariantMap &settings() { return m_settings; }
    bool hasSettings() const { return !m_settings.isEmpty(); }

    // "<Index>", "<Index:001>", "<Capture Date:yyyy-MM-dd HH:mm:ss>", ...; empty for an unknown kind.
    QString displayTokenName() const;
    // One-line explanation for the token palette; empty for an unknown kind.
    QString displayTokenDescription() const;

    // Typed reads of the settings; a missing or unreadable value gives 0, false or empty.
    qint64 integerSetting(const QString &key) const;
    bool boolSetting(const QString &key) const;
    QString stringSetting(const QString &key) const;

    // The counter's printing: decimal with at least `digits` digits after an optional minus
    // sign, padded with leading zeros. The padding is capped so a damaged setting cannot
    // produce a name no file system takes.
    static QString stringFromIndex(qint64 index, qint64 digits);

    bool operator==(const MCBatchRenameToken &other) const;

private:
    quint64 m_kind;
    QVariantMap m_settings;
};

// An element of a pattern: literal text (or any other stored value, kept as it is) or a token.
using MCBatchRenameElement = std::variant<QVariant, MCBatchRenameToken>;

// A rename pattern: literal text and tokens in order, with its stored (property-list) form
// {"Tokens": [element, ...]} where a token is stored as its dictionary and anything else as is.
class MCBatchRenameSettings
{
public:
    MCBatchRenameSettings() = default;
    explicit MCBatchRenameSettings(QList<MCBatchRenameElement> tokens) : m_tokens(std::move(tokens)) {}
    static MCBatchRenameSettings settingsWithTokens(QList<MCBatchRenameElement> tokens)
    {
        return MCBatchRenameSettings(std::move(tokens));
    }
    // No "Tokens" entry gives an empty pattern; a map element becomes a token.
    static MCBatchRenameSettings settingsWithDictionary(const QVariantMap &dictionary);
    QVariantMap dictionaryRepresentation() const;

    const QList<MCBatchRenameElement> &tokens() const { return m_tokens; }
    QList<MCBatchRenameElement> &tokens() { return m_tokens; }
    void setTokens(QList<MCBatchRenameElement> tokens) { m_tokens = std::move(tokens); }

    bool operator==(const MCBatchRenameSettings &other) const { return m_tokens == other.m_tokens; }

private:
    QList<MCBatchRenameElement> m_tokens;
};

// Date and time patterns (Unicode date format patterns) the date tokens refer to by number.
// The tables are constant and safe to read from any thread.
namespace MCDateQuillon {
const QStringList &dateFormats(); // 16 entries, the first empty
const QStringList &timeFormats(); // 13 entries, the first empty
// The pattern of the date ID, a blank and the pattern of the time ID; either alone when the
// other is empty. An ID outside its table gives the empty pattern.
QString stringFromDateFormat(quint64 dateFormatID, quint64 timeFormatID);
} // namespace MCDateQuillon
