#include "platform/core/MCFileReading.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FileReadStatus statusOfOpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return FileReadStatus::Missing;
    case EACCES:
    case EPERM:
        return FileReadStatus::NoPermission;
    case EISDIR:
        return FileReadStatus::Folder;
    case ENXIO: // a socket, or a FIFO or device without a partner
    case ENODEV:
        return FileReadStatus::NotRegularFile;
    default:
        return FileReadStatus::Failed;
    }
}

} // namespace

int openRegularFile(const QByteArray &path, int *error)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer; no controlling terminal.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    struct stat st {};
    int problem = 0;
    if (::fstat(fd, &st) != 0)
        problem = errno;
    else if (S_ISDIR(st.st_mode))
        problem = EISDIR;
    else if (!S_ISREG(st.st_mode))
        problem = ENODEV;
    else if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        problem = errno;
    if (problem) {
        ::close(fd);
        *error = problem;
        return -1;
    }
    return fd;
}

FileContents readRegularFile(const QString &path)
{
    FileContents contents;
    if (path.isEmpty()) {
        contents.status = FileReadStatus::Missing;
        contents.posixError = ENOENT;
        return contents;
    }
    int openError = 0;
    const int fd = openRegularFile(QFile::encodeName(path), &openError);
    if (fd < 0) {
        contents.posixError = openError;
        contents.status = statusOfOpenError(openError);
        return contents;
    }
    auto fail = [&](FileReadStatus status, int error) {
        ::close(fd);
        contents.status = status;
        contents.posixError = error;
        contents.data.clear();
        return contents;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(FileReadStatus::Failed, errno);
    if (st.st_size < 0 || quint64(st.st_size) > quint64(std::numeric_limits<qsizetype>::max() / 2))
        return fail(FileReadStatus::TooLarge, EFBIG);
    const auto size = qsizetype(st.st_size);
    try {
        contents.data = QByteArray(size, Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        return fail(FileReadStatus::TooLarge, ENOMEM);
    }
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, contents.data.data() + done, size_t(size - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(FileReadStatus::Failed, errno);
        if (n == 0)
            break; // truncated while we read: what was left is the file
        done += n;
    }
    ::close(fd);
    if (done < size) {
        contents.data.truncate(done);
        contents.truncated = true;
    }
    contents.status = FileReadStatus::Read;
    return contents;
}

bool isRegularFile(const QString &path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
