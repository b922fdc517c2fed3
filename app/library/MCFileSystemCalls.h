#pragma once

#include <QByteArray>

#include <sys/types.h>

// The system calls through which the file operations change the user's files, one virtual
// method each, so a test can make any of them fail the way a full disk, a read-only folder,
// another file system or a vanished file makes them fail. Each answers as the system call
// does: -1 (or a negative count) with errno set on failure. Paths are in the file-name
// encoding (QFile::encodeName).
class MCFileSystemCalls
{
public:
    // The real calls.
    static MCFileSystemCalls &systemCalls();

    virtual ~MCFileSystemCalls();

    virtual int openFile(const QByteArray &path, int flags, mode_t mode);
    virtual ssize_t readFile(int fd, void *buffer, size_t size);
    virtual ssize_t writeFile(int fd, const void *buffer, size_t size);
    virtual int syncFile(int fd);
    virtual int closeFile(int fd);
    // Renames `from` to `to`. With `replace` an item at `to` is replaced atomically (a file
    // only: a folder there fails); without it an item at `to` fails with EEXIST and is never
    // touched, also when it appears at the last moment (RENAME_NOREPLACE; on a file system
    // without it a hard link and an unlink, else a check just before the rename).
    virtual int renameFile(const QByteArray &from, const QByteArray &to, bool replace);
    virtual int removeFile(const QByteArray &path);
    virtual int makeFolder(const QByteArray &path, mode_t mode);
    // Sets the access and modification times of the item at `path` (utimensat semantics:
    // UTIME_OMIT leaves one alone).
    virtual int setFileTimes(const QByteArray &path, const struct timespec times[2]);
};
