#include "app/library/MCFileManager.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCConvertOutputNames.h"
#include "app/library/MCFile.h"
#include "app/library/MCSetAsideJournal.h"
#include "platform/core/MCError.h"
#include "platform/core/MCUserDefaults.h"

#include <QFile>
#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// True when anything, even a dangling link, has this name.
bool nameExists(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 || errno != ENOENT;
}

// Splits the last path component at its extension; a leading dot (a hidden name) starts no
// extension.
struct NameParts
{
    QString stem;      // the path without its extension (and without the dot)
    QString extension; // without the dot; may be empty
};

NameParts splitExtension(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        return {path, {}};
    return {path.left(dot), path.mid(dot + 1)};
}

QString candidate(const NameParts &parts, int number)
{
    QString name = parts.stem + QLatin1Char(' ') + QString::number(number);
    if (!parts.extension.isEmpty())
        name += QLatin1Char('.') + parts.extension;
    return name;
}

// Tries `path`, then the numbered candidates, until `accept` takes one.
template <typename Accept>
QString firstAccepted(const QString &path, Accept accept)
{
    if (accept(path))
        return path;
    const NameParts parts = splitExtension(path);
    for (int number = 2; number < MCFileManager::kMaximumUniqueNameAttempts + 2; ++number) {
        const QString name = candidate(parts, number);
        if (accept(name))
            return name;
    }
    return {};
}

} // namespace

const QString kMCCreateIntermidiateFoldersOnConvertKey = QStringLiteral("CreateIntermidiateFoldersOnConvert");

MCFileManager &MCFileManager::defaultManager()
{
    static MCFileManager manager;
    // Photos a crashed run left set aside go back before this run moves anything.
    static std::once_flag recovered;
    std::call_once(recovered, [] { manager.recoverSetAsideFiles(); });
    return manager;
}

int MCFileManager::recoverSetAsideFiles()
{
    // Never through defaultManager(): this runs inside its first call.
    return MCSetAsideJournal::sharedJournal().recover(MCFileSystemCalls::systemCalls(), [this](const QString &path) {
        return uniqueFileURLForURL(path);
    });
}

MCFileManager::MCFileManager()
{
    m_queue.setName(QStringLiteral("MCFileManager"));
    m_queue.setMaxConcurrentOperationCount(1);
}

MCFileManager::~MCFileManager() = default;

void MCFileManager::destinations(const MCFileList &files, const QString &folder, const QStringList *names,
                                 MCFileList *keptFiles, QStringList *urls)
{
    for (qsizetype i = 0; i < files.size(); ++i) {
        const std::shared_ptr<MCFile> &file = files[i];
        if (!file || (names && i >= names->size()))
            continue;
        const QString name = names ? names->at(i) : QFileInfo(file->filePath()).fileName();
        const QString base = folder.isNull() ? file->folderPath() : folder;
        if (base.isEmpty() || name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
            name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
            continue; // no destination can be made
        keptFiles->append(file);
        urls->append(base.endsWith(QLatin1Char('/')) ? base + name : base + QLatin1Char('/') + name);
    }
}

namespace {

template <typename Operation>
std::shared_ptr<Operation> queued(MCOperationQueue &queue, std::shared_ptr<Operation> operation)
{
    queue.addOperation(operation);
    return operation;
}

// Copy, move and convert need a folder: a null one becomes empty, which makes no destination,
// rather than each file's own folder (what a null folder means to rename).
QString folderOrEmpty(const QString &folder)
{
    return folder.isNull() ? QStringLiteral("") : folder;
}

} // namespace

template <typename Operation>
std::shared_ptr<Operation> MCFileManager::queuedWithDestinations(const MCFileList &files, const QString &folder,
                                                                 const QStringList *names,
                                                                 MCFileOperationCompletion completion)
{
    MCFileList kept;
    QStringList urls;
    destinations(files, folder, names, &kept, &urls);
    auto operation = std::make_shared<Operation>(std::move(completion));
    operation->setAllItems(kept, urls);
    return queued(m_queue, operation);
}

std::shared_ptr<MCCopyOperation> MCFileManager::asyncCopyFiles(const MCFileList &files, const QString &folder,
                                                               MCFileOperationCompletion completion)
{
    return queuedWithDestinations<MCCopyOperation>(files, folderOrEmpty(folder), nullptr, std::move(completion));
}

std::shared_ptr<MCCopyOperation> MCFileManager::asyncCopyFiles(const MCFileList &files, const QString &folder,
                                                               const QStringList &names,
                                                               MCFileOperationCompletion completion)
{
    return queuedWithDestinations<MCCopyOperation>(files, folderOrEmpty(folder), &names, std::move(completion));
}

std::shared_ptr<MCMoveOperation> MCFileManager::asyncMoveFiles(const MCFileList &files, const QString &folder,
                                                               MCFileOperationCompletion completion)
{
    return queuedWithDestinations<MCMoveOperation>(files, folderOrEmpty(folder), nullptr, std::move(completion));
}

std::shared_ptr<MCMoveOperation> MCFileManager::asyncMoveFiles(const MCFileList &files, const QString &folder,
                                                               const QStringList &names,
                                                               MCFileOperationCompletion completion)
{
    return queuedWithDestinations<MCMoveOperation>(files, folderOrEmpty(folder), &names, std::move(completion));
}

std::shared_ptr<MCRenameOperation> MCFileManager::asyncRenameFiles(const MCFileList &files, const QStringList &names,
                                                                   MCFileOperationCompletion completion)
{
    // A null folder: each file's own.
    return queuedWithDestinations<MCRenameOperation>(files, QString(), &names, std::move(completion));
}

std::shared_ptr<MCConvertOperation> MCFileManager::asyncConvertFiles(const MCFileList &files, const QString &folder,
                                                                     std::shared_ptr<MCConverterRole> converter,
                                                                     MCFileOperationCompletion completion)
{
    QStringList names;
    const QString extension = converter ? converter->imageFileExtension() : QString();
    for (const std::shared_ptr<MCFile> &file : files) {
        // The name the Convert screen predicts: only the last extension is replaced, so
        // "x.1.png" and "x.2.png" do not both become "x.jpg".
        names.append(file ? MCConvertOutputNameForTitle(QFileInfo(file->filePath()).fileName(), extension) : QString());
    }
    return asyncConvertFiles(files, folder, names, std::move(converter), std::move(completion));
}

std::shared_ptr<MCConvertOperation> MCFileManager::asyncConvertFiles(const MCFileList &files, const QString &folder,
                                                                     const QStringList &names,
                                                                     std::shared_ptr<MCConverterRole> converter,
                                                                     MCFileOperationCompletion completion)
{
    MCFileList kept;
    QStringList urls;
    destinations(files, folderOrEmpty(folder), &names, &kept, &urls);
    auto operation = std::make_shared<MCConvertOperation>(std::move(completion));
    const bool subfolders = MCUserDefaults::standardUserDefaults().boolForKey(kMCCreateIntermidiateFoldersOnConvertKey);
    operation->setAllItems(kept, urls, std::move(converter), subfolders);
    return queued(m_queue, operation);
}

std::shared_ptr<MCConvertOperation> MCFileManager::asyncConvertFiles(const MCFileList &files, const QString &folder,
                                                                     std::shared_ptr<MCBitmapConverter> converter,
                                                                     MCFileOperationCompletion completion)
{
    std::shared_ptr<MCConverterRole> role;
    if (converter)
        role = std::make_shared<MCBitmapConverterRole>(std::move(converter));
    return asyncConvertFiles(files, folder, std::move(role), std::move(completion));
}

std::shared_ptr<MCEditMetadataOperation> MCFileManager::asyncEditMetadataInFiles(
    const MCFileList &files, std::shared_ptr<MCMetadataEditor> converter, MCFileOperationCompletion completion)
{
    auto operation = std::make_shared<MCEditMetadataOperation>(std::move(completion));
    operation->setAllItems(files, std::nullopt, std::move(converter));
    return queued(m_queue, operation);
}

std::shared_ptr<MCEditMetadataOperation> MCFileManager::asyncEditMetadataInFiles(
    const MCFileList &files, std::shared_ptr<MCMetadataConverter> converter, MCFileOperationCompletion completion)
{
    std::shared_ptr<MCMetadataEditor> editor;
    if (converter)
        editor = std::make_shared<MCMetadataConverterEditor>(std::move(converter));
    return asyncEditMetadataInFiles(files, std::move(editor), std::move(completion));
}

std::shared_ptr<MCSetFileDateOperation> MCFileManager::asyncSetCreationDateFromCaptureDateForFiles(
    const MCFileList &files, bool changeModification, MCFileOperationCompletion completion)
{
    auto operation = std::make_shared<MCSetFileDateOperation>(std::move(completion));
    operation->setAllItems(files, std::nullopt, changeModification);
    return queued(m_queue, operation);
}

QString MCFileManager::uniqueFileURLForURL(const QString &path) const
{
    if (path.isEmpty())
        return {};
    // A nameExists() error other than "no such file" (permissions, loops) counts as taken.
    return firstAccepted(path, [](const QString &name) { return !nameExists(name); });
}

QString MCFileManager::reserveUniqueFileURLForURL(const QString &path, MCError *error) const
{
    if (path.isEmpty()) {
        MCSetError(error, MCError::errorWithPOSIXCode(ENOENT, path));
        return {};
    }
    int failure = 0;
    const QString name = firstAccepted(path, [&failure](const QString &candidatePath) {
        if (failure != 0)
            return false;
        const int fd = ::open(QFile::encodeName(candidatePath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != EEXIST)
            failure = errno; // the folder itself is the problem: stop searching
        return false;
    });
    if (!name.isEmpty())
        return name;
    MCError reason = MCError::errorWithPOSIXCode(failure != 0 ? failure : EEXIST, path);
    MCSetError(error, MCError(MCCocoaErrorDomain, failure != 0 ? MCFileWriteUnknownError : MCFileWriteFileExistsError,
                              QCoreApplication::translate("MCFileManager", "No free name could be found for “%1”.").arg(QFileInfo(path).fileName())));
    if (error)
        error->setUnderlyingError(reason);
    return {};
}
