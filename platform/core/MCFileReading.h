#pragma once

// Reading whole files that come from the user (photos, presets, settings) safely: the file is
// read into memory, never mapped, so a file that another program truncates while it is read
// gives short data instead of a SIGBUS; and only regular files are read, so a FIFO named
// "x.jpg" does not block the reader and a link to /dev/zero does not read until memory runs out.
#include <QByteArray>
#include <QString>

namespace platform {

enum class FileReadStatus {
    Read,           // the whole file is in `data`
    Missing,        // no such file (or a dangling link)
    NoPermission,   // not readable by us
    Folder,         // a folder
    NotRegularFile, // a FIFO, socket or device, after following links
    TooLarge,       // larger than the memory we can have for it
    Failed,         // another error of the system; see posixError
};

struct FileContents
{
    FileReadStatus status = FileReadStatus::Failed;
    int posixError = 0; // the errno value behind the status, 0 when there is none
    QByteArray data;
    // The file grew shorter while it was read: `data` holds what was left of it.
    bool truncated = false;
    bool isRead() const { return status == FileReadStatus::Read; }
};

// The contents of the regular file at `path` (links followed). The file is opened without
// blocking, its type checked on the open descriptor (no race with a rename), and read up to
// the size it had when opened: a file that shrinks meanwhile gives the bytes that were left.
FileContents readRegularFile(const QString &path);

// Opens the regular file at `path` (links followed) for reading without ever blocking on a
// FIFO: the descriptor (blocking, close-on-exec; the caller closes it), or -1 with `*error` set
// (EISDIR for a folder, ENODEV for a FIFO, socket or device) and nothing left open.
int openRegularFile(const QByteArray &path, int *error);

// Whether `path` names a regular file, links followed (false for a missing file).
bool isRegularFile(const QString &path);

} // namespace platform
