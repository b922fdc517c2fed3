#include "app/library/MCPathManager.h"

#include "platform/core/MCBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
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

// A new folder with a unique hidden name inside `parent`, or an empty string.
QString makeFreshFolder(const QString &parent)
{
    QByteArray pattern = QFile::encodeName(joined(parent, QStringLiteral(".quillonx-tmp-XXXXXX")));
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

// The item-replacement folder for destinations in `folder`: first the folder itself, then
// other places known to lie on the same file system (our caches folder, the volume's trash
// folder when it exists, the system's temporary folder).
QString itemReplacementFolder(const QString &folder, dev_t device)
{
    QStringList candidates;
    if (isWritableFolder(folder))
        candidates << folder;
    candidates << QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    candidates << joined(mountPointOf(folder, device), QStringLiteral(".Trash-%1").arg(::getuid()));
    candidates << QDir::tempPath();
    for (const QString &candidate : std::as_const(candidates)) {
        dev_t candidateDevice = 0;
        if (candidate.isEmpty() || !deviceOf(candidate, &candidateDevice) || candidateDevice != device)
            continue;
        const QString made = makeFreshFolder(candidate);
        if (!made.isEmpty())
            return made;
    }
    return {};
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

MCPathManager::~MCPathManager() = default;

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
        m_processTemporaryFolder = std::make_unique<QTemporaryDir>(joined(QDir::tempPath(), QStringLiteral("quillonx-XXXXXX")));
    return m_processTemporaryFolder->path();
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
            temporaryFolder = itemReplacementFolder(folder, device);
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
