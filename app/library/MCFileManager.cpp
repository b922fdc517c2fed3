#include "app/library/MCFileManager.h"

#include "platform/core/MCError.h"

#include <QFile>
#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// True when anything, even a dangling link, has this name.
bool nameExists(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 || errno != ENOENT;
}

// Splits the last path component at its extension; a leading dot (a hidden name) starts no
// extension.
struct NameParts
{
    QString stem;      // the path without its extension (and without the dot)
    QString extension; // without the dot; may be empty
};

NameParts splitExtension(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        return {path, {}};
    return {path.left(dot), path.mid(dot + 1)};
}

QString candidate(const NameParts &parts, int number)
{
    QString name = parts.stem + QLatin1Char(' ') + QString::number(number);
    if (!parts.extension.isEmpty())
        name += QLatin1Char('.') + parts.extension;
    return name;
}

// Tries `path`, then the numbered candidates, until `accept` takes one.
template <typename Accept>
QString firstAccepted(const QString &path, Accept accept)
{
    if (accept(path))
        return path;
    const NameParts parts = splitExtension(path);
    for (int number = 2; number < MCFileManager::kMaximumUniqueNameAttempts + 2; ++number) {
        const QString name = candidate(parts, number);
        if (accept(name))
            return name;
    }
    return {};
}

} // namespace

MCFileManager &MCFileManager::defaultManager()
{
    static MCFileManager manager;
    return manager;
}

QString MCFileManager::uniqueFileURLForURL(const QString &path) const
{
    if (path.isEmpty())
        return {};
    // A nameExists() error other than "no such file" (permissions, loops) counts as taken.
    return firstAccepted(path, [](const QString &name) { return !nameExists(name); });
}

QString MCFileManager::reserveUniqueFileURLForURL(const QString &path, MCError *error) const
{
    if (path.isEmpty()) {
        MCSetError(error, MCError::errorWithPOSIXCode(ENOENT, path));
        return {};
    }
    int failure = 0;
    const QString name = firstAccepted(path, [&failure](const QString &candidatePath) {
        if (failure != 0)
            return false;
        const int fd = ::open(QFile::encodeName(candidatePath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != EEXIST)
            failure = errno; // the folder itself is the problem: stop searching
        return false;
    });
    if (!name.isEmpty())
        return name;
    MCError reason = MCError::errorWithPOSIXCode(failure != 0 ? failure : EEXIST, path);
    MCSetError(error, MCError(MCCocoaErrorDomain, failure != 0 ? MCFileWriteUnknownError : MCFileWriteFileExistsError,
                              QCoreApplication::translate("MCFileManager", "No free name could be found for “%1”.").arg(QFileInfo(path).fileName())));
    if (error)
        error->setUnderlyingError(reason);
    return {};
}
