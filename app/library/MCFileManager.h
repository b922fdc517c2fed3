#pragma once

#include "app/library/MCFileOperationKinds.h"

#include <QString>
#include <QStringList>

#include <memory>

class MCBitmapConverter;
class MCError;
class MCMetadataConverter;

// Settings key: whether a conversion recreates each photo's folder below its imported folder
// under the chosen folder (spelled so).
extern const QString kMCCreateIntermidiateFoldersOnConvertKey; // "CreateIntermidiateFoldersOnConvert"

// The one entry point through which the user interface starts batch file operations. Its
// queue runs one operation at a time, in the order they were started: every copy, move,
// rename, convert, edit-metadata and set-date job of the application. Each async... method
// works out the destinations, builds the operation, queues it and returns it at once; the
// caller makes its progress sheet the operation's delegate. The completion (which may be
// empty) is called on the GUI thread when the operation ends.
//
// A file whose destination cannot be made (a name that is empty, ".", ".." or holds a "/")
// is left out of the operation.
class MCFileManager
{
public:
    static MCFileManager &defaultManager();

    MCFileManager();
    ~MCFileManager();
    MCFileManager(const MCFileManager &) = delete;
    MCFileManager &operator=(const MCFileManager &) = delete;

    // Into `folder` under each file's own name, or under names[i].
    std::shared_ptr<MCCopyOperation> asyncCopyFiles(const MCFileList &files, const QString &folder,
                                                    MCFileOperationCompletion completion);
    std::shared_ptr<MCCopyOperation> asyncCopyFiles(const MCFileList &files, const QString &folder,
                                                    const QStringList &names, MCFileOperationCompletion completion);
    std::shared_ptr<MCMoveOperation> asyncMoveFiles(const MCFileList &files, const QString &folder,
                                                    MCFileOperationCompletion completion);
    std::shared_ptr<MCMoveOperation> asyncMoveFiles(const MCFileList &files, const QString &folder,
                                                    const QStringList &names, MCFileOperationCompletion completion);
    // Each file to names[i] in its own folder.
    std::shared_ptr<MCRenameOperation> asyncRenameFiles(const MCFileList &files, const QStringList &names,
                                                        MCFileOperationCompletion completion);
    // Into `folder` under each file's base name with the converter's extension, or under
    // names[i] (which carry the extension). Sub-folders by "CreateIntermidiateFoldersOnConvert",
    // read now.
    std::shared_ptr<MCConvertOperation> asyncConvertFiles(const MCFileList &files, const QString &folder,
                                                          std::shared_ptr<MCConverterRole> converter,
                                                          MCFileOperationCompletion completion);
    std::shared_ptr<MCConvertOperation> asyncConvertFiles(const MCFileList &files, const QString &folder,
                                                          const QStringList &names,
                                                          std::shared_ptr<MCConverterRole> converter,
                                                          MCFileOperationCompletion completion);
    // The same with a bitmap converter; it must not be edited until the operation ends (the
    // Convert screen passes a copy).
    std::shared_ptr<MCConvertOperation> asyncConvertFiles(const MCFileList &files, const QString &folder,
                                                          std::shared_ptr<MCBitmapConverter> converter,
                                                          MCFileOperationCompletion completion);
    std::shared_ptr<MCEditMetadataOperation> asyncEditMetadataInFiles(const MCFileList &files,
                                                                      std::shared_ptr<MCMetadataEditor> converter,
                                                                      MCFileOperationCompletion completion);
    // The same with a metadata converter; it must not be edited until the operation ends
    // (the Edit Metadata dialog passes a copy).
    std::shared_ptr<MCEditMetadataOperation> asyncEditMetadataInFiles(const MCFileList &files,
                                                                      std::shared_ptr<MCMetadataConverter> converter,
                                                                      MCFileOperationCompletion completion);
    std::shared_ptr<MCSetFileDateOperation> asyncSetCreationDateFromCaptureDateForFiles(
        const MCFileList &files, bool changeModification, MCFileOperationCompletion completion);

    // The serial queue the operations run on.
    MCOperationQueue &queue() { return m_queue; }

    // A path at which nothing exists yet, derived from `path`: `path` itself when it is free,
    // else "<path without extension> N[.<extension>]" for N = 2, 3, ... ("photo 2.jpg").
    // A dangling symbolic link counts as existing. The search is bounded: when every
    // candidate up to the bound is taken the answer is the empty string. The answer is only
    // as good as the moment of the check; use reserveUniqueFileURLForURL() to hold the name.
    QString uniqueFileURLForURL(const QString &path) const;

    // The same search, but the free name is claimed by creating an empty file there
    // exclusively, so two writers never receive the same name: a name taken between the
    // check and the creation is skipped and the search goes on. The caller replaces the
    // empty file (for example by renaming its finished file over it). Empty string and
    // *error filled when no name could be claimed (folder missing or unwritable, bound hit).
    QString reserveUniqueFileURLForURL(const QString &path, MCError *error = nullptr) const;

    // Puts back the photos a batch move or rename of a run that crashed or was killed left
    // set aside under "<stem> (moving)<ext>": each goes back to its own name, or to a free
    // numbered name beside it when that is taken (see MCSetAsideJournal). Done once by the
    // first defaultManager() call; the application may call it earlier at start-up. Answers
    // how many were put back.
    int recoverSetAsideFiles();

    // How many numbered candidates are tried before giving up.
    static constexpr int kMaximumUniqueNameAttempts = 10000;

private:
    // The destinations of the files in `folder` under `names` (or their own names), with the
    // files whose destination can be made.
    static void destinations(const MCFileList &files, const QString &folder, const QStringList *names,
                             MCFileList *keptFiles, QStringList *urls);
    // Queues an operation of that kind over the files' destinations (see destinations()).
    template <typename Operation>
    std::shared_ptr<Operation> queuedWithDestinations(const MCFileList &files, const QString &folder,
                                                      const QStringList *names, MCFileOperationCompletion completion);

    MCOperationQueue m_queue;
};
