#include "app/library/MCFileOperationImpl.h"

#include "app/library/MCFile.h"
#include "app/library/MCFileManager.h"
#include "app/library/MCFileOperationKinds.h"
#include "app/library/MCPathManager.h"
#include "platform/core/MCFileAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCFileOperation", text); }

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

QString cleanAbsolute(const QString &path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Why nothing can be written into `path`'s folder, or a null error.
MCError destinationFolderError(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    struct stat st {};
    if (::stat(encoded(folder).constData(), &st) != 0)
        return platform::posixError(errno, folder);
    if (!S_ISDIR(st.st_mode))
        return platform::posixError(ENOTDIR, folder);
    if (::access(encoded(folder).constData(), W_OK | X_OK) != 0)
        return platform::posixError(errno, folder);
    return {};
}

// Removes our temporary file when it goes out of scope.
class TemporaryFile
{
public:
    TemporaryFile(MCFileSystemCalls &calls, QString path) : m_calls(calls), m_path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!m_path.isEmpty())
            m_calls.removeFile(encoded(m_path));
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    void release() { m_path.clear(); }

private:
    MCFileSystemCalls &m_calls;
    QString m_path;
};

constexpr size_t kCopyBufferSize = size_t(1) << 20;

} // namespace

namespace MCFileOperationErrors {

MCError alreadyExistsError(const QString &path)
{
    const QFileInfo info(path);
    MCError error(MCCocoaErrorDomain, MCFileWriteFileExistsError,
                  tr("“%1” couldn’t be written because an item with the same name already exists.").arg(info.fileName()),
                  tr("An item named “%1” already exists in “%2”.").arg(info.fileName(), QFileInfo(info.absolutePath()).fileName()));
    error.setUserInfoValue(MCFilePathErrorKey, path);
    error.setUnderlyingError(MCError::errorWithPOSIXCode(EEXIST, path));
    return error;
}

MCError cancelledError(const QString &path)
{
    MCError error(MCCocoaErrorDomain, MCUserCancelledError, tr("The operation was cancelled."));
    error.setUserInfoValue(MCFilePathErrorKey, path);
    return error;
}

} // namespace MCFileOperationErrors

using namespace MCFileOperationErrors;

MCFileOperationImpl::MCFileOperationImpl(MCFileOperation *operation) : MCItemOperationImpl(operation) {}

bool MCFileOperationImpl::isCancelled() const
{
    return fileOperation()->isCancelled();
}

MCFileSystemCalls &MCFileOperationImpl::calls() const
{
    return fileOperation()->fileSystemCalls();
}

void MCFileOperationImpl::cleanup()
{
    MCPathManager::defaultManager().cleanupTemporaryURLs();
}

// ---------------------------------------------------------------- copy and move

bool MCFileOperationImpl::copyFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error)
{
    return transferWithResolution(Transfer::Copy, file, fileOperation()->sourcePathForFile(*file), destination, error);
}

bool MCFileOperationImpl::moveFile(const std::shared_ptr<MCFile> &file, QString &destination, MCError *error)
{
    return transferWithResolution(Transfer::Move, file, fileOperation()->sourcePathForFile(*file), destination, error);
}

bool MCFileOperationImpl::transferWithResolution(Transfer kind, const std::shared_ptr<MCFile> &file,
                                                 const QString &source, QString &destination, MCError *error)
{
    // Onto its own path: nothing to do, and the destination is the result.
    if (kind != Transfer::Place && cleanAbsolute(source) == cleanAbsolute(destination))
        return true;
    MCError failure;
    if (transferFile(kind, source, destination, false, &failure))
        return true;
    const QString intended = destination; // free names are found beside it

    // Answers used without asking, in a row: a remembered "Replace" or "Keep Both Files"
    // is retried once; when that fails too, the user is asked.
    int unaskedRounds = 0;
    for (;;) {
        if (isCancelled() || failure.is(MCCocoaErrorDomain, MCUserCancelledError))
            return MCSetError(error, failure);
        MCFileOperation::ResolveOptions options;
        options.protectedDestination = fileOperation()->isProtectedDestination(destination);
        options.forceAsk = unaskedRounds >= 1;
        bool asked = false;
        const MCResolveAction action = fileOperation()->resolveError(failure, file, destination, options, &asked);
        unaskedRounds = asked ? 0 : unaskedRounds + 1;

        bool done = false;
        switch (action.actionType) {
        case MCResolveActionTryAgain:
            done = transferFile(kind, source, destination, false, &failure);
            break;
        case MCResolveActionKeepBoth: {
            // The free name is only as good as the moment of the check, but the transfer
            // never replaces: a name taken meanwhile is one more conflict.
            const QString unique = MCFileManager::defaultManager().uniqueFileURLForURL(intended);
            if (unique.isEmpty()) {
                failure = MCError(MCCocoaErrorDomain, MCFileWriteUnknownError,
                                  tr("No free name could be found for “%1”.").arg(QFileInfo(destination).fileName()));
                break;
            }
            destination = unique;
            done = transferFile(kind, source, destination, false, &failure);
            break;
        }
        case MCResolveActionReplace:
            if (fileOperation()->isProtectedDestination(destination)) {
                failure = alreadyExistsError(destination); // never a file of this operation
                break;
            }
            done = transferFile(kind, source, destination, true, &failure);
            break;
        default:
            return MCSetError(error, failure);
        }
        if (done)
            return true;
    }
}

bool MCFileOperationImpl::transferFile(Transfer kind, const QString &source, const QString &destination, bool replace,
                                       MCError *error)
{
    if (kind == Transfer::Copy)
        return copyThenPlace(source, destination, replace, false, error);

    const QByteArray from = encoded(source);
    const QByteArray to = encoded(destination);
    if (kind == Transfer::Place && replace) {
        // Our finished file reaches the disk before its name replaces anything.
        const int fd = calls().openFile(from, O_RDONLY, 0);
        if (fd < 0 || calls().syncFile(fd) != 0) {
            const int reason = errno;
            if (fd >= 0)
                calls().closeFile(fd);
            return MCSetError(error, platform::posixError(reason, destination));
        }
        calls().closeFile(fd);
    }
    if (calls().renameFile(from, to, replace) == 0)
        return true;
    const int reason = errno;
    if (reason == EXDEV)
        return copyThenPlace(source, destination, replace, true, error);
    if (reason == EEXIST)
        return MCSetError(error, alreadyExistsError(destination));
    struct stat st {};
    if (::lstat(from.constData(), &st) != 0)
        return MCSetError(error, platform::posixError(errno, source)); // the source is gone
    return MCSetError(error, platform::posixError(reason, destination));
}

bool MCFileOperationImpl::copyThenPlace(const QString &source, const QString &destination, bool replace,
                                        bool removeSource, MCError *error)
{
    // What can be known before a long copy is checked first.
    if (const MCError folderError = destinationFolderError(destination))
        return MCSetError(error, folderError);
    if (removeSource && ::access(encoded(QFileInfo(source).absolutePath()).constData(), W_OK | X_OK) != 0)
        return MCSetError(error, platform::posixError(errno, QFileInfo(source).absolutePath()));

    const int input = calls().openFile(encoded(source), O_RDONLY, 0);
    if (input < 0)
        return MCSetError(error, platform::posixError(errno, source));
    struct InputCloser
    {
        MCFileSystemCalls &calls;
        int fd;
        ~InputCloser() { calls.closeFile(fd); }
    } inputCloser{calls(), input};
    struct stat sourceStat {};
    if (::fstat(input, &sourceStat) != 0)
        return MCSetError(error, platform::posixError(errno, source));
    if (!S_ISREG(sourceStat.st_mode))
        return MCSetError(error, platform::posixError(S_ISDIR(sourceStat.st_mode) ? EISDIR : EINVAL, source));

    const QString temporary = MCPathManager::defaultManager().temporaryFileURLAppropriateForURL(destination);
    calls().removeFile(encoded(temporary));
    const int output = calls().openFile(encoded(temporary), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (output < 0)
        return MCSetError(error, platform::posixError(errno, destination));
    TemporaryFile temporaryFile(calls(), temporary);
    bool outputOpen = true;
    auto fail = [&](const MCError &failure) {
        if (outputOpen)
            calls().closeFile(output);
        return MCSetError(error, failure);
    };

    if (!m_copyBuffer)
        m_copyBuffer.reset(new char[kCopyBufferSize]); // not zero-filled: every byte used is read first
    char *const buffer = m_copyBuffer.get();
    qint64 total = 0;
    for (;;) {
        if (isCancelled())
            return fail(cancelledError(destination));
        const ssize_t got = calls().readFile(input, buffer, kCopyBufferSize);
        if (got < 0)
            return fail(platform::posixError(errno, source));
        if (got == 0)
            break;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = calls().writeFile(output, buffer + written, size_t(got - written));
            if (put < 0)
                return fail(platform::posixError(errno, destination));
            if (put == 0)
                return fail(platform::posixError(ENOSPC, destination));
            written += put;
        }
        total += got;
    }
    // The copy holds the whole photo: as many bytes as the source had when it was opened,
    // and has now.
    struct stat after {};
    struct stat copied {};
    if (::fstat(input, &after) != 0 || ::fstat(output, &copied) != 0 || total != qint64(sourceStat.st_size) ||
        after.st_size != sourceStat.st_size || copied.st_size != sourceStat.st_size) {
        return fail(MCError(MCCocoaErrorDomain, MCFileReadUnknownError,
                            tr("“%1” couldn’t be copied completely.").arg(QFileInfo(source).fileName()),
                            tr("The file changed or could not be read to its end while it was copied.")));
    }
    ::fchmod(output, sourceStat.st_mode & 07777);
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    ::futimens(output, times);
    // A copy that replaces a file, or after which the source goes, reaches the disk before
    // its name does; a copy beside a source that stays need not wait for the disk.
    if ((replace || removeSource) && calls().syncFile(output) != 0)
        return fail(platform::posixError(errno, destination));
    outputOpen = false;
    if (calls().closeFile(output) != 0)
        return MCSetError(error, platform::posixError(errno, destination));

    if (calls().renameFile(encoded(temporary), encoded(destination), replace) != 0) {
        const int reason = errno;
        return MCSetError(error, reason == EEXIST ? alreadyExistsError(destination)
                                                  : platform::posixError(reason, destination));
    }
    temporaryFile.release();
    if (!removeSource)
        return true;

    // The source goes only once the destination's folder holds the new name on the disk.
    const QString folder = QFileInfo(destination).absolutePath();
    const int folderFd = calls().openFile(encoded(folder), O_RDONLY | O_DIRECTORY, 0);
    int syncError = 0;
    if (folderFd < 0 || (calls().syncFile(folderFd) != 0 && errno != EINVAL))
        syncError = errno;
    if (folderFd >= 0)
        calls().closeFile(folderFd);
    if (syncError == 0 && calls().removeFile(encoded(source)) == 0)
        return true;
    const int reason = syncError != 0 ? syncError : errno;
    if (!replace) {
        // The photo is still at its source: take the copy back, so the move either happened
        // or did not. A copy that replaced a file stays (the file it replaced is gone).
        struct stat placed {};
        if (::lstat(encoded(destination).constData(), &placed) == 0 && placed.st_ino == copied.st_ino &&
            placed.st_dev == copied.st_dev)
            calls().removeFile(encoded(destination));
    }
    return MCSetError(error, platform::posixError(reason, syncError != 0 ? destination : source));
}

// ---------------------------------------------------------------- convert

bool MCFileOperationImpl::convertFile(const std::shared_ptr<MCFile> &file, QString &destination,
                                      MCConverterRole &converter, bool createIntermediateFolders, MCError *error)
{
    const QString temporary = MCPathManager::defaultManager().temporaryFileURLAppropriateForURL(destination);
    calls().removeFile(encoded(temporary));
    TemporaryFile temporaryFile(calls(), temporary); // whatever is left of it goes on every way out

    MCError failure;
    for (;;) {
        const bool converted = converter.convertFile(*file, temporary, &failure);
        if (isCancelled())
            return MCSetError(error, converted || failure.isNull() ? cancelledError(destination) : failure);
        if (converted)
            break;
        if (failure.isNull())
            failure = MCError(MCErrorDomain, 1, tr("“%1” could not be converted.").arg(file->fileName()));
        // A stage's failure ("Skip", "Stop") is final; a file that could not be read or
        // written is offered "Try Again", and then it is converted again.
        const MCResolveAction action = fileOperation()->resolveError(failure, file, destination);
        if (action.actionType != MCResolveActionTryAgain || isCancelled())
            return MCSetError(error, failure);
        calls().removeFile(encoded(temporary));
    }

    const QString relative = file->folderRelativePath();
    if (createIntermediateFolders && !relative.isEmpty()) {
        const QFileInfo info(destination);
        const QString folder = QDir::cleanPath(joined(info.absolutePath(), relative));
        // Made one level at a time, so a failure says where.
        bool made = true;
        QString path;
        for (const QString &part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            path += QLatin1Char('/') + part;
            if (calls().makeFolder(encoded(path), 0777) != 0 && !(errno == EEXIST && QFileInfo(path).isDir())) {
                made = false;
                break;
            }
        }
        if (made)
            destination = joined(folder, info.fileName());
        else
            qWarning("%s", qPrintable(QStringLiteral("Could not create a folder: %1").arg(relative)));
    }
    return transferWithResolution(Transfer::Place, file, temporary, destination, error);
}

// ---------------------------------------------------------------- metadata and dates

bool MCFileOperationImpl::editMetadataInFile(const std::shared_ptr<MCFile> &file, MCMetadataEditor &converter,
                                             MCError *error)
{
    MCError failure;
    if (converter.editMedataInFile(*file, &failure, [this] { return isCancelled(); }))
        return true;
    if (failure.isNull())
        failure = MCError(MCErrorDomain, 3, tr("Metadata of “%1” couldn’t be edited.").arg(file->fileName()));
    if (!isCancelled())
        fileOperation()->resolveError(failure, file, QString());
    return MCSetError(error, failure);
}

bool MCFileOperationImpl::setFileCreationDateFromCaptureDateInFile(const std::shared_ptr<MCFile> &file,
                                                                   bool changeModification, MCError *error)
{
    MCError failure;
    const std::optional<QDateTime> date = file->browserItemCaptureDate();
    const QString path = file->filePath();
    if (!date) {
        failure = MCError(MCErrorDomain, MCFileOperationErrors::kNoCaptureDate,
                          tr("\"%1\" has no Capture Date.").arg(path), QString(),
                          tr("The image doesn't contain Capture Date in EXIF metadata (“Date Time Original” or "
                             "“Date Time Digitized” tags)."));
    } else {
        bool modificationSet = false;
        if (changeModification) {
            const qint64 milliseconds = date->toMSecsSinceEpoch();
            struct timespec times[2] {};
            times[0].tv_nsec = UTIME_OMIT;
            times[1].tv_sec = time_t(milliseconds >= 0 ? milliseconds / 1000 : (milliseconds - 999) / 1000);
            times[1].tv_nsec = long((milliseconds - qint64(times[1].tv_sec) * 1000) * 1000000);
            if (calls().setFileTimes(encoded(path), times) != 0)
                failure = platform::posixError(errno, path);
            else
                modificationSet = true;
        }
        if (failure.isNull()) {
            // Linux keeps a file's birth time but offers no call that sets it: the creation
            // part is never reported done.
            failure = MCError(MCErrorDomain, MCFileOperationErrors::kCreationDateNotSettable,
                              tr("The creation date of “%1” can’t be set.").arg(QFileInfo(path).fileName()),
                              modificationSet ? tr("This system doesn’t let applications change a file’s creation "
                                                   "date. Its modification date was set to the capture date.")
                                              : tr("This system doesn’t let applications change a file’s creation "
                                                   "date."));
        }
    }
    if (!isCancelled())
        fileOperation()->resolveError(failure, file, QString());
    return MCSetError(error, failure);
}
