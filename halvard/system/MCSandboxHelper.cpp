#include "halvard/system/MCSandboxHelper.h"

#include "halvard/system/MCLog.h"
#include "halvard/system/MCStringExtensions.h"
#include "halvard/ui/MCAlert.h"
#include "halvard/ui/MCPromptLayer.h"
#include "halvard/ui/MCSandboxAccessoryView.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCUserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

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

QStringList missingURLs(const QStringList &granted, const QStringList &offered)
{
    // Paths found inside a grant join the covered set, so an equal path later is found at once.
    QSet<QString> covered(granted.cbegin(), granted.cend()), missing;
    QStringList result;
    for (const QString &path : offered) {
        if (covered.contains(path) || missing.contains(path))
            continue;
        const bool inside = std::any_of(granted.cbegin(), granted.cend(),
                                        [&path](const QString &folder) { return isDescendantOfURL(path, folder); });
        if (inside) {
            covered.insert(path);
        } else {
            missing.insert(path);
            result.append(path);
        }
    }
    return result;
}

QList<qsizetype> obsoleteGrants(const QStringList &granted, const QStringList &added)
{
    QList<qsizetype> obsolete;
    for (qsizetype i = 0; i < granted.size(); ++i)
        if (std::any_of(added.cbegin(), added.cend(),
                        [&](const QString &folder) { return isDescendantOfURL(granted[i], folder); }))
            obsolete.append(i);
    return obsolete;
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
        // An entry without bookmark data is as unusable as one that no longer resolves.
        if (value.toMap().value(kBookmarkKey).toByteArray().isEmpty()) {
            MCLog::sdkFileSystem().error(QStringLiteral("Couldn't resolve bookmark: %1")
                                             .arg(QStringLiteral("the stored entry holds no bookmark")));
            continue;
        }
        const std::shared_ptr<MCSandboxURL> entry = MCSandboxURL::fromDictionary(value.toMap());
        if (entry && entry->retainSecurityScopedResource())
            m_sandboxURLs.append(entry);
    }
}

void MCSandboxHelper::enumerateURLs(const URLProvider &provider, const std::function<void(const QStringList &)> &completion)
{
    QStringList offered;
    for (QString path = provider(); !path.isNull(); path = provider())
        offered.append(path);
    QStringList granted;
    if (!offered.isEmpty())
        for (const auto &entry : sandboxURLs())
            granted.append(entry->securityScopedURL());
    const QStringList missing = MCURLExtensions::missingURLs(granted, offered);
    if (completion)
        completion(missing);
}

void MCSandboxHelper::addSandboxURLs(const MCSandboxURLList &entries)
{
    MCSandboxURLList added;
    QStringList addedPaths;
    for (const auto &entry : entries) {
        if (entry) {
            added.append(entry);
            addedPaths.append(entry->securityScopedURL());
        }
    }
    {
        std::lock_guard guard(m_lock);
        QStringList granted;
        for (const auto &entry : std::as_const(m_sandboxURLs))
            granted.append(entry->securityScopedURL());
        const QList<qsizetype> obsolete = MCURLExtensions::obsoleteGrants(granted, addedPaths);
        if (obsolete.isEmpty() && added.isEmpty())
            return;
        for (auto it = obsolete.crbegin(); it != obsolete.crend(); ++it) {
            m_sandboxURLs.at(*it)->releaseSecurityScopedResource();
            m_sandboxURLs.removeAt(*it);
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
        // Each dialog runs on the main thread; a caller on another thread waits for it.
        MCSandboxURLList granted;
        for (const QString &folder : folders) {
            std::shared_ptr<MCSandboxURL> entry;
            platform::dispatchMainSync([&] { entry = grantAccessToFolderAtURL(folder); });
            if (entry)
                granted.append(entry);
        }
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
    if (folder.isEmpty() || !info.isDir())
        return nullptr; // no name to show: nothing is asked
    const QString suggested = QDir::cleanPath(info.absoluteFilePath());
    const QString name = info.fileName().isEmpty() ? suggested : info.fileName();
    const QString title = QCoreApplication::translate("Halvard", "Grant access to “%1”").arg(name);
    for (;;) {
        // A fresh panel at the suggested folder each time.
        const std::unique_ptr<MCSandboxAccessoryView> accessory = MCSandboxAccessoryView::accessoryViewWithTitle(title);
        MCOpenPanelRequest panel;
        panel.title = title;
        panel.message = QCoreApplication::translate("Halvard", "Click the “Allow” button to grant access to your media files.");
        panel.prompt = QCoreApplication::translate("Halvard", "Allow");
        panel.directory = suggested;
        panel.canChooseFiles = false;
        panel.canChooseDirectories = true;
        panel.accessoryView = accessory.get();
        const MCOpenPanelAnswer answer = MCPromptLayer::runOpenPanel(panel);
        if (!answer.accepted)
            return nullptr;
        const QString chosen = QDir::cleanPath(answer.paths.first());
        // The suggested folder itself, or one above it: the user may grant more than asked.
        if (MCURLExtensions::isEqualFileURL(chosen, suggested) || MCURLExtensions::isDescendantOfURL(suggested, chosen))
            return MCSandboxURL::fromURL(chosen);
        MCAlert alert = MCAlert::alertWithMessageText(
            QCoreApplication::translate("Halvard", "The wrong folder was chosen."),
            QCoreApplication::translate("Halvard", "Please choose the suggested folder “%1” to allow Quillon to get "
                                                   "access to your photos.")
                .arg(name),
            QCoreApplication::translate("Halvard", "Choose Again"), QCoreApplication::translate("Halvard", "Cancel"));
        alert.setCritical(true);
        if (alert.runModal() != MCAlertFirstButtonReturn)
            return nullptr;
    }
}

void MCSandboxHelper::runModalOpenPanel(const PanelConfiguration &configure, const PanelCompletion &completion,
                                        QWidget *window)
{
    MCOpenPanelRequest request;
    if (configure)
        configure(request);
    const MCOpenPanelAnswer answer = MCPromptLayer::runOpenPanel(request, window);
    if (!completion)
        return;
    const QStringList remembered = completion(request, answer);
    if (!remembered.isEmpty())
        addSecurityScopedURLs(remembered);
}
