#pragma once

// MCBatchRenamer: the new file name of a library file from a rename pattern. It walks the
// pattern, turns every token into its piece for the file (a counter, a date, parts of the
// original name, the image's size, resolution or colour profile, camera and IPTC metadata),
// changes the piece's case as the token asks, joins everything and appends the extension.
// With a bitmap converter (renaming during a conversion) the size, resolution, colour
// profile, capture date and extension are the converter's predictions of the output.
//
// Names are built from metadata anyone can write into a photo, so every piece is made safe
// for a file name: "/" and control characters (NUL included) become "-", a name that would
// be "." or ".." is never given out, and the name is cut to 255 bytes of UTF-8 keeping its
// extension. The answer is always one plain file name, never a path.
//
// The renamer keeps no state between calls besides constant caches; every call may run on
// any thread at the same time as others (the preview tables name files on their own queues).
#include "app/library/MCBatchRenameSettings.h"

#include <QDateTime>
#include <QLocale>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class MCBitmapConverter;
class MCFile;
class MCUserDefaults;

// "RenameDefaultSettingsForCopying": the pattern last used to copy, move or rename with new
// names, in the rename settings' stored form.
extern const QString kMCRenameDefaultSettingsForCopyingKey;

class MCBatchRenamer
{
public:
    // The shared renamer, on the user's settings.
    static MCBatchRenamer &defaultBatchRenamer();
    // The registered defaults: "RenameDefaultSettingsForCopying" = the pattern of the first
    // shipped rename preset, "RenamePresetsIsDefault" = YES; empty when nothing is shipped.
    static QVariantMap userDefaultsDictionary();

    // `defaults` (not owned): the store of the settings read and written here; null: the user's.
    explicit MCBatchRenamer(MCUserDefaults *defaults = nullptr);

    // The stored pattern for copying, moving and renaming (an empty pattern when none is stored).
    MCBatchRenameSettings renameSettingsForCopying() const;
    void saveRenameSettingsForCopying(const MCBatchRenameSettings &settings);

    // The palette: one token of each kind 0 to 22 in order, with empty settings; the same
    // list on every call.
    const QList<MCBatchRenameToken> &predefinedTokens() const;

    // The new name of `file` at `position` (from 0) in the list being renamed: never empty,
    // never a path; "<Unknown>" and the extension when the pattern gives nothing.
    QString provideNameForItem(const MCFile &file, quint64 position, const MCBatchRenameSettings &settings,
                               const MCBitmapConverter *converter = nullptr) const;
    // The names of a whole selection, the file at index i named at position i. `isCancelled`
    // is asked before each file; none when it answered true (the partial names are dropped).
    std::optional<QStringList> provideNamesForItems(const QList<std::shared_ptr<MCFile>> &files,
                                                    const MCBatchRenameSettings &settings,
                                                    const MCBitmapConverter *converter = nullptr,
                                                    const std::function<bool()> &isCancelled = {}) const;

    // `date` in the pattern of the two IDs (MCDateQuillon::stringFromDateFormat), in the
    // default locale and the local time zone; the empty text when both patterns are empty or
    // out of range, a null string for no date.
    static QString stringFromDate(const std::optional<QDateTime> &date, quint64 dateFormatID, quint64 timeFormatID);
    // `text` with the token's "RenameCaseKind": 1 upper case, 2 lower case, 3 every word
    // (a run between blanks, tabs or line ends) capitalized and the rest lower case; any
    // other value leaves it as it is.
    static QString changeCaseIfNeedForString(const QString &text, const MCBatchRenameToken &token);
    // The same two operations by pattern and by case kind, for the other token kinds that share
    // the date tables and case rules (the watermark text): `date` as its local wall-clock time
    // in `pattern` (letters y M d E H h m s a) and `locale`, any thread; `caseKind` as above.
    static QString stringFromDate(const QDateTime &date, const QString &pattern, const QLocale &locale);
    static QString changeCase(const QString &text, qint64 caseKind);

    // The predicted values of a conversion, or the file's own without a converter.
    // The pixel size; the orientation passed to the converter is the file's when
    // "ShouldAutorotate" is on, else 1 (so the sides are swapped only when photos are turned).
    QSizeF imageSizeForItem(const MCFile &file, const MCBitmapConverter *converter = nullptr) const;
    // The capture date, or the file's creation date when there is none.
    std::optional<QDateTime> captureDateForItem(const MCFile &file, const MCBitmapConverter *converter = nullptr) const;
    // The colour profile's name; a null string when there is none.
    QString colorProfileForItem(const MCFile &file, const MCBitmapConverter *converter = nullptr) const;
    // The resolution in pixels per inch: the file's horizontal one, 72 when it has none.
    quint64 resolutionForItem(const MCFile &file, const MCBitmapConverter *converter = nullptr) const;

    // A piece of a name made safe: "/" and control characters become "-".
    static QString safeFileNamePiece(const QString &piece);
    // `stem` with `extension` (none when empty) as one file name of at most 255 bytes of
    // UTF-8: the stem is shortened by whole characters, the extension kept. An empty stem,
    // "." or ".." becomes "<Unknown>".
    static QString fileNameWithStem(const QString &stem, const QString &extension);

private:
    struct Context;
    struct Item;
    QString nameForItem(const MCFile &file, quint64 position, const MCBatchRenameSettings &settings,
                        const Context &context) const;
    QString pieceForToken(const MCBatchRenameToken &token, const Item &item, quint64 position,
                          const Context &context) const;
    Context contextFor(const MCBitmapConverter *converter) const;

    MCUserDefaults *m_defaults;
};
