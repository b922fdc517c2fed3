#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Nil-safe string comparison and the path operations the framework shares (containment,
// common parent folder, dated folder paths). A null QString stands for "no string": two
// absent strings are the same, an absent string orders before any present one.
namespace MCStringExtensions {

// Options of a string comparison; the values are the platform's, so stored options keep
// their meaning.
enum CompareOption : unsigned {
    CaseInsensitiveSearch = 1,
    LiteralSearch = 2,        // we always compare code units; accepted for compatibility
    NumericSearch = 64,       // runs of digits compare by their value: "file 9" < "file 10"
    DiacriticInsensitiveSearch = 128,
};

// Three-way order: -1 first before second, 0 same, 1 first after second.
int compareString(const QString &first, const QString &second);
int compareString(const QString &first, const QString &second, unsigned options);
bool isEqualString(const QString &first, const QString &second);
bool isEqualString(const QString &first, const QString &second, unsigned options);

// "year/month/day/name" of the date in the local calendar, numbers without leading zeros
// ("2024/3/5/name").
QString pathFromDate(const QDateTime &date, const QString &fileName);

// The deepest folder that every path lies in, compared component by component over all the
// paths and case-sensitively (file systems here are). A null string for an empty list or when
// the paths share nothing (not even the root); the one path itself for a single path.
QString commonPathForPaths(const QStringList &paths);

// Whether `path` is `ancestor` or lies below it, comparing case-sensitively and by whole
// components: /a/b is below /a/b, /a/b/, /a and /a/, but /a/bc is not below /a/b.
bool isDescendantOfPath(const QString &path, const QString &ancestor);

} // namespace MCStringExtensions
