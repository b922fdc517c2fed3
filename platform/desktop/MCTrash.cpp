#include "platform/desktop/MCTrash.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameDevice(const QString &a, const QString &b)
{
    struct stat sa, sb;
    return ::lstat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev;
}

// The mount point holding `path`: the highest parent on the same device.
QString mountPointOf(const QString &path)
{
    struct stat item;
    if (::lstat(QFile::encodeName(path).constData(), &item) != 0)
        return {};
    QString current = QFileInfo(path).absolutePath();
    while (current != QStringLiteral("/")) {
        const QString parent = QFileInfo(current).absolutePath();
        struct stat st;
        if (::stat(QFile::encodeName(parent).constData(), &st) != 0 || st.st_dev != item.st_dev)
            break;
        current = parent;
    }
    return current;
}

bool makeTrashFolders(const QString &trash)
{
    // The trash holds other people's deleted secrets: only its owner may look in.
    for (const QString &folder : {trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")}) {
        if (!QDir().mkpath(folder))
            return false;
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
    return true;
}

MCError failure(int code, const QString &path, const QString &description)
{
    MCError error = MCError::errorWithPOSIXCode(code, path);
    error.setLocalizedDescription(description);
    return error;
}

} // namespace

QString MCTrash::homeTrashPath()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/Trash");
}

QByteArray MCTrash::trashInfo(const QString &path, const QDateTime &deletionDate)
{
    QByteArray text("[Trash Info]\nPath=");
    text += QUrl::toPercentEncoding(path, "/");
    text += "\nDeletionDate=";
    text += deletionDate.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    text += "\n";
    return text;
}

bool MCTrash::trashItem(const QString &path, QString *resultingPath, MCError *error, const QDateTime &deletionDate)
{
    const QFileInfo item(path);
    const QString absolute = item.absoluteFilePath();
    struct stat st;
    if (path.isEmpty() || ::lstat(QFile::encodeName(absolute).constData(), &st) != 0) {
        if (error)
            *error = failure(ENOENT, path, QStringLiteral("The item \"%1\" could not be moved to the trash because it does not exist.").arg(item.fileName()));
        return false;
    }

    QString trash = homeTrashPath();
    QString recordedPath = absolute;
    QDir().mkpath(QFileInfo(trash).absolutePath());
    if (!sameDevice(absolute, QFileInfo(trash).absolutePath())) {
        const QString top = mountPointOf(absolute);
        trash = top + QStringLiteral("/.Trash-") + QString::number(::getuid());
        recordedPath = QDir(top).relativeFilePath(absolute);
    }
    if (!makeTrashFolders(trash)) {
        if (error)
            *error = failure(EACCES, path, QStringLiteral("The item \"%1\" could not be moved to the trash because the trash cannot be created.").arg(item.fileName()));
        return false;
    }

    // Reserve a name by creating its info file exclusively, then move the item under it.
    const QString baseName = item.fileName();
    for (int attempt = 1; attempt < 10000; ++attempt) {
        QString name = baseName;
        if (attempt > 1) {
            const int dot = baseName.lastIndexOf(QLatin1Char('.'));
            name = dot > 0 ? baseName.left(dot) + QStringLiteral(" %1").arg(attempt) + baseName.mid(dot)
                           : baseName + QStringLiteral(" %1").arg(attempt);
        }
        const QString infoPath = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        const QString target = trash + QStringLiteral("/files/") + name;
        const int fd = ::open(QFile::encodeName(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            if (error)
                *error = failure(errno, path, QStringLiteral("The item \"%1\" could not be moved to the trash.").arg(baseName));
            return false;
        }
        const QByteArray info = trashInfo(recordedPath, deletionDate);
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == info.size();
        ::close(fd);
        if (written && QFileInfo::exists(target)) { // an item left without its info file
            ::unlink(QFile::encodeName(infoPath).constData());
            continue;
        }
        if (!written || ::rename(QFile::encodeName(absolute).constData(), QFile::encodeName(target).constData()) != 0) {
            const int code = written ? errno : EIO;
            ::unlink(QFile::encodeName(infoPath).constData());
            if (error)
                *error = failure(code, path, QStringLiteral("The item \"%1\" could not be moved to the trash.").arg(baseName));
            return false;
        }
        if (resultingPath)
            *resultingPath = target;
        return true;
    }
    if (error)
        *error = failure(EEXIST, path, QStringLiteral("The item \"%1\" could not be moved to the trash.").arg(baseName));
    return false;
}
