#include "app/library/MCImportOperation.h"

#include "app/library/MCLogQuillon.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/types/UTType.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

const QString kMCImportOperationDidStartNotification = QStringLiteral("kMCImportOperationDidStartNotification");
const QString kMCImportOperationDidFinishNotification = QStringLiteral("kMCImportOperationDidFinishNotification");
const QString kMCImportOperationCreatedFilesKey = QStringLiteral("kMCImportOperationCreatedFilesKey");
const QString kMCImportOperationCreatedFolderURLsKey = QStringLiteral("kMCImportOperationCreatedFolderURLsKey");

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The name as a QString, or null when the bytes would not come back unchanged from it (a name
// that is not valid in the file-name encoding): such a file could be shown but never opened,
// renamed or written back under its own name.
QString decodedName(const char *bytes)
{
    const QByteArray raw(bytes);
    const QString name = QFile::decodeName(raw);
    return QFile::encodeName(name) == raw ? name : QString();
}

} // namespace

MCImportOperation::MCImportOperation() = default;

void MCImportOperation::setImportURLs(const QStringList &paths)
{
    m_importURLs.clear();
    QSet<QString> seen;
    for (const QString &path : paths) {
        const QString clean = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
        if (!clean.isEmpty() && !seen.contains(clean)) {
            seen.insert(clean);
            m_importURLs.append(clean);
        }
    }
}

MCFileList MCImportOperation::createdFilesFromUserInfo(const QVariantMap &userInfo)
{
    return userInfo.value(kMCImportOperationCreatedFilesKey).value<MCFileList>();
}

void MCImportOperation::main()
{
    const void *self = this;
    platform::dispatchMain([self] {
        MCNotificationCenter::defaultCenter().postNotificationName(kMCImportOperationDidStartNotification, self);
    });

    // Scan pass: every given folder with its sub-folders.
    for (const QString &path : std::as_const(m_importURLs)) {
        if (isCancelled())
            break;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        scanFolderAtURL(path, QFileInfo(path).fileName());
    }

    // Import pass: the files of the scanned folders, and the files given by themselves.
    for (const QString &path : std::as_const(m_importURLs)) {
        if (isCancelled())
            break;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            continue; // vanished or unreadable: nothing to import
        if (S_ISDIR(st.st_mode))
            importFolderAtURL(path);
        else if (S_ISREG(st.st_mode) && isImportableFileName(QFileInfo(path).fileName()))
            importFileAtURL(path, QString());
    }

    if (isCancelled()) {
        // A stopped import hands nothing on, and the paths it claimed are free again at once:
        // the same folder dropped right after the stop is imported in full.
        MCFileContainer::sharedContainer().unregisterPendingFiles(m_createdFiles);
        m_createdFiles.clear();
    }
    postFinish();
}

void MCImportOperation::cancelledBeforeStart()
{
    // Observers wait for the finish notification whenever the import ends.
    const void *self = this;
    platform::dispatchMain([self] {
        MCNotificationCenter::defaultCenter().postNotificationName(kMCImportOperationDidStartNotification, self);
    });
    postFinish();
}

void MCImportOperation::postFinish()
{
    const void *self = this;
    const QVariantMap userInfo{{kMCImportOperationCreatedFilesKey, QVariant::fromValue(m_createdFiles)},
                               {kMCImportOperationCreatedFolderURLsKey, m_createdFolderURLs}};
    platform::dispatchMain([self, userInfo] {
        MCNotificationCenter::defaultCenter().postNotificationName(kMCImportOperationDidFinishNotification, self,
                                                                    userInfo);
    });
}

void MCImportOperation::scanFolderAtURL(const QString &folder, const QString &relativePath)
{
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return;
    if (!m_scannedFolders.insert({st.st_dev, st.st_ino}).second)
        return; // reached again through a link: scanned once

    m_createdFolderURLs.append(folder);
    FolderContents contents = contentsOfFolderAtURL(folder);
    if (!contents.fileURLs.isEmpty())
        m_foundFileURLs.insert(folder, contents.fileURLs);
    if (!contents.folderURLs.isEmpty())
        m_foundFolderURLs.insert(folder, contents.folderURLs);
    m_relativePathToFolderMap.insert(folder, relativePath);

    for (const QString &subfolder : std::as_const(contents.folderURLs)) {
        if (isCancelled())
            return;
        const QString name = QFileInfo(subfolder).fileName();
        scanFolderAtURL(subfolder, relativePath.isEmpty() ? name : relativePath + QLatin1Char('/') + name);
    }
}

MCImportOperation::FolderContents MCImportOperation::contentsOfFolderAtURL(const QString &folder)
{
    FolderContents contents;
    const QByteArray folderBytes = QFile::encodeName(folder);
    const int fd = ::open(folderBytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        MCLogQuillon::import().error(
            QStringLiteral("Couldn't read the folder %1: %2").arg(folder, errorText(error)));
        return contents;
    }

    struct Child
    {
        QByteArray bytes;
        QString name;
        bool isFolder;
    };
    std::vector<Child> children;
    while (dirent *entry = ::readdir(dir)) {
        const char *raw = entry->d_name;
        if (raw[0] == '.')
            continue; // hidden, and "." and ".."
        bool isFolder = entry->d_type == DT_DIR;
        bool isFile = entry->d_type == DT_REG;
        if (!isFolder && !isFile) {
            // A link, or a file system that does not say: look at what the name leads to.
            struct stat st {};
            if (::fstatat(fd, raw, &st, 0) != 0)
                continue; // a dangling link
            isFolder = S_ISDIR(st.st_mode);
            isFile = S_ISREG(st.st_mode);
            if (!isFolder && !isFile)
                continue; // FIFOs, devices and sockets are never photos
        }
        const QString name = decodedName(raw);
        if (name.isNull()) {
            MCLogQuillon::import().error(QStringLiteral("Skipped a name that is not valid text in %1: %2")
                                             .arg(folder, QString::fromLatin1(QByteArray(raw).toPercentEncoding())));
            continue;
        }
        if (isFile && !isImportableFileName(name))
            continue;
        children.push_back({QByteArray(raw), name, isFolder});
        if (isCancelled())
            break;
    }
    ::closedir(dir);

    // Directory order depends on the file system; the name order is the same everywhere.
    std::sort(children.begin(), children.end(), [](const Child &a, const Child &b) { return a.bytes < b.bytes; });
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const Child &child : children)
        (child.isFolder ? contents.folderURLs : contents.fileURLs).append(prefix + child.name);
    return contents;
}

void MCImportOperation::importFolderAtURL(const QString &folder)
{
    const QString relativePath = m_relativePathToFolderMap.value(folder);
    for (const QString &file : m_foundFileURLs.value(folder)) {
        if (isCancelled())
            return;
        importFileAtURL(file, relativePath);
    }
    for (const QString &subfolder : m_foundFolderURLs.value(folder)) {
        if (isCancelled())
            return;
        importFolderAtURL(subfolder);
    }
}

void MCImportOperation::importFileAtURL(const QString &path, const QString &relativePath)
{
    MCFileContainer &library = MCFileContainer::sharedContainer();
    if (m_createdPaths.contains(path) || library.isPathHeldOrPending(path))
        return;
    std::shared_ptr<MCFile> file = MCFileContainer::newFileWithURL(path);
    file->setFolderRelativePath(relativePath);
    library.registerPendingFile(file);
    m_createdPaths.insert(path);
    m_createdFiles.append(std::move(file));
}

bool MCImportOperation::isImportableFileName(const QString &name) const
{
    const QString type = platform::UTTypeForFileName(name);
    return !type.isEmpty() && m_importTypes.contains(type);
}
