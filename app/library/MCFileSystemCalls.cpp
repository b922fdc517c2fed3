#include "app/library/MCFileSystemCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

MCFileSystemCalls &MCFileSystemCalls::systemCalls()
{
    static MCFileSystemCalls calls;
    return calls;
}

MCFileSystemCalls::~MCFileSystemCalls() = default;

int MCFileSystemCalls::openFile(const QByteArray &path, int flags, mode_t mode)
{
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t MCFileSystemCalls::readFile(int fd, void *buffer, size_t size)
{
    ssize_t got;
    do {
        got = ::read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

ssize_t MCFileSystemCalls::writeFile(int fd, const void *buffer, size_t size)
{
    ssize_t put;
    do {
        put = ::write(fd, buffer, size);
    } while (put < 0 && errno == EINTR);
    return put;
}

int MCFileSystemCalls::syncFile(int fd)
{
    return ::fsync(fd);
}

int MCFileSystemCalls::closeFile(int fd)
{
    return ::close(fd);
}

int MCFileSystemCalls::renameFile(const QByteArray &from, const QByteArray &to, bool replace)
{
    if (replace)
        return ::rename(from.constData(), to.constData()); // a folder at `to` fails with EISDIR
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
    // The file system cannot rename without replacing. A hard link fails when the name is
    // taken; the old name goes once the new one holds the file.
    struct stat source {};
    if (::lstat(from.constData(), &source) != 0)
        return -1;
    if (S_ISREG(source.st_mode) && ::link(from.constData(), to.constData()) == 0) {
        if (::unlink(from.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlink(to.constData()); // the source still holds the file
        errno = error;
        return -1;
    }
    if (errno == EEXIST || errno == EXDEV || errno == ENOENT || errno == EACCES || errno == EROFS)
        return -1;
    // No hard links either (FAT): the best left is a check just before the rename.
    struct stat target {};
    if (::lstat(to.constData(), &target) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.constData(), to.constData());
}

int MCFileSystemCalls::removeFile(const QByteArray &path)
{
    return ::unlink(path.constData());
}

int MCFileSystemCalls::makeFolder(const QByteArray &path, mode_t mode)
{
    return ::mkdir(path.constData(), mode);
}

int MCFileSystemCalls::setFileTimes(const QByteArray &path, const struct timespec times[2])
{
    return ::utimensat(AT_FDCWD, path.constData(), times, 0);
}
