#pragma once

#include "app/library/MCFileContainer.h"
#include "platform/core/MCOperationQueue.h"

#include <QString>

#include <functional>

// Posted on the GUI thread when an update begins; the operation is the object, no user info.
extern const QString kMCUpdateOperationNotificationDidStart; // "kMCUpdateOperationNotificationDidStart"
// Posted on the GUI thread after a batch of files was read: the fraction done and the batch.
extern const QString kMCUpdateOperationNotificationDidProgress; // "kMCUpdateOperationNotificationDidProgress"
// Posted on the GUI thread when the update ends, with whether it was cancelled.
extern const QString kMCUpdateOperationNotificationDidFinish; // "kMCUpdateOperationNotificationDidFinish"
extern const QString kMCUpdateOperationProgressKey;    // double in (0, 1]
extern const QString kMCUpdateOperationFilesKey;       // MCFileList, the files read since the last progress
extern const QString kMCUpdateOperationIsCancelledKey; // bool

// Reads the file-system facts and the image properties of library files on a worker thread
// and hands them to the GUI thread in batches: at most one progress notification per quarter
// of a second of work, plus one for the last file, so thousands of small files never flood the
// GUI thread with one event each. A file that cannot be read is still counted and reported,
// with whatever its reloads left. A cancelled update stops before the next file; what it read
// after its last progress notification is not reported, and the finish notification says it
// was cancelled.
class MCUpdateOperation : public MCOperation
{
public:
    // Seconds on a steady clock; replaceable so tests decide how long each file takes.
    using Clock = std::function<double()>;

    // Seconds between two progress notifications at most.
    static constexpr double kProgressInterval = 0.25;

    MCUpdateOperation();

    MCFileList files() const { return m_files; }
    void setFiles(const MCFileList &files) { m_files = files; }

    void setClock(Clock clock) { m_clock = std::move(clock); }

    // The files of a progress notification's user info.
    static MCFileList filesFromUserInfo(const QVariantMap &userInfo);

    // The work itself, called by main() with files().
    void updateFiles(const MCFileList &files);

protected:
    void main() override;
    void cancelledBeforeStart() override;
    // Reads one file: its facts, then its properties and capture date.
    virtual void reloadFile(const std::shared_ptr<MCFile> &file);
    void releaseClaims();

private:
    MCFileList m_files;
    Clock m_clock;
};
