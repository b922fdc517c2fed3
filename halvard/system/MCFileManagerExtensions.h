#pragma once

#include <QString>

// File-system questions the framework asks about paths.
namespace MCFileManagerExtensions {

// Whether the volume that holds the item is among the currently mounted volumes; false for
// an empty path or one whose volume can't be found (a missing item included).
bool isMountedVolumeOfItemAtPath(const QString &path);

// A path at which nothing exists (not even a dangling link): `path` itself when it is free,
// otherwise the name with " 2", " 3" ... before its extension ("photo.jpg" -> "photo 2.jpg",
// "README" -> "README 2"). A leading dot doesn't start an extension (".profile 2").
QString uniqueFilePathForPath(const QString &path);

} // namespace MCFileManagerExtensions
