#pragma once

// The models of the preview tables: every operation dialog shows one row per photo it will work
// on, predicting what the operation does to that photo. A model holds the ordered photos and
// answers the text and the image of each cell by column identifier; the table
// (MCPreviewTableViewController) asks, and reloads when the model announces new results.
//
// Using a model (the Convert screen, the Edit Metadata screen and the rename dialog):
//
//     auto model = std::make_shared<MCConvertOptionsPreviewTableViewModel>(converter);
//     model->setItems(files);
//     auto table = new MCPreviewTableViewController(model, delegate);  // recalculates once
//     ...                                // a setting changed:
//     model->recalculateInfo();          // results arrive later, with the notification below
//     ...                                // the dialog closes:
//     table->prepareToClose();           // cancels a calculation still running
//
// Threads: every method runs on the GUI thread. A predicting model computes on one serial
// queue of its own (MCPreviewRecalculationQueue) from copies taken when asked, and hands its
// results to the GUI thread, where it replaces all results at once and posts
// kMCPreviewTableViewModelDidRecalculateNotification. A newer recalculation or a cancel
// supersedes an older one, which then publishes nothing.
#include "app/library/MCFileContainer.h"
#include "platform/core/MCIndexSet.h"
#include "platform/core/MCOperationQueue.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class MCBitmapConverter;
class MCFile;

// "kMCPreviewTableViewModelDidRecalculateNotification": posted on the default notification
// centre, on the GUI thread, with the model as object, when new results are in place.
extern const QString kMCPreviewTableViewModelDidRecalculateNotification;

class MCPreviewTableViewModel
{
public:
    MCPreviewTableViewModel();
    virtual ~MCPreviewTableViewModel();
    MCPreviewTableViewModel(const MCPreviewTableViewModel &) = delete;
    MCPreviewTableViewModel &operator=(const MCPreviewTableViewModel &) = delete;

    // The photos in row order, the order the operation will process them.
    const MCFileList &items() const { return m_items; }
    void setItems(const MCFileList &items) { m_items = items; }

    // The identifier of the column that shows each photo's thumbnail.
    virtual QString filePreviewColumnIdentifier() const = 0;
    // Starts a new prediction from the current settings (the base predicts nothing).
    virtual void recalculateInfo() {}
    // Stops a prediction still running; the results in place stay (the base has none).
    virtual void cancelRecalculation() {}
    // The text of a cell; a null string for a column the model does not answer.
    virtual QString stringValueForFile(const MCFile &file, const QString &columnIdentifier) const = 0;
    // The image of a cell, or a null image. `tooltip` (may be null) receives the image's
    // explanation where the model gives one and is left alone otherwise.
    virtual QImage imageValueForFile(const MCFile &file, QString *tooltip, const QString &columnIdentifier) const;

    // Removes the items at `indexes`, then recalculates. Indexes beyond the list are a
    // programmer error (std::out_of_range).
    void removeItemsAtIndexes(const MCIndexSet &indexes);
    // Takes the items at `from` in their order, removes them and inserts them at `to` (as many
    // indexes, ascending, each within the list as it grows), then recalculates.
    // std::invalid_argument when the counts differ, std::out_of_range for a bad index.
    void moveItemsAtIndexes(const MCIndexSet &from, const MCIndexSet &to);

    // Posts kMCPreviewTableViewModelDidRecalculateNotification with this model (GUI thread).
    void postRecalculationDidFinish();

    // How often each of `names` occurs; `allUnique` tells whether every one occurs once.
    static QHash<QString, qint64> countedNames(const QStringList &names, bool *allUnique);

private:
    MCFileList m_items;
};

// The one serial queue of a predicting model. start() cancels what runs and queues new work;
// the work runs on the queue's thread, reading only what it captured, and answers the step
// that publishes its results (or nothing when it stopped). That step runs on the GUI thread
// only while no newer start() or cancel() came and the queue still exists, so two quick
// changes publish only the second result. The GUI thread never waits for the work, except
// when the queue is destroyed: the running work is cancelled and its current file finished.
class MCPreviewRecalculationQueue
{
public:
    using IsCancelled = std::function<bool()>;
    using Publish = std::function<void()>;
    using Work = std::function<Publish(const IsCancelled &isCancelled)>;

    explicit MCPreviewRecalculationQueue(const QString &name);
    ~MCPreviewRecalculationQueue();
    MCPreviewRecalculationQueue(const MCPreviewRecalculationQueue &) = delete;
    MCPreviewRecalculationQueue &operator=(const MCPreviewRecalculationQueue &) = delete;

    // `guiThreadObjects` stays alive until the work is done and is released on the GUI thread
    // (objects made there, such as a converter copy, that the work reads by pointer).
    void start(Work work, std::shared_ptr<const void> guiThreadObjects = {});
    void cancel();
    // Waits until the queued work has run (tests and benchmarks; the results are published
    // by the GUI thread's event loop afterwards).
    void waitUntilAllOperationsAreFinished() { m_queue.waitUntilAllOperationsAreFinished(); }

private:
    struct State
    {
        quint64 generation = 0; // GUI thread only: the start() or cancel() last asked for
    };
    std::shared_ptr<State> m_state;
    MCOperationQueue m_queue;
};

// A copy of `converter` for a calculation on another thread: its settings and copies of its
// stages, so that later edits of the converter and of its stages do not reach the calculation
// (MCBitmapConverter::copy() shares the stage objects). Made on the GUI thread and let go of
// there (MCPreviewRecalculationQueue::start keeps it for the work). Its set-up is not undoable;
// the stage notices it posts name the copy, which nobody observes.
std::shared_ptr<const MCBitmapConverter> MCPredictionCopyOfConverter(const MCBitmapConverter &converter);
