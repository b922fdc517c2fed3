#pragma once

// Moving files and folders to the user's trash as the freedesktop trash standard lays it
// out: the item goes into Trash/files and a matching Trash/info/NAME.trashinfo records where it
// came from and when, so file managers can list and restore it.
#include "platform/core/MCError.h"

#include <QDateTime>
#include <QString>

class MCTrash
{
public:
    // The home trash: $XDG_DATA_HOME/Trash (~/.local/share/Trash by default).
    static QString homeTrashPath();

    // Moves the item at `path` to the trash of its file system: the home trash when the item
    // lives on the same file system as it, else $topdir/.Trash-$uid of the item's mount point.
    // The item is renamed, never copied, so it is either wholly in the trash or untouched.
    // Answers the item's new path; false with `error` when the item is missing or cannot be
    // moved.
    static bool trashItem(const QString &path, QString *resultingPath = nullptr, MCError *error = nullptr,
                          const QDateTime &deletionDate = QDateTime::currentDateTime());

    // The text of a .trashinfo file for an item whose recorded path is `path` (absolute, or
    // relative to the top folder of a mount point's trash).
    static QByteArray trashInfo(const QString &path, const QDateTime &deletionDate);
};
