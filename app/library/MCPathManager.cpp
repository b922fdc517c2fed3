#include "app/library/MCPathManager.h"

#include "platform/core/MCBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString joined(const QString &folder, const QString &name) { return folder + QLatin1Char('/') + name; }

bool deviceOf(const QString &path, dev_t *device)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = st.st_dev;
    return true;
}

// The top folder of the file system holding `folder`: walk up while the device stays.
QString mountPointOf(const QString &folder, dev_t device)
{
    QString current = folder;
    while (true) {
        const QString parent = QFileInfo(current).absolutePath();
        dev_t parentDevice = 0;
        if (parent == current || !deviceOf(parent, &parentDevice) || parentDevice != device)
            return current;
        current = parent;
    }
}

// Writable for us, and not marked read-only by its mode (which even root respects here).
bool isWritableFolder(const QString &folder)
{
    struct stat st {};
    const QByteArray name = QFile::encodeName(folder);
    return ::stat(name.constData(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           ::access(name.constData(), W_OK | X_OK) == 0;
}

const QString kTemporaryPrefix = QStringLiteral(".quillonx-tmp-");
const QString kProcessTemporaryPrefix = QStringLiteral("quillonx-");

// A new folder with a unique hidden name inside `parent` that names this process
// (".quillonx-tmp-<pid>-XXXXXX"), or an empty string.
QString makeFreshFolder(const QString &parent)
{
    QByteArray pattern = QFile::encodeName(joined(parent, kTemporaryPrefix)) + QByteArray::number(qint64(::getpid())) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

// The process id in "<prefix><pid>-XXXXXX", or 0.
qint64 ownerOf(const QString &name, const QString &prefix)
{
    if (!name.startsWith(prefix))
        return 0;
    const QString rest = name.mid(prefix.size());
    const qsizetype dash = rest.indexOf(QLatin1Char('-'));
    bool ok = false;
    const qint64 pid = dash > 0 ? rest.left(dash).toLongLong(&ok) : 0;
    return ok ? pid : 0;
}

// Removes the folders "<prefix><pid>-..." in `parent` whose process has ended; answers how
// many went and whether any of a running process are left.
int removeFoldersOfEndedProcesses(const QString &parent, const QString &prefix, bool *othersLeft)
{
    int removed = 0;
    const QStringList names =
        QDir(parent).entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString &name : names) {
        const qint64 owner = ownerOf(name, prefix);
        if (owner <= 0)
            continue; // not named after a process: not ours to judge
        if (MCPathManager::isProcessRunning(owner)) {
            if (othersLeft)
                *othersLeft = true;
            continue;
        }
        if (QDir(joined(parent, name)).removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace

MCPathManager &MCPathManager::defaultManager()
{
    static MCPathManager manager; // made once, thread-safe since C++11
    return manager;
}

MCPathManager::MCPathManager()
{
    // Both folders follow the platform layer's own choice of location, uncreated.
    m_applicationSupportURL = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    m_cachesURL = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
}

MCPathManager::~MCPathManager() { cleanupTemporaryURLs(); }

QString MCPathManager::presetsFolderURL() const { return joined(m_applicationSupportURL, QStringLiteral("Presets")); }
QString MCPathManager::renamePresetsFolderURL() const { return joined(presetsFolderURL(), QStringLiteral("Rename")); }
QString MCPathManager::convertPresetsFolderURL() const { return joined(presetsFolderURL(), QStringLiteral("Convert")); }
QString MCPathManager::metadataPresetsFolderURL() const { return joined(presetsFolderURL(), QStringLiteral("Metadata")); }

QString MCPathManager::renamePresetsInBundleFolderURL() const
{
    return platform::pathForResource(QStringLiteral("Presets/Rename"));
}

QString MCPathManager::convertPresetsInBundleFolderURL() const
{
    return platform::pathForResource(QStringLiteral("Presets/Convert"));
}

QString MCPathManager::metadataPresetsInBundleFolderURL() const
{
    return platform::pathForResource(QStringLiteral("Presets/Metadata"));
}

QString MCPathManager::processTemporaryFolder()
{
    // Called under m_lock.
    if (!m_processTemporaryFolder || !m_processTemporaryFolder->isValid())
        m_processTemporaryFolder = std::make_unique<QTemporaryDir>(
            joined(QDir::tempPath(), kProcessTemporaryPrefix + QString::number(qint64(::getpid())) + QStringLiteral("-XXXXXX")));
    return m_processTemporaryFolder->path();
}

QString MCPathManager::journalPath() const { return joined(m_cachesURL, QStringLiteral("TemporaryFolderPlaces.txt")); }

bool MCPathManager::isProcessRunning(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString MCPathManager::makeFreshFolder(const QString &parent)
{
    // Called under m_lock. The folder it is made in goes on the list first, so a run killed
    // at any moment leaves nothing the next start-up cannot find.
    if (!m_listedParents.contains(parent)) {
        QDir().mkpath(m_cachesURL);
        const int fd = ::open(QFile::encodeName(journalPath()).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX);
            const QByteArray line = QFile::encodeName(parent).toPercentEncoding() + '\n';
            const bool written = ::write(fd, line.constData(), size_t(line.size())) == line.size();
            ::close(fd);
            if (written)
                m_listedParents.insert(parent);
        }
    }
    return ::makeFreshFolder(parent);
}

// The item-replacement folder for destinations in `folder`: first the folder itself, then
// other places known to lie on the same file system (our caches folder, the volume's trash
// folder when it exists, the system's temporary folder).
QString MCPathManager::itemReplacementFolder(const QString &folder, quint64 device)
{
    // Called under m_lock.
    QStringList candidates;
    if (isWritableFolder(folder))
        candidates << folder;
    candidates << QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    candidates << joined(mountPointOf(folder, dev_t(device)), QStringLiteral(".Trash-%1").arg(::getuid()));
    candidates << QDir::tempPath();
    for (const QString &candidate : std::as_const(candidates)) {
        dev_t candidateDevice = 0;
        if (candidate.isEmpty() || !deviceOf(candidate, &candidateDevice) || quint64(candidateDevice) != device)
            continue;
        const QString made = makeFreshFolder(QFileInfo(candidate).absoluteFilePath());
        if (!made.isEmpty())
            return made;
    }
    return {};
}

MCPathManager::TemporaryFolder::~TemporaryFolder()
{
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively(); // failures are of no consequence
}

std::unique_ptr<MCPathManager::TemporaryFolder> MCPathManager::makeTemporaryFolderAppropriateForURL(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    dev_t device = 0;
    if (!deviceOf(folder, &device))
        return nullptr;
    std::lock_guard<std::mutex> locked(m_lock);
    const QString made = itemReplacementFolder(folder, quint64(device));
    if (made.isEmpty())
        return nullptr;
    return std::make_unique<TemporaryFolder>(made);
}

int MCPathManager::removeStaleTemporaryFolders()
{
    int removed = removeFoldersOfEndedProcesses(QDir::tempPath(), kProcessTemporaryPrefix, nullptr);
    const int fd = ::open(QFile::encodeName(journalPath()).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return removed;
    ::flock(fd, LOCK_EX); // another instance adding a place waits until the list is rewritten
    QByteArray contents;
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        contents.append(buffer, got);
    QByteArray kept;
    QSet<QByteArray> seen;
    for (const QByteArray &line : contents.split('\n')) {
        if (line.isEmpty() || seen.contains(line))
            continue;
        seen.insert(line);
        const QString parent = QFile::decodeName(QByteArray::fromPercentEncoding(line));
        bool othersLeft = false;
        removed += removeFoldersOfEndedProcesses(parent, kTemporaryPrefix, &othersLeft);
        // A place stays listed while a running process may still make or hold a folder there.
        std::lock_guard<std::mutex> locked(m_lock);
        if (othersLeft || m_listedParents.contains(parent))
            kept += line + '\n';
    }
    if (::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 && !kept.isEmpty()) {
        if (::write(fd, kept.constData(), size_t(kept.size())) != kept.size()) {
            // A shorter list only means fewer places looked at next time.
        }
    }
    ::close(fd);
    return removed;
}

QString MCPathManager::temporaryFileURLAppropriateForURL(const QString &path)
{
    const QFileInfo info(path);
    const QString destination = QDir::cleanPath(info.absoluteFilePath());
    const QString folder = info.absolutePath();
    QString name = info.fileName();

    QString temporaryFolder;
    dev_t device = 0;
    if (deviceOf(folder, &device)) {
        std::lock_guard<std::mutex> locked(m_lock);
        const auto key = quint64(device);
        auto found = m_temporaryURLs.constFind(key);
        // A folder removed behind our back is replaced by a new one.
        if (found != m_temporaryURLs.constEnd() && QFileInfo(found.value()).isDir()) {
            temporaryFolder = found.value();
        } else {
            temporaryFolder = itemReplacementFolder(folder, quint64(device));
            if (!temporaryFolder.isEmpty())
                m_temporaryURLs.insert(key, temporaryFolder);
            else
                m_temporaryURLs.remove(key);
        }
    }
    if (temporaryFolder.isEmpty()) {
        std::lock_guard<std::mutex> locked(m_lock);
        temporaryFolder = processTemporaryFolder();
    }
    // Only a destination inside the temporary folder itself could coincide with its
    // temporary file; such a file gets a distinct name.
    QString result = joined(temporaryFolder, name);
    while (result == destination) {
        name.prepend(QLatin1Char('~'));
        result = joined(temporaryFolder, name);
    }
    return result;
}

void MCPathManager::cleanupTemporaryURLs()
{
    QList<QString> folders;
    {
        std::lock_guard<std::mutex> locked(m_lock);
        folders = m_temporaryURLs.values();
        m_temporaryURLs.clear();
    }
    for (const QString &folder : std::as_const(folders))
        QDir(folder).removeRecursively(); // failures are of no consequence
}
