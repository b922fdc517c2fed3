#pragma once

#include <QString>
#include <QStringList>

// String helpers of the library: file sizes for people, path tests by whole components and
// the trailing number of a file name. All are pure and safe on any thread.
namespace MCStringQuillon {

// The size in decimal units (powers of 1000) with `precision` decimals, bytes included:
// 999 -> "999.0 B", 1000 -> "1.0 KB", 1536000 at precision 2 -> "1.54 MB"; past GB every
// size is in TB ("2000.0 TB").
QString stringFromFileSize(quint64 byteCount, quint64 precision);

// The components of a path: "/" first for an absolute path, then each non-empty name.
QStringList pathComponents(const QString &path);

// Whether `path` begins with `prefix` as whole components: "/a/b/c" has the prefix "/a/b",
// "/a/bc" has not. An empty prefix gives false.
bool hasPrefixPath(const QString &path, const QString &prefix);

// Whether one of the two paths lies inside the other (or they are the same), by components.
bool containsSubPath(const QString &path, const QString &other);

// The last run of decimal digits in `name` ("IMG_0012 copy" -> "0012"), with the text before
// it ("IMG_") and after it (" copy"). Without digits: "", the whole name and "".
QString indexStringFromName(const QString &name, QString *nameWithoutIndex = nullptr, QString *nameSuffix = nullptr);

} // namespace MCStringQuillon
