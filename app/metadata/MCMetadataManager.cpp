#include "app/metadata/MCMetadataManager.h"

#include "app/library/MCPathManager.h"
#include "app/metadata/ExifTool.h"
#include "halvard/collections/MCOrderedDictionary.h"
#include "platform/core/MCBundle.h"
#include "platform/core/MCFileReading.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

const QString kMCMetadataPreScriptsKey = QStringLiteral("MCMetadataPreScriptsKey");
const QString kMCMetadataPostScriptsKey = QStringLiteral("MCMetadataPostScriptsKey");

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCMetadataManager", text); }

QString notFoundText() { return tr("exiftool is not found."); }

MCError metadataError(qint64 code, const QString &path, const QString &recovery, const MCError &underlying = {})
{
    const char *format = code == 1 ? "Metadata of \"%1\" couldn't be read." : "Metadata of \"%1\" couldn't be edited.";
    MCError error(MCErrorDomain, code, tr(format).arg(QFileInfo(path).fileName()), QString(), recovery);
    if (!underlying.isNull())
        error.setUnderlyingError(underlying);
    return error;
}

// Why a command gave no answer, in words.
QString resultText(int result)
{
    switch (result) {
    case ExifTool::NoAnswer: return tr("exiftool did not answer in time.");
    case ExifTool::NotRunning: return tr("exiftool could not be started or quit unexpectedly.");
    case ExifTool::PipeFailed: return tr("The connection to exiftool failed.");
    case ExifTool::NoErrorMarker: return tr("exiftool did not finish its answer.");
    case ExifTool::Cancelled: return tr("The operation was cancelled.");
    default: return tr("exiftool failed.");
    }
}

void echo(const QByteArray &text)
{
    if (!text.trimmed().isEmpty())
        qInfo().noquote() << QString::fromUtf8(text).trimmed();
}

bool hasErrorLine(const QByteArray &text)
{
    for (const QByteArray &line : text.split('\n'))
        if (line.trimmed().startsWith("Error"))
            return true;
    return false;
}

// A write or script succeeded when the tool answered, printed no error and reports the file
// updated or unchanged. Fills *message with the reason otherwise.
bool commandSucceeded(ExifTool &tool, QString *message)
{
    const int result = tool.lastResult();
    if (result < 1) {
        qInfo("Error executing exiftool!");
        const QByteArray said = tool.standardError().trimmed();
        *message = said.isEmpty() ? resultText(result) : resultText(result) + QLatin1Char('\n') + QString::fromUtf8(said);
        return false;
    }
    const QByteArray errorText = tool.standardError();
    echo(errorText);
    const int updated = std::max(tool.summaryCount("image files updated"), 0);
    const int unchanged = std::max(tool.summaryCount("image files unchanged"), 0);
    const int failed = std::max(tool.summaryCount("files weren't updated due to errors"), 0);
    if (!hasErrorLine(errorText) && failed == 0 && updated + unchanged >= 1)
        return true;
    *message = errorText.trimmed().isEmpty() ? tr("exiftool did not update the file.")
                                             : QString::fromUtf8(errorText.trimmed());
    return false;
}

// Pseudo tags that rename, move or link the file instead of changing its metadata.
bool movesTheFile(const QByteArray &name)
{
    QByteArray bare = name.mid(name.lastIndexOf(':') + 1).toLower();
    while (bare.endsWith('+') || bare.endsWith('-') || bare.endsWith('#'))
        bare.chop(1);
    return bare == "filename" || bare == "directory" || bare == "hardlink" || bare == "symlink" || bare == "testname";
}

// The bytes of one value; none for a type that has no written form.
std::optional<QByteArray> valueBytes(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QByteArray(); // delete the tag
    switch (value.typeId()) {
    case QMetaType::QString: return value.toString().toUtf8();
    case QMetaType::QByteArray: return value.toByteArray();
    case QMetaType::Double:
    case QMetaType::Float: return MCExifTool::stringFromNumber(value.toDouble()).toUtf8();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort: return value.toString().toUtf8(); // QVariant formats numbers locale-free
    default: return std::nullopt; // never guess: a value read as empty would delete the tag
    }
}

// The values written for one entry: one per list item (the tool replaces a list tag by the
// items assigned in one command), a single deletion for an empty list; none when an item has
// no written form.
std::optional<QList<QByteArray>> entryValues(const QVariant &value)
{
    const int type = value.typeId();
    if (type != QMetaType::QStringList && type != QMetaType::QVariantList) {
        std::optional<QByteArray> bytes = valueBytes(value);
        if (!bytes)
            return std::nullopt;
        return QList<QByteArray>{*bytes};
    }
    QList<QByteArray> items;
    for (const QVariant &item : value.toList()) {
        std::optional<QByteArray> bytes = item.isNull() ? std::nullopt : valueBytes(item);
        if (!bytes)
            return std::nullopt;
        if (!bytes->isEmpty()) // an empty item would delete the items before it
            items.append(*bytes);
    }
    if (items.isEmpty())
        items.append(QByteArray());
    return items;
}

// A script with "%s" replaced textually by the copy's path; lines that hold the path are
// passed in the tool's escaped form when the path needs it.
QByteArray scriptCommand(const QString &script, const QByteArray &path)
{
    QByteArray command;
    for (const QByteArray &line : script.toUtf8().split('\n')) {
        if (line.isEmpty())
            continue;
        if (!line.contains("%s")) {
            command += line + '\n';
            continue;
        }
        QByteArray argument = line;
        argument.replace("%s", path);
        command += ExifTool::argumentLine(argument);
    }
    return command;
}

QString posixText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Copies the bytes of `source` into the open, empty `fd`.
bool copyContents(const QByteArray &source, int fd, int *failure)
{
    // Only a regular file is copied: a FIFO or device put in the photo's place would block the
    // edit or fill the disk.
    const int in = platform::openRegularFile(source, failure);
    if (in < 0)
        return false;
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    while (true) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n > 0 && !writeAll(fd, buffer.data(), size_t(n)))) {
            *failure = errno ? errno : EIO;
            ok = false;
            break;
        }
        if (n == 0)
            break;
    }
    ::close(in);
    return ok; // flushed to disk only once edited, just before it replaces the photo
}

// Gives `copy` the original's mode, owner (where allowed) and extended attributes.
bool copyAttributes(const QByteArray &original, const QByteArray &copy, int *failure)
{
    struct stat st {};
    if (::stat(original.constData(), &st) != 0 || ::chmod(copy.constData(), st.st_mode & 07777) != 0) {
        *failure = errno;
        return false;
    }
    [[maybe_unused]] int owned = ::chown(copy.constData(), st.st_uid, st.st_gid); // only root may give away
    const ssize_t listSize = ::listxattr(original.constData(), nullptr, 0);
    if (listSize <= 0)
        return true; // none, or not supported here
    QByteArray names(listSize, '\0');
    const ssize_t got = ::listxattr(original.constData(), names.data(), size_t(names.size()));
    for (const QByteArray &name : names.left(std::max<ssize_t>(got, 0)).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t size = ::getxattr(original.constData(), name.constData(), nullptr, 0);
        if (size < 0)
            continue;
        QByteArray value(size, '\0');
        const ssize_t read = ::getxattr(original.constData(), name.constData(), value.data(), size_t(value.size()));
        if (read < 0)
            continue;
        if (::setxattr(copy.constData(), name.constData(), value.constData(), size_t(read), 0) != 0 &&
            errno != ENOTSUP && errno != EPERM && errno != EACCES) {
            *failure = errno;
            return false;
        }
    }
    return true;
}

// Whether the two files hold the same bytes (false when either cannot be read).
bool sameContents(const QByteArray &first, const QByteArray &second)
{
    struct stat a {}, b {};
    if (::stat(first.constData(), &a) != 0 || ::stat(second.constData(), &b) != 0 || a.st_size != b.st_size)
        return false;
    const int one = ::open(first.constData(), O_RDONLY | O_CLOEXEC);
    const int two = one < 0 ? -1 : ::open(second.constData(), O_RDONLY | O_CLOEXEC);
    bool same = one >= 0 && two >= 0;
    std::vector<char> x(1 << 16), y(1 << 16);
    auto readFull = [](int fd, char *data, size_t size) -> ssize_t {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, data + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += size_t(n);
        }
        return ssize_t(done);
    };
    while (same) {
        const ssize_t n = readFull(one, x.data(), x.size());
        const ssize_t m = readFull(two, y.data(), y.size());
        if (n < 0 || n != m || std::memcmp(x.data(), y.data(), size_t(n)) != 0)
            same = false;
        else if (n == 0)
            break;
    }
    if (one >= 0)
        ::close(one);
    if (two >= 0)
        ::close(two);
    return same;
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The edited copy: removed unless it was renamed into place, together with the file the
// tool writes beside it while it rewrites it (left behind when the tool was stopped).
struct TemporaryCopy
{
    QByteArray path;
    ~TemporaryCopy()
    {
        if (path.isEmpty())
            return;
        ::unlink(path.constData());
        ::unlink((path + "_exiftool_tmp").constData());
    }
};

// The photo's extension as plain ASCII letters and digits (so the tool knows the format
// from a generated name), or empty.
QByteArray plainExtension(const QString &path)
{
    QByteArray extension;
    for (QChar c : QFileInfo(path).suffix())
        if (c.isLetterOrNumber() && c.unicode() < 128)
            extension += char(c.unicode());
    return extension;
}

// The tool cannot be given every path exactly (see ExifTool::argumentLine()); a file whose
// path would need the C-string form is shown to it under a generated plain name in a private
// folder of the system's temporary folder, named after this process so a start-up after a
// crash removes it. Null when no such folder can be had.
std::unique_ptr<QTemporaryDir> makePlainFolder()
{
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillonx-%1-XXXXXX").arg(qint64(::getpid())));
    if (!folder->isValid() || !ExifTool::isPlainArgument(QFile::encodeName(folder->filePath(QStringLiteral("photo.jpg")))))
        return nullptr;
    return folder;
}

QString plainName(const QString &path)
{
    const QByteArray extension = plainExtension(path);
    return QStringLiteral("photo") + (extension.isEmpty() ? QString() : QLatin1Char('.') + QString::fromLatin1(extension));
}

} // namespace

// ---------------------------------------------------------------- MCExifTool

MCExifTool::MCExifTool(QString programPath)
    : m_programPath(std::move(programPath))
{
}

MCExifTool::~MCExifTool() = default; // the client's destructor stops the child

QString MCExifTool::toolPath()
{
    const QString fromEnvironment = qEnvironmentVariable("QUILLONX_EXIFTOOL");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString bundled = platform::pathForResource(QStringLiteral("ExifTool/exiftool"));
    if (QFileInfo(bundled).isExecutable() && QFileInfo(bundled).isFile())
        return bundled;
    return QStandardPaths::findExecutable(QStringLiteral("exiftool"));
}

ExifTool *MCExifTool::exifTool()
{
    if (m_exifTool)
        return m_exifTool.get();
    const QString path = m_programPath.isEmpty() ? toolPath() : m_programPath;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isExecutable())
        return nullptr;
    m_exifTool = std::make_unique<ExifTool>(info.absoluteFilePath());
    m_exifTool->setStartupAllowance(m_startupAllowance);
    return m_exifTool.get();
}

void MCExifTool::setTimeouts(double readSeconds, double writeSeconds, double startupSeconds)
{
    m_readTimeout = readSeconds;
    m_writeTimeout = writeSeconds;
    m_startupAllowance = startupSeconds;
    if (m_exifTool)
        m_exifTool->setStartupAllowance(startupSeconds);
}

QString MCExifTool::stringFromNumber(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

std::optional<QVariantMap> MCExifTool::readMetadataAtURL(const QString &path, MCError *error)
{
    ExifTool *tool = exifTool();
    if (!tool) {
        MCSetError(error, metadataError(1, path, notFoundText()));
        return std::nullopt;
    }
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        MCSetError(error, metadataError(1, path, posixText(info.isDir() ? EISDIR : ENOENT),
                                        MCError::errorWithPOSIXCode(info.isDir() ? EISDIR : ENOENT, path)));
        return std::nullopt;
    }
    // A path the tool cannot be given is read through a plain-named link, removed afterwards;
    // the tags naming the file then name it, not the link.
    QString toolPath = info.absoluteFilePath();
    std::unique_ptr<QTemporaryDir> plainFolder;
    if (!ExifTool::isPlainArgument(QFile::encodeName(toolPath))) {
        plainFolder = makePlainFolder();
        const QString link = plainFolder ? plainFolder->filePath(plainName(toolPath)) : QString();
        if (link.isEmpty() || ::symlink(QFile::encodeName(toolPath).constData(), QFile::encodeName(link).constData()) != 0) {
            const int code = link.isEmpty() ? EIO : errno;
            MCSetError(error, metadataError(1, path, posixText(code), MCError::errorWithPOSIXCode(code, path)));
            return std::nullopt;
        }
        toolPath = link;
    }
    tool->setCancellationHandler({});
    const std::optional<QList<TagInfo>> tags = tool->imageInfo(toolPath, {}, m_readTimeout);
    std::optional<QVariantMap> result;
    if (tags) {
        result = QVariantMap();
        for (const TagInfo &tag : *tags) {
            if (tag.name.isNull() || tag.value.isNull())
                continue;
            result->insert(QString::fromUtf8(tag.name), QString::fromUtf8(tag.value));
        }
        if (plainFolder) {
            for (const auto &[name, value] : {std::pair{"SourceFile", info.absoluteFilePath()},
                                              std::pair{"FileName", info.fileName()},
                                              std::pair{"Directory", info.absolutePath()}}) {
                if (result->contains(QLatin1String(name)))
                    result->insert(QLatin1String(name), value);
            }
        }
    }
    if (tool->lastResult() < 1) {
        qInfo("Error executing exiftool!");
        MCSetError(error, metadataError(1, path, resultText(tool->lastResult())));
        return std::nullopt;
    }
    const QByteArray errorText = tool->standardError().trimmed();
    if (!errorText.isEmpty()) {
        echo(errorText);
        MCSetError(error, metadataError(1, path, QString::fromUtf8(errorText)));
    } else if (!result) {
        MCSetError(error, metadataError(1, path, tr("exiftool found no metadata.")));
    }
    return result;
}

bool MCExifTool::updateMetadataForImageAtURL(const QString &path, const MCMetadataValues &values,
                                             const QStringList &preScripts, const QStringList &postScripts,
                                             MCError *error, const MCCancellationCheck &isCancelled, bool *changed)
{
    if (changed)
        *changed = false;
    auto failure = [&](const QString &recovery, const MCError &underlying = {}) {
        return MCSetError(error, metadataError(3, path, recovery, underlying));
    };
    auto posixFailure = [&](int code) { return failure(posixText(code), MCError::errorWithPOSIXCode(code, path)); };
    auto cancelled = [&] {
        MCError stopped(MCCocoaErrorDomain, MCUserCancelledError, tr("Metadata of \"%1\" couldn't be edited.").arg(QFileInfo(path).fileName()),
                        QString(), resultText(ExifTool::Cancelled));
        return MCSetError(error, stopped);
    };

    ExifTool *tool = exifTool();
    if (!tool) {
        qInfo("Error creating exiftool!");
        return failure(notFoundText());
    }
    if (values.isEmpty() && preScripts.isEmpty() && postScripts.isEmpty())
        return failure(tr("There is no metadata change to write."));

    // The values to write, checked before anything is touched.
    QList<TagInfo> tags;
    for (const auto &[key, value] : values) {
        const QByteArray name = key.toUtf8();
        const std::optional<QList<QByteArray>> items = entryValues(value);
        if (!ExifTool::isValidTagName(name) || name.size() > 100 || name == "SourceFile" || movesTheFile(name) || !items)
            return failure(tr("New values cound't be set."));
        for (const QByteArray &bytes : *items) {
            TagInfo tag;
            tag.name = name;
            if (!bytes.isEmpty())
                tag.value = bytes;
            tags.append(tag);
        }
    }

    // A symbolic link keeps pointing at the photo, whose contents are replaced.
    const QFileInfo given(QFileInfo(path).absoluteFilePath());
    const QString target = given.isSymLink() ? given.canonicalFilePath() : given.absoluteFilePath();
    const QByteArray targetName = QFile::encodeName(target);
    struct stat original {};
    if (target.isEmpty() || ::stat(targetName.constData(), &original) != 0)
        return posixFailure(target.isEmpty() ? ENOENT : errno);
    if (!S_ISREG(original.st_mode))
        return posixFailure(S_ISDIR(original.st_mode) ? EISDIR : EINVAL);
    if ((original.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(targetName.constData(), W_OK) != 0)
        return posixFailure(EACCES); // a read-only photo is left as it is

    // The copy gets a generated name (the photo's extension kept, so the tool knows the
    // format) in a fresh folder of this edit on the photo's file system, removed with
    // whatever is left in it when the edit ends.
    const std::unique_ptr<MCPathManager::TemporaryFolder> editFolder =
        MCPathManager::defaultManager().makeTemporaryFolderAppropriateForURL(target);
    const QString folder = editFolder ? editFolder->path() : QString();
    struct stat folderStat {};
    if (folder.isEmpty() || ::stat(QFile::encodeName(folder).constData(), &folderStat) != 0 ||
        folderStat.st_dev != original.st_dev)
        return failure(tr("No temporary folder could be made on the photo's volume."));
    const QByteArray extension = plainExtension(target);
    QByteArray pattern = QFile::encodeName(folder) + "/quillonx-edit-XXXXXX" + (extension.isEmpty() ? "" : "." + extension);
    const int fd = ::mkstemps(pattern.data(), extension.isEmpty() ? 0 : int(extension.size() + 1));
    if (fd < 0)
        return posixFailure(errno);
    TemporaryCopy copy{pattern};
    // Where the photo's folder cannot be named to the tool, the tool edits a copy in a
    // plain-named private folder instead, which is copied back beside the photo when done.
    std::unique_ptr<QTemporaryDir> plainFolder;
    TemporaryCopy toolCopy;
    int toolFd = fd;
    if (!ExifTool::isPlainArgument(copy.path)) {
        plainFolder = makePlainFolder();
        if (!plainFolder) {
            ::close(fd);
            return failure(tr("No temporary folder could be made for exiftool."));
        }
        toolCopy.path = QFile::encodeName(plainFolder->filePath(plainName(target)));
        toolFd = ::open(toolCopy.path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (toolFd < 0) {
            const int code = errno;
            ::close(fd);
            return posixFailure(code);
        }
    }
    int problem = 0;
    const bool copied = copyContents(targetName, toolFd, &problem);
    if (toolFd != fd)
        ::close(toolFd);
    if (!copied) {
        ::close(fd);
        return posixFailure(problem);
    }
    const QString copyPath = QFile::decodeName(toolCopy.path.isEmpty() ? copy.path : toolCopy.path);
    // The copy beside the photo: filled from the tool's copy once the tool is done.
    auto finishCopy = [&]() -> bool {
        if (toolCopy.path.isEmpty())
            return true;
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)
            problem = errno;
        else if (copyContents(toolCopy.path, fd, &problem))
            return true;
        return false;
    };
    struct CloseCopy
    {
        int fd;
        ~CloseCopy() { ::close(fd); }
    } closeCopy{fd};

    tool->setCancellationHandler(isCancelled);
    struct Reset
    {
        ExifTool *tool;
        ~Reset() { tool->setCancellationHandler({}); }
    } reset{tool};
    QString message;

    // The tool must be able to read the copy before anything is written into it.
    if (!tool->imageInfo(copyPath, {}, m_readTimeout)) {
        if (tool->lastResult() == ExifTool::Cancelled)
            return cancelled();
        const QByteArray said = tool->standardError().trimmed();
        echo(said);
        return failure(said.isEmpty() ? resultText(tool->lastResult()) : QString::fromUtf8(said));
    }

    int updatedCount = 0; // files the commands reported updated: none leaves the photo as it is
    auto run = [&](int sent) {
        if (sent > 0)
            tool->waitForCompletion(m_writeTimeout);
        if (!commandSucceeded(*tool, &message))
            return false;
        updatedCount += std::max(tool->summaryCount("image files updated"), 0);
        return true;
    };
    auto runScripts = [&](const QStringList &scripts) {
        for (const QString &script : scripts)
            if (!run(tool->sendCommand(scriptCommand(script, QFile::encodeName(copyPath)))))
                return false;
        return true;
    };
    auto failed = [&] { return tool->lastResult() == ExifTool::Cancelled ? cancelled() : failure(message); };

    if (!runScripts(preScripts))
        return failed();
    if (!tags.isEmpty()) {
        const bool written = run(tool->writeTagList(copyPath, "-overwrite_original\n-codedcharacterset=utf8", &tags));
        if (!written)
            return failed();
    }
    if (!runScripts(postScripts))
        return failed();
    if (isCancelled && isCancelled())
        return cancelled();
    // The tool changed nothing (it rewrites a file given the values it already holds into the
    // same bytes): the photo keeps its contents, dates and identity.
    if (updatedCount == 0 || sameContents(QFile::encodeName(copyPath), targetName))
        return true;

    if (!finishCopy())
        return posixFailure(problem);
    if (!copyAttributes(targetName, copy.path, &problem))
        return posixFailure(problem);
    const int copyFd = ::open(copy.path.constData(), O_RDONLY | O_CLOEXEC);
    if (copyFd >= 0) {
        ::fsync(copyFd);
        ::close(copyFd);
    }
    if (::rename(copy.path.constData(), targetName.constData()) != 0)
        return posixFailure(errno);
    copy.path.clear();
    syncFolder(QFile::encodeName(QFileInfo(target).absolutePath()));
    if (changed)
        *changed = true;
    return true;
}

// ---------------------------------------------------------------- MCMetadataManager

MCMetadataManager &MCMetadataManager::defaultManager()
{
    static MCMetadataManager manager;
    return manager;
}

MCMetadataManager::MCMetadataManager() = default;
MCMetadataManager::~MCMetadataManager() = default;

MCExifTool *MCMetadataManager::exifTool()
{
    // Called under m_lock.
    if (!m_exifTool) {
        m_exifTool = std::make_unique<MCExifTool>(m_toolPath);
        m_exifTool->setTimeouts(m_readTimeout, m_writeTimeout);
    }
    return m_exifTool.get();
}

void MCMetadataManager::readMetadataAtURL(const QString &path,
                                          const std::function<void(const std::optional<QVariantMap> &, const MCError &)> &reply)
{
    MCError error;
    const std::optional<QVariantMap> tags = readMetadataAtURL(path, &error);
    if (reply)
        reply(tags, error);
}

std::optional<QVariantMap> MCMetadataManager::readMetadataAtURL(const QString &path, MCError *error)
{
    std::lock_guard<std::mutex> locked(m_lock);
    return exifTool()->readMetadataAtURL(path, error);
}

bool MCMetadataManager::updateMetadataForImageAtURL(const QString &path, const MCMetadataValues &values, MCError *error,
                                                    const MCCancellationCheck &isCancelled, bool *changed)
{
    QStringList preScripts;
    QStringList postScripts;
    MCMetadataValues tagValues;
    for (const auto &entry : values) {
        if (entry.first == kMCMetadataPreScriptsKey)
            preScripts += entry.second.toStringList();
        else if (entry.first == kMCMetadataPostScriptsKey)
            postScripts += entry.second.toStringList();
        else
            tagValues.append(entry);
    }
    std::lock_guard<std::mutex> locked(m_lock);
    return exifTool()->updateMetadataForImageAtURL(path, tagValues, preScripts, postScripts, error, isCancelled,
                                                   changed);
}

bool MCMetadataManager::updateMetadataForImageAtURL(const QString &path, const MCOrderedDictionary &values, MCError *error,
                                                    const MCCancellationCheck &isCancelled, bool *changed)
{
    MCMetadataValues ordered;
    values.enumerateKeysAndObjectsUsingBlock(
        [&](const QString &key, const QVariant &object, qint64, bool *) { ordered.append({key, object}); });
    return updateMetadataForImageAtURL(path, ordered, error, isCancelled, changed);
}

bool MCMetadataManager::updateMetadataForImageAtURL(const QString &path, const QVariantMap &values, MCError *error)
{
    MCMetadataValues ordered;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        ordered.append({it.key(), it.value()});
    return updateMetadataForImageAtURL(path, ordered, error);
}

void MCMetadataManager::setExifToolPath(const QString &path)
{
    std::lock_guard<std::mutex> locked(m_lock);
    m_toolPath = path;
    m_exifTool.reset();
}

void MCMetadataManager::setTimeouts(double readSeconds, double writeSeconds)
{
    std::lock_guard<std::mutex> locked(m_lock);
    m_readTimeout = readSeconds;
    m_writeTimeout = writeSeconds;
    if (m_exifTool)
        m_exifTool->setTimeouts(readSeconds, writeSeconds);
}
