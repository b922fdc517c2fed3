#include "halvard/system/MCSandboxHelper.h"

#include "halvard/system/MCLog.h"
#include "halvard/system/MCStringExtensions.h"
#include "platform/core/MCUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

const QString kMCSecurityScopedURLsKey = QStringLiteral("HVSecurityScopedURLs");

namespace {

const QString kPathKey = QStringLiteral("path");
const QString kBookmarkKey = QStringLiteral("bookmark");

bool statPath(const QString &path, struct stat *st, int *error = nullptr)
{
    if (path.isEmpty()) {
        if (error)
            *error = ENOENT;
        return false;
    }
    if (::stat(QFile::encodeName(path).constData(), st) == 0)
        return true;
    if (error)
        *error = errno;
    return false;
}

} // namespace

namespace MCURLExtensions {

QString URLPathFromSecurityScopedBookmark(const QByteArray &bookmark)
{
    if (bookmark.isEmpty())
        return {};
    const QString path = QString::fromUtf8(bookmark);
    if (!QDir::isAbsolutePath(path)) {
        MCLog::sdkFileSystem().error(QStringLiteral("Couldn't get URL path from bookmark data"));
        return {};
    }
    return QDir::cleanPath(path);
}

QString URLWithSecurityScopedBookmark(const QByteArray &bookmark)
{
    if (bookmark.isEmpty())
        return {};
    const QString path = URLPathFromSecurityScopedBookmark(bookmark);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        MCLog::sdkFileSystem().error(QStringLiteral("Couldn't resolve bookmark: %1")
                                         .arg(path.isEmpty() ? QStringLiteral("not an absolute path")
                                                             : QStringLiteral("nothing at %1").arg(path)));
        return {};
    }
    return path;
}

QByteArray securityScopedBookmark(const QString &path, MCError *error)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) {
        const QString reason = QStringLiteral("\"%1\" is not an absolute path.").arg(path);
        MCLog::sdkFileSystem().error(QStringLiteral("Couldn't create security scoped bookmark: %1").arg(reason));
        MCSetError(error, MCError(MCCocoaErrorDomain, MCFileReadUnknownError,
                                  QStringLiteral("Couldn't create security scoped bookmark."), reason));
        return {};
    }
    return QDir::cleanPath(path).toUtf8();
}

QString commonURLForURLs(const QStringList &paths)
{
    return MCStringExtensions::commonPathForPaths(paths);
}

QSet<QString> commonForVolumeURLs(const QStringList &paths)
{
    QHash<quint64, QStringList> byVolume;
    QList<quint64> order;
    for (const QString &path : paths) {
        struct stat st {};
        int error = 0;
        if (!statPath(path, &st, &error)) {
            MCLog::sdkFileSystem().error(QStringLiteral("Couldn't get volume identifier for URL: %1\nError: %2")
                                             .arg(path, QString::fromLocal8Bit(std::strerror(error))));
            continue;
        }
        const quint64 volume = quint64(st.st_dev);
        if (!byVolume.contains(volume))
            order.append(volume);
        byVolume[volume].append(path);
    }
    QSet<QString> common;
    for (quint64 volume : std::as_const(order)) {
        const QString folder = commonURLForURLs(byVolume.value(volume));
        if (!folder.isEmpty())
            common.insert(folder);
    }
    return common;
}

bool isEqualFileURL(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a == b)
        return true;
    struct stat sa {}, sb {};
    return statPath(a, &sa) && statPath(b, &sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool isDescendantOfURL(const QString &path, const QString &ancestor)
{
    if (path.isEmpty() || ancestor.isEmpty())
        return false;
    return MCStringExtensions::isDescendantOfPath(QDir::cleanPath(path), QDir::cleanPath(ancestor));
}

} // namespace MCURLExtensions

MCSandboxURL::MCSandboxURL(const QString &path) : m_url(path) {}

std::shared_ptr<MCSandboxURL> MCSandboxURL::fromURL(const QString &path)
{
    return path.isEmpty() ? nullptr : std::make_shared<MCSandboxURL>(path);
}

std::shared_ptr<MCSandboxURL> MCSandboxURL::fromBookmark(const QByteArray &bookmark)
{
    return fromURL(MCURLExtensions::URLWithSecurityScopedBookmark(bookmark));
}

std::shared_ptr<MCSandboxURL> MCSandboxURL::fromDictionary(const QVariantMap &dictionary)
{
    return fromBookmark(dictionary.value(kBookmarkKey).toByteArray());
}

bool MCSandboxURL::retainSecurityScopedResource()
{
    if (m_retainCount > 0) {
        ++m_retainCount;
        return true;
    }
    // Starting access: nothing to open without a sandbox, but a vanished location is refused.
    if (!QFileInfo::exists(m_url))
        return false;
    m_retainCount = 1;
    return true;
}

void MCSandboxURL::releaseSecurityScopedResource()
{
    if (m_retainCount > 0)
        --m_retainCount;
}

QVariantMap MCSandboxURL::dictionaryRepresentation() const
{
    const QByteArray bookmark = MCURLExtensions::securityScopedBookmark(m_url);
    if (m_url.isEmpty() || bookmark.isEmpty())
        return {};
    return {{kPathKey, m_url}, {kBookmarkKey, bookmark}};
}

MCSandboxHelper &MCSandboxHelper::sharedInstance()
{
    static MCSandboxHelper helper(MCUserDefaults::standardUserDefaults());
    return helper;
}

MCSandboxHelper::MCSandboxHelper(MCUserDefaults &defaults) : m_defaults(defaults) {}

MCSandboxURLList MCSandboxHelper::sandboxURLs() const
{
    std::lock_guard guard(m_lock);
    return m_sandboxURLs;
}

void MCSandboxHelper::setSandboxURLs(const MCSandboxURLList &entries)
{
    std::lock_guard guard(m_lock);
    m_sandboxURLs = entries;
}

void MCSandboxHelper::save()
{
    QVariantList stored;
    {
        std::lock_guard guard(m_lock);
        for (const auto &entry : std::as_const(m_sandboxURLs)) {
            const QVariantMap dictionary = entry->dictionaryRepresentation();
            if (!dictionary.isEmpty())
                stored.append(dictionary);
        }
    }
    m_defaults.setObject(stored, kMCSecurityScopedURLsKey);
}

void MCSandboxHelper::restore()
{
    const QVariantList stored = m_defaults.arrayForKey(kMCSecurityScopedURLsKey);
    std::lock_guard guard(m_lock);
    for (const QVariant &value : stored) {
        const std::shared_ptr<MCSandboxURL> entry = MCSandboxURL::fromDictionary(value.toMap());
        if (entry && entry->retainSecurityScopedResource())
            m_sandboxURLs.append(entry);
    }
}

void MCSandboxHelper::enumerateURLs(const URLProvider &provider, const std::function<void(const QStringList &)> &completion)
{
    QSet<QString> covered, missing;
    QStringList missingInOrder;
    bool first = true;
    for (QString path = provider(); !path.isNull(); path = provider()) {
        if (first) {
            first = false;
            for (const auto &entry : sandboxURLs())
                covered.insert(entry->securityScopedURL());
        }
        if (covered.contains(path) || missing.contains(path))
            continue;
        bool inside = false;
        for (const QString &folder : std::as_const(covered)) {
            if (MCURLExtensions::isDescendantOfURL(path, folder)) {
                inside = true;
                break;
            }
        }
        if (inside) {
            covered.insert(path);
        } else {
            missing.insert(path);
            missingInOrder.append(path);
        }
    }
    if (completion)
        completion(missingInOrder);
}

void MCSandboxHelper::addSandboxURLs(const MCSandboxURLList &entries)
{
    MCSandboxURLList added;
    for (const auto &entry : entries)
        if (entry)
            added.append(entry);
    {
        std::lock_guard guard(m_lock);
        MCSandboxURLList obsolete;
        for (const auto &entry : std::as_const(added))
            for (const auto &old : std::as_const(m_sandboxURLs))
                if (!obsolete.contains(old)
                    && MCURLExtensions::isDescendantOfURL(old->securityScopedURL(), entry->securityScopedURL()))
                    obsolete.append(old);
        if (obsolete.isEmpty() && added.isEmpty())
            return;
        for (const auto &old : std::as_const(obsolete)) {
            old->releaseSecurityScopedResource();
            m_sandboxURLs.removeOne(old);
        }
        for (const auto &entry : std::as_const(added)) {
            entry->retainSecurityScopedResource(); // a refused start still keeps the entry
            m_sandboxURLs.append(entry);
        }
    }
    save();
}

namespace {
MCSandboxHelper::URLProvider providerOf(const QStringList &paths, bool parentFolders)
{
    return [paths, parentFolders, index = qsizetype(0)]() mutable -> QString {
        if (index >= paths.size())
            return {};
        const QString &path = paths.at(index++);
        return parentFolders ? QFileInfo(path).path() : path;
    };
}
} // namespace

void MCSandboxHelper::addSecurityScopedURLs(const QStringList &paths)
{
    enumerateURLs(providerOf(paths, false), [this](const QStringList &missing) {
        MCSandboxURLList entries;
        for (const QString &path : missing)
            if (auto entry = MCSandboxURL::fromURL(path))
                entries.append(entry);
        addSandboxURLs(entries);
    });
}

void MCSandboxHelper::prepareForAccessingURLs(const URLProvider &provider)
{
    enumerateURLs(provider, [this](const QStringList &missing) {
        if (missing.isEmpty())
            return;
        const QSet<QString> folders = MCURLExtensions::commonForVolumeURLs(missing);
        if (folders.isEmpty())
            return;
        // Elsewhere each folder is asked for on the main thread; here the grant needs no
        // prompt, so it is made on the calling thread.
        MCSandboxURLList granted;
        for (const QString &folder : folders)
            if (auto entry = grantAccessToFolderAtURL(folder))
                granted.append(entry);
        addSandboxURLs(granted);
    });
}

void MCSandboxHelper::prepareForAccessingFileURLs(const QStringList &paths)
{
    prepareForAccessingURLs(providerOf(paths, true));
}

std::shared_ptr<MCSandboxURL> MCSandboxHelper::grantAccessToFolderAtURL(const QString &folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable())
        return nullptr;
    return MCSandboxURL::fromURL(QDir::cleanPath(info.absoluteFilePath()));
}
