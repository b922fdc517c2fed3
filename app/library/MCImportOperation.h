#pragma once

#include "app/library/MCFileContainer.h"
#include "platform/core/MCOperationQueue.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <memory>
#include <set>
#include <utility>

// Posted on the GUI thread when an import begins; the operation is the object, no user info.
extern const QString kMCImportOperationDidStartNotification; // "kMCImportOperationDidStartNotification"
// Posted on the GUI thread when an import ends, cancelled or not; the operation is the object.
// The user info always holds both keys; the lists may be empty.
extern const QString kMCImportOperationDidFinishNotification; // "kMCImportOperationDidFinishNotification"
// The new files (an MCFileList in a QVariant), in creation order; none is in the library yet.
extern const QString kMCImportOperationCreatedFilesKey; // "kMCImportOperationCreatedFilesKey"
// The scanned folders (a QStringList of absolute paths), in scan order.
extern const QString kMCImportOperationCreatedFolderURLsKey; // "kMCImportOperationCreatedFolderURLsKey"

// Turns dropped or chosen files and folders into new library files, on a worker thread.
// Folders are scanned with all their sub-folders; a file becomes an MCFile when its type is
// one of importTypes() and the library holds no file for its path yet. Nothing is read from
// the image files and nothing is added to the library: the caller receives the files in the
// finish notification (and normally runs an update operation on them).
//
// Inside folders hidden items (names beginning with ".") are left out, but a hidden file that
// was itself dropped is imported. Symbolic links are followed; a folder reached twice (a link
// loop, or a link to a folder already scanned) is scanned once. Folders that cannot be read
// and names that are not valid text in the file-name encoding (they could not be written back
// byte for byte) are skipped and logged. Anything that is not a regular file or a folder
// (a FIFO, a device) is never imported.
//
// A path is imported once: a file given both by itself and inside a given folder gives one
// file, and a path that an earlier import created a file for, still waiting for its update
// to add it to the library, is not created again.
class MCImportOperation : public MCOperation
{
public:
    MCImportOperation();

    // The files and folders to import, as absolute paths (duplicates are ignored).
    QStringList importURLs() const { return m_importURLs; }
    void setImportURLs(const QStringList &paths);
    // The type identifiers that may be imported (normally MCUTType::allowedTypeIdentifiers()).
    QSet<QString> importTypes() const { return m_importTypes; }
    void setImportTypes(const QSet<QString> &types) { m_importTypes = types; }

    // The new files of a finish notification's user info.
    static MCFileList createdFilesFromUserInfo(const QVariantMap &userInfo);

protected:
    void main() override;
    void cancelledBeforeStart() override;

private:
    void postFinish();
    struct FolderContents
    {
        QStringList fileURLs;
        QStringList folderURLs;
    };

    void scanFolderAtURL(const QString &folder, const QString &relativePath);
    FolderContents contentsOfFolderAtURL(const QString &folder);
    void importFolderAtURL(const QString &folder);
    void importFileAtURL(const QString &path, const QString &relativePath);
    bool isImportableFileName(const QString &name) const;

    QStringList m_importURLs;
    QSet<QString> m_importTypes;

    // Working state, touched only by the operation's own thread until the finish
    // notification hands the two result lists over.
    QHash<QString, QStringList> m_foundFileURLs;
    QHash<QString, QStringList> m_foundFolderURLs;
    QHash<QString, QString> m_relativePathToFolderMap;
    MCFileList m_createdFiles;
    QStringList m_createdFolderURLs;
    QSet<QString> m_createdPaths;                     // paths of m_createdFiles
    std::set<std::pair<dev_t, ino_t>> m_scannedFolders; // by identity, so link loops end
};
