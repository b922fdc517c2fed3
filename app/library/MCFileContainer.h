#pragma once

#include "app/library/MCFile.h"

#include <QHash>
#include <QList>
#include <QReadWriteLock>
#include <QString>

#include <memory>

using MCFileList = QList<std::shared_ptr<MCFile>>;

// Posted by the container after files were added or removed; the container is the object and
// the user info holds the list that was passed under kMCFileContainerFilesKey (an MCFileList
// in a QVariant).
extern const QString kMCFileContainerDidAddFiles;    // "kMCFileContainerDidAddFiles"
extern const QString kMCFileContainerDidRemoveFiles; // "kMCFileContainerDidRemoveFiles"
extern const QString kMCFileContainerFilesKey;       // "kMCFileContainerFilesKey"

// The library of the running application: at most one file per absolute path. Changed on
// the GUI thread; imports look files up from their worker thread at the same time, so the
// map is guarded by a lock. Notifications are posted on the calling thread, outside the lock.
class MCFileContainer
{
public:
    static MCFileContainer &sharedContainer();

    MCFileList allFiles() const;
    qint64 numberOfFiles() const;
    std::shared_ptr<MCFile> fileWithPath(const QString &path) const;
    bool containsFileWithPath(const QString &path) const;

    // A file whose path is stored already replaces the stored one. An empty list posts nothing.
    void addFiles(const MCFileList &files);
    // Removes whatever is stored under each file's path. An empty list posts nothing.
    void removeFiles(const MCFileList &files);

    // A new file for `path`, not added and not read from disk. Identifiers are strictly
    // increasing over the run, even for calls within one clock tick or from several threads.
    static std::shared_ptr<MCFile> newFileWithURL(const QString &path);

    // The files in a posted notification's user info.
    static MCFileList filesFromUserInfo(const QVariantMap &userInfo);

private:
    mutable QReadWriteLock m_lock; // guards m_files
    QHash<QString, std::shared_ptr<MCFile>> m_files;
};
