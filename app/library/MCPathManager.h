#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

// Where the application keeps its files: its folder in the user's data folder with the
// preset folders below it, its caches folder, the factory preset folders among the bundled
// resources, and one temporary folder per file system for files that are written beside
// their destination and then renamed into place. All answers are absolute paths.
class MCPathManager
{
public:
    // The shared instance; safe to ask for from any thread.
    static MCPathManager &defaultManager();

    MCPathManager();
    ~MCPathManager();
    MCPathManager(const MCPathManager &) = delete;
    MCPathManager &operator=(const MCPathManager &) = delete;

    // Computed once; not created on disk here.
    QString applicationSupportURL() const { return m_applicationSupportURL; }
    QString cachesURL() const { return m_cachesURL; }

    QString presetsFolderURL() const;
    QString renamePresetsFolderURL() const;
    QString convertPresetsFolderURL() const;
    QString metadataPresetsFolderURL() const;
    QString renamePresetsInBundleFolderURL() const;
    QString convertPresetsInBundleFolderURL() const;
    QString metadataPresetsInBundleFolderURL() const;

    // Where to write a temporary version of `path`: the same file name inside a fresh
    // hidden folder on the file system of the file's folder, so the finished file can be
    // renamed over the destination atomically. One folder serves every destination of a
    // file system until cleanupTemporaryURLs(). When the folder's file system cannot be
    // read, or no folder can be made on it, the answer lies in this process's own
    // temporary folder (which the clean-up leaves alone). The answer never equals `path`.
    // Creates the folder, never the file.
    QString temporaryFileURLAppropriateForURL(const QString &path);

    // Removes every temporary folder handed out so far (with its contents) and forgets them.
    // Also done when the manager goes (at quit, for the shared one).
    void cleanupTemporaryURLs();

    // A temporary folder of one operation: a fresh hidden folder on the file system of
    // `path`'s folder, chosen as for temporaryFileURLAppropriateForURL() but shared with
    // nobody, removed with everything in it when the returned object goes. Null when no
    // folder could be made on that file system.
    class TemporaryFolder
    {
    public:
        explicit TemporaryFolder(QString path) : m_path(std::move(path)) {}
        ~TemporaryFolder();
        TemporaryFolder(const TemporaryFolder &) = delete;
        TemporaryFolder &operator=(const TemporaryFolder &) = delete;
        QString path() const { return m_path; }

    private:
        QString m_path;
    };
    std::unique_ptr<TemporaryFolder> makeTemporaryFolderAppropriateForURL(const QString &path);

    // Every temporary folder made here is named after the process that made it
    // (".quillonx-tmp-<pid>-XXXXXX"), and the folders it was made in are listed in a file in
    // the caches folder. This removes the temporary folders, in every listed folder, whose
    // process no longer runs: those of a run that was killed or crashed. The application
    // calls it at start-up. Answers how many folders were removed.
    int removeStaleTemporaryFolders();

    // Whether a process with this id runs (one we may not signal counts as running).
    static bool isProcessRunning(qint64 pid);

private:
    QString processTemporaryFolder();
    QString makeFreshFolder(const QString &parent);
    QString itemReplacementFolder(const QString &folder, quint64 device);
    QString journalPath() const;

    QString m_applicationSupportURL;
    QString m_cachesURL;

    std::mutex m_lock;                          // guards the three members below
    QHash<quint64, QString> m_temporaryURLs;    // device id -> temporary folder on it
    std::unique_ptr<QTemporaryDir> m_processTemporaryFolder;
    QSet<QString> m_listedParents;              // folders already written to the list this run
};
