#include "halvard/system/MCFileManagerExtensions.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace MCFileManagerExtensions {

namespace {

bool somethingExistsAt(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

bool isMountedVolumeOfItemAtPath(const QString &path)
{
    if (path.isEmpty() || !somethingExistsAt(path))
        return false;
    const QStorageInfo volume(path);
    if (!volume.isValid())
        return false;
    const QList<QStorageInfo> mounted = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &candidate : mounted) {
        if (candidate.rootPath() == volume.rootPath())
            return true;
    }
    return false;
}

QString uniqueFilePathForPath(const QString &given)
{
    if (!somethingExistsAt(given))
        return given;
    QString path = given;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > slash + 1 && dot < path.size() - 1;
    const QString stem = hasExtension ? path.left(dot) : path;
    const QString extension = hasExtension ? path.mid(dot) : QString();
    for (quint64 n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 %2%3").arg(stem, QString::number(n), extension);
        if (!somethingExistsAt(candidate))
            return candidate;
    }
}

} // namespace MCFileManagerExtensions
