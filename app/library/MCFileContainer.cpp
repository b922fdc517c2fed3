#include "app/library/MCFileContainer.h"

#include "platform/core/MCNotificationCenter.h"

#include <QFileInfo>

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
    {
        QWriteLocker locker(&m_lock);
        for (const std::shared_ptr<MCFile> &file : files)
            if (file)
                m_files.insert(file->filePath(), file);
    }
    MCNotificationCenter::defaultCenter().postNotificationName(
        kMCFileContainerDidAddFiles, this, {{kMCFileContainerFilesKey, QVariant::fromValue(files)}});
}

void MCFileContainer::removeFiles(const MCFileList &files)
{
    if (files.isEmpty())
        return;
    {
        QWriteLocker locker(&m_lock);
        for (const std::shared_ptr<MCFile> &file : files)
            if (file)
                m_files.remove(file->filePath());
    }
    MCNotificationCenter::defaultCenter().postNotificationName(
        kMCFileContainerDidRemoveFiles, this, {{kMCFileContainerFilesKey, QVariant::fromValue(files)}});
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
