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

    // Stores each file under its path. A file whose path is stored already replaces the
    // stored one, and the replaced file is posted as removed first, so an observer never
    // shows two files for one path; a file stored already (the same object) or given twice is
    // posted once. An empty list posts nothing.
    void addFiles(const MCFileList &files);
    // Removes whatever is stored under each file's path and posts the stored files that were
    // removed (nothing when none was stored).
    void removeFiles(const MCFileList &files);

    // A new file for `path`, not added and not read from disk. Identifiers are strictly
    // increasing over the run, even for calls within one clock tick or from several threads.
    static std::shared_ptr<MCFile> newFileWithURL(const QString &path);

    // Files made by an import and not added yet: the path is taken, so a later import does not
    // make a second file for it. The claim ends when the file is added, removed, or released
    // by everyone who held it (an import that was thrown away), or is given up.
    void registerPendingFile(const std::shared_ptr<MCFile> &file);
    // Gives up the claims of these files (a cancelled import or update, whose files will never
    // be added): their paths are free for the next import at once, even while notifications
    // on their way still hold the files. Another file's claim on the same path stays.
    void unregisterPendingFiles(const MCFileList &files);
    // Ends every claim: the imports that made them were given up (the list was cleared), and
    // an import that finished just before may not have handed its files over yet.
    void unregisterAllPendingFiles();
    // Whether the library holds a file for the path or an import claimed it.
    bool isPathHeldOrPending(const QString &path) const;

    // The files in a posted notification's user info.
    static MCFileList filesFromUserInfo(const QVariantMap &userInfo);

private:
    mutable QReadWriteLock m_lock; // guards m_files and m_pending
    QHash<QString, std::shared_ptr<MCFile>> m_files;
    QHash<QString, std::weak_ptr<MCFile>> m_pending;
    qsizetype m_pendingPruneSize = 1024; // size at which expired claims are next swept
};
