#pragma once

#include "app/library/MCFile.h"

#include <QHash>
#include <QList>
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
// the GUI thread only; notifications are posted on the calling thread.
class MCFileContainer
{
public:
    static MCFileContainer &sharedContainer();

    MCFileList allFiles() const { return m_files.values(); }
    qint64 numberOfFiles() const { return m_files.size(); }
    std::shared_ptr<MCFile> fileWithPath(const QString &path) const { return m_files.value(path); }
    bool containsFileWithPath(const QString &path) const { return m_files.contains(path); }

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
    QHash<QString, std::shared_ptr<MCFile>> m_files;
};
