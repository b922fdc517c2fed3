#pragma once

// The record of sources a move or rename has set aside: a source whose name an earlier item
// of the batch takes waits as "<stem> (moving)<ext>" in its own folder until its own item
// runs, and is put back when that item does not happen. Each is recorded before its rename
// and forgotten once it is back or has gone on to its destination, so a run that crashes or
// is killed in between leaves a record from which the next start puts the photos back
// (MCFileManager::recoverSetAsideFiles()).
//
// Kept as an XML property list, "SetAsideFiles.plist" in the application's data folder,
// rewritten atomically on every change and removed when empty. Thread-safe.
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class MCFileSystemCalls;

class MCSetAsideJournal
{
public:
    struct Entry
    {
        QString waitingPath;  // where the source waits
        QString originalPath; // the name it goes back to
        // The file's identity, so a stranger that later has the waiting name is never moved.
        quint64 device = 0;
        quint64 inode = 0;
        qint64 processIdentifier = 0; // the run that set it aside
    };

    // The journal of the application's data folder.
    static MCSetAsideJournal &sharedJournal();

    explicit MCSetAsideJournal(QString path);
    MCSetAsideJournal(const MCSetAsideJournal &) = delete;
    MCSetAsideJournal &operator=(const MCSetAsideJournal &) = delete;

    QString path() const { return m_path; }

    // An entry for `original` about to wait at `waiting`, identified by the file there now
    // (its identity stays 0 when it cannot be read), in this run.
    static Entry entryForSetAside(const QString &original, const QString &waiting);

    // Records the entries before their renames, replacing any with the same waiting path.
    // They are held by this run, so a recovery leaves them alone, until forgotten or
    // released. False, and a log line, when the journal could not be written.
    bool record(const QList<Entry> &entries);
    // Removes the entries of these waiting paths: their files are back or went on.
    void forget(const QStringList &waitingPaths);
    // Lets go of entries this run will not put back itself (their file could not be moved,
    // or their operation ended without restoring): the next recovery takes them.
    void release(const QStringList &waitingPaths);

    // The entries as stored.
    QList<Entry> entries() const;

    // Puts back every journalled file whose run has ended (or that this run no longer
    // holds): a file still at its waiting name, and still the same file, goes to its
    // original name, or to uniqueName(original) beside it when that is taken. Entries whose
    // file is gone or is another file now are dropped; a file that cannot be moved stays
    // journalled. Every file put back is logged. Answers how many were put back.
    int recover(MCFileSystemCalls &calls, const std::function<QString(const QString &)> &uniqueName);

private:
    QList<Entry> readEntries() const;
    bool writeEntries(const QList<Entry> &entries);

    const QString m_path;
    mutable QMutex m_lock; // guards the journal file and m_held
    QSet<QString> m_held;  // waiting paths of this run's operations still at work
};
