#include "app/library/MCSetAsideJournal.h"

#include "app/library/MCFileSystemCalls.h"
#include "app/library/MCLogQuillon.h"
#include "app/library/MCPathManager.h"
#include "platform/core/MCError.h"
#include "platform/core/MCPropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kEntriesKey = QStringLiteral("SetAsideFiles");
const QString kWaitingPathKey = QStringLiteral("WaitingPath");
const QString kOriginalPathKey = QStringLiteral("OriginalPath");
const QString kDeviceKey = QStringLiteral("Device");
const QString kInodeKey = QStringLiteral("Inode");
const QString kProcessIdentifierKey = QStringLiteral("ProcessIdentifier");

constexpr int kMaximumRestoreAttempts = 10000;

// The identity of what has this name (links not followed); false when nothing does.
bool identityOf(const QString &path, quint64 *device, quint64 *inode)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = quint64(st.st_dev);
    *inode = quint64(st.st_ino);
    return true;
}

} // namespace

MCSetAsideJournal &MCSetAsideJournal::sharedJournal()
{
    static MCSetAsideJournal journal(MCPathManager::defaultManager().applicationSupportURL() +
                                     QStringLiteral("/SetAsideFiles.plist"));
    return journal;
}

MCSetAsideJournal::MCSetAsideJournal(QString path) : m_path(std::move(path)) {}

MCSetAsideJournal::Entry MCSetAsideJournal::entryForSetAside(const QString &original, const QString &waiting)
{
    Entry entry;
    entry.waitingPath = waiting;
    entry.originalPath = original;
    identityOf(original, &entry.device, &entry.inode);
    entry.processIdentifier = qint64(::getpid());
    return entry;
}

QList<MCSetAsideJournal::Entry> MCSetAsideJournal::readEntries() const
{
    // Called under m_lock.
    QList<Entry> entries;
    if (!QFileInfo::exists(m_path))
        return entries;
    MCError error;
    const std::optional<QVariantMap> root = platform::readPropertyListDictionary(m_path, &error);
    if (!root) {
        MCLogQuillon::fileManager().error(
            QStringLiteral("The list of photos set aside cannot be read: %1").arg(error.toString()));
        return entries;
    }
    for (const QVariant &item : root->value(kEntriesKey).toList()) {
        const QVariantMap map = item.toMap();
        Entry entry;
        entry.waitingPath = map.value(kWaitingPathKey).toString();
        entry.originalPath = map.value(kOriginalPathKey).toString();
        entry.device = map.value(kDeviceKey).toULongLong();
        entry.inode = map.value(kInodeKey).toULongLong();
        entry.processIdentifier = map.value(kProcessIdentifierKey).toLongLong();
        if (!entry.waitingPath.isEmpty() && !entry.originalPath.isEmpty())
            entries.append(entry);
    }
    return entries;
}

bool MCSetAsideJournal::writeEntries(const QList<Entry> &entries)
{
    // Called under m_lock.
    if (entries.isEmpty())
        return !QFileInfo::exists(m_path) || QFile::remove(m_path);
    QVariantList list;
    for (const Entry &entry : entries) {
        list.append(QVariantMap{{kWaitingPathKey, entry.waitingPath},
                                {kOriginalPathKey, entry.originalPath},
                                {kDeviceKey, qint64(entry.device)},
                                {kInodeKey, qint64(entry.inode)},
                                {kProcessIdentifierKey, entry.processIdentifier}});
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    MCError error;
    if (!platform::writePropertyList(QVariantMap{{kEntriesKey, list}}, m_path, &error)) {
        MCLogQuillon::fileManager().error(
            QStringLiteral("The list of photos set aside cannot be written: %1").arg(error.toString()));
        return false;
    }
    return true;
}

bool MCSetAsideJournal::record(const QList<Entry> &added)
{
    if (added.isEmpty())
        return true;
    QMutexLocker locker(&m_lock);
    QSet<QString> waiting;
    for (const Entry &entry : added)
        waiting.insert(entry.waitingPath);
    QList<Entry> entries = readEntries();
    entries.removeIf([&waiting](const Entry &entry) { return waiting.contains(entry.waitingPath); });
    entries.append(added);
    m_held.unite(waiting);
    return writeEntries(entries);
}

void MCSetAsideJournal::forget(const QStringList &waitingPaths)
{
    if (waitingPaths.isEmpty())
        return;
    QMutexLocker locker(&m_lock);
    const QSet<QString> gone(waitingPaths.cbegin(), waitingPaths.cend());
    m_held.subtract(gone);
    QList<Entry> entries = readEntries();
    if (entries.removeIf([&gone](const Entry &entry) { return gone.contains(entry.waitingPath); }) > 0)
        writeEntries(entries);
}

void MCSetAsideJournal::release(const QStringList &waitingPaths)
{
    QMutexLocker locker(&m_lock);
    for (const QString &path : waitingPaths)
        m_held.remove(path);
}

QList<MCSetAsideJournal::Entry> MCSetAsideJournal::entries() const
{
    QMutexLocker locker(&m_lock);
    return readEntries();
}

int MCSetAsideJournal::recover(MCFileSystemCalls &calls, const std::function<QString(const QString &)> &uniqueName)
{
    QMutexLocker locker(&m_lock);
    const QList<Entry> entries = readEntries();
    if (entries.isEmpty())
        return 0;
    const qint64 self = qint64(::getpid());
    QList<Entry> kept;
    int restored = 0;
    for (const Entry &entry : entries) {
        // An operation at work, here or in another running instance, puts its own back.
        const bool atWork = entry.processIdentifier == self ? m_held.contains(entry.waitingPath)
                                                            : MCPathManager::isProcessRunning(entry.processIdentifier);
        if (atWork) {
            kept.append(entry);
            continue;
        }
        quint64 device = 0;
        quint64 inode = 0;
        if (!identityOf(entry.waitingPath, &device, &inode))
            continue; // it went on to its destination, or was put back, before the run ended
        if (entry.inode != 0 && (device != entry.device || inode != entry.inode))
            continue; // another file has the name now: not ours to move
        QString target = entry.originalPath;
        bool moved = false;
        for (int attempt = 0; attempt < kMaximumRestoreAttempts && !target.isEmpty(); ++attempt) {
            if (calls.renameFile(QFile::encodeName(entry.waitingPath), QFile::encodeName(target), false) == 0) {
                moved = true;
                break;
            }
            if (errno != EEXIST)
                break;
            target = uniqueName(entry.originalPath);
        }
        if (!moved) {
            MCLogQuillon::fileManager().error(QStringLiteral("The photo %1 set aside by an interrupted operation stays at %2")
                                                  .arg(entry.originalPath, entry.waitingPath));
            kept.append(entry);
            continue;
        }
        ++restored;
        if (target == entry.originalPath)
            MCLogQuillon::fileManager().info(
                QStringLiteral("The photo %1 set aside by an interrupted operation was put back").arg(target));
        else
            MCLogQuillon::fileManager().info(
                QStringLiteral("The photo %1 set aside by an interrupted operation was put back as %2 (its name was taken)")
                    .arg(entry.originalPath, target));
    }
    if (kept.size() != entries.size())
        writeEntries(kept);
    return restored;
}
