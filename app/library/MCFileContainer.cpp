#include "app/library/MCFileContainer.h"

#include "platform/core/MCNotificationCenter.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <chrono>

const QString kMCFileContainerDidAddFiles = QStringLiteral("kMCFileContainerDidAddFiles");
const QString kMCFileContainerDidRemoveFiles = QStringLiteral("kMCFileContainerDidRemoveFiles");
const QString kMCFileContainerFilesKey = QStringLiteral("kMCFileContainerFilesKey");

MCFileContainer &MCFileContainer::sharedContainer()
{
    static MCFileContainer container;
    return container;
}

MCFileList MCFileContainer::allFiles() const
{
    QReadLocker locker(&m_lock);
    return m_files.values();
}

qint64 MCFileContainer::numberOfFiles() const
{
    QReadLocker locker(&m_lock);
    return m_files.size();
}

std::shared_ptr<MCFile> MCFileContainer::fileWithPath(const QString &path) const
{
    QReadLocker locker(&m_lock);
    return m_files.value(path);
}

bool MCFileContainer::containsFileWithPath(const QString &path) const
{
    QReadLocker locker(&m_lock);
    return m_files.contains(path);
}

void MCFileContainer::addFiles(const MCFileList &files)
{
    if (files.isEmpty())
        return;
    MCFileList added, replaced;
    {
        QWriteLocker locker(&m_lock);
        QSet<const MCFile *> seen;
        for (const std::shared_ptr<MCFile> &file : files) {
            if (!file || seen.contains(file.get()))
                continue;
            seen.insert(file.get());
            const QString path = file->filePath();
            m_pending.remove(path);
            auto it = m_files.find(path);
            if (it != m_files.end()) {
                if (it.value() == file)
                    continue;
                // Only what was posted as added is posted as removed.
                if (!replaced.contains(it.value()) && !added.contains(it.value()))
                    replaced.append(it.value());
                added.removeOne(it.value());
                it.value() = file;
            } else {
                m_files.insert(path, file);
            }
            added.append(file);
        }
    }
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    if (!replaced.isEmpty())
        center.postNotificationName(kMCFileContainerDidRemoveFiles, this,
                                    {{kMCFileContainerFilesKey, QVariant::fromValue(replaced)}});
    if (!added.isEmpty())
        center.postNotificationName(kMCFileContainerDidAddFiles, this,
                                    {{kMCFileContainerFilesKey, QVariant::fromValue(added)}});
}

void MCFileContainer::removeFiles(const MCFileList &files)
{
    if (files.isEmpty())
        return;
    // What was stored is what observers show: post those objects, even when a caller named a
    // file by another object with its path.
    MCFileList removed;
    {
        QWriteLocker locker(&m_lock);
        for (const std::shared_ptr<MCFile> &file : files)
            if (file) {
                m_pending.remove(file->filePath());
                if (std::shared_ptr<MCFile> stored = m_files.take(file->filePath()))
                    removed.append(std::move(stored));
            }
    }
    if (!removed.isEmpty())
        MCNotificationCenter::defaultCenter().postNotificationName(
            kMCFileContainerDidRemoveFiles, this, {{kMCFileContainerFilesKey, QVariant::fromValue(removed)}});
}

void MCFileContainer::registerPendingFile(const std::shared_ptr<MCFile> &file)
{
    if (!file)
        return;
    QWriteLocker locker(&m_lock);
    // Claims of files nobody holds any more are dropped as they are met, so the map stays as
    // small as the imports in flight.
    if (m_pending.size() >= m_pendingPruneSize) {
        m_pending.removeIf([](const auto &entry) { return entry.value().expired(); });
        m_pendingPruneSize = std::max<qsizetype>(1024, 2 * m_pending.size());
    }
    m_pending.insert(file->filePath(), file);
}

void MCFileContainer::unregisterPendingFiles(const MCFileList &files)
{
    QWriteLocker locker(&m_lock);
    for (const std::shared_ptr<MCFile> &file : files) {
        if (!file)
            continue;
        const auto it = m_pending.find(file->filePath());
        if (it != m_pending.end() && (it.value().expired() || it.value().lock() == file))
            m_pending.erase(it);
    }
}

void MCFileContainer::unregisterAllPendingFiles()
{
    QWriteLocker locker(&m_lock);
    m_pending.clear();
}

bool MCFileContainer::isPathHeldOrPending(const QString &path) const
{
    QReadLocker locker(&m_lock);
    if (m_files.contains(path))
        return true;
    const auto it = m_pending.constFind(path);
    return it != m_pending.cend() && !it.value().expired();
}

std::shared_ptr<MCFile> MCFileContainer::newFileWithURL(const QString &path)
{
    // The monotonic clock in nanoseconds, bumped past the last identifier handed out.
    static std::atomic<quint64> last{0};
    const quint64 now = quint64(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count());
    quint64 previous = last.load();
    quint64 id = 0;
    do {
        id = std::max(now, previous + 1);
    } while (!last.compare_exchange_weak(previous, id));

    auto file = MCFile::fileWithID(id);
    const QFileInfo info(path);
    file->setFilePath(path);
    file->setFileName(info.fileName());
    file->setFolderPath(info.path());
    return file;
}

MCFileList MCFileContainer::filesFromUserInfo(const QVariantMap &userInfo)
{
    return userInfo.value(kMCFileContainerFilesKey).value<MCFileList>();
}
