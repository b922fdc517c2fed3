#include "platform/core/MCFileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Closes a descriptor once; keeps errno as the failure left it.
struct Descriptor
{
    int fd = -1;
    ~Descriptor() { close(); }
    void close()
    {
        if (fd >= 0) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            fd = -1;
        }
    }
};

} // namespace

MCError posixError(int errnoValue, const QString &path)
{
    MCError error = MCError::errorWithPOSIXCode(errnoValue, path);
    error.setLocalizedFailureReason(QString::fromLocal8Bit(std::strerror(errnoValue)));
    return error;
}

MCError errorOfReadingFile(const QString &path)
{
    if (path.isEmpty())
        return posixError(ENOENT, path);
    const QByteArray native = QFile::encodeName(path);
    Descriptor file;
    // Non-blocking, so a FIFO under a photo's name cannot stop the caller for ever.
    file.fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file.fd < 0)
        return posixError(errno, path);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return posixError(errno, path);
    if (S_ISDIR(info.st_mode))
        return posixError(EISDIR, path);
    return {};
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, MCError *error)
{
    const QFileInfo target(path);
    const QByteArray native = QFile::encodeName(target.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    auto fail = [&](int errnoValue) { return MCSetError(error, posixError(errnoValue, path)); };

    // The folder must exist and be a folder: the system would say so only for the temporary name.
    struct stat folderInfo {};
    if (::stat(folder.constData(), &folderInfo) != 0)
        return fail(errno);
    if (!S_ISDIR(folderInfo.st_mode))
        return fail(ENOTDIR);

    struct stat existing {};
    const bool replaces = ::stat(native.constData(), &existing) == 0;
    if (replaces && S_ISDIR(existing.st_mode))
        return fail(EISDIR);

    Descriptor file;
    QByteArray temporary;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
        temporary = folder + "/." + QFile::encodeName(target.fileName()) + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        file.fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file.fd < 0 && errno != EEXIST)
            return fail(errno);
    }
    if (file.fd < 0)
        return fail(EEXIST);

    auto discard = [&](int errnoValue) {
        file.close();
        ::unlink(temporary.constData());
        return fail(errnoValue);
    };
    if (replaces && ::fchmod(file.fd, existing.st_mode & 07777) != 0)
        return discard(errno);
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(file.fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return discard(errno);
        }
        data += written;
        left -= written;
    }
    // Space a file system reserves lazily can still run out here, and close can report a
    // delayed write error: both count.
    if (::fsync(file.fd) != 0)
        return discard(errno);
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temporary.constData());
        return fail(saved);
    }
    if (::rename(temporary.constData(), native.constData()) != 0) {
        const int saved = errno;
        ::unlink(temporary.constData());
        return fail(saved);
    }
    return true;
}

} // namespace platform
