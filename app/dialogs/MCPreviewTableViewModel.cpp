#include "app/dialogs/MCPreviewTableViewModel.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCException.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUndoManager.h"

const QString kMCPreviewTableViewModelDidRecalculateNotification =
    QStringLiteral("kMCPreviewTableViewModelDidRecalculateNotification");

MCPreviewTableViewModel::MCPreviewTableViewModel() = default;
MCPreviewTableViewModel::~MCPreviewTableViewModel() = default;

QImage MCPreviewTableViewModel::imageValueForFile(const MCFile &, QString *, const QString &) const { return {}; }

void MCPreviewTableViewModel::removeItemsAtIndexes(const MCIndexSet &indexes)
{
    if (!indexes.isEmpty() && indexes.lastIndex() >= m_items.size())
        platform::throwIndexOutOfRange("removeItemsAtIndexes:", indexes.lastIndex(), m_items.size() - 1);
    MCFileList kept;
    kept.reserve(m_items.size());
    for (qint64 i = 0; i < m_items.size(); ++i) {
        if (!indexes.containsIndex(i))
            kept.append(m_items[i]);
    }
    m_items = kept;
    recalculateInfo();
}

void MCPreviewTableViewModel::moveItemsAtIndexes(const MCIndexSet &from, const MCIndexSet &to)
{
    if (from.count() != to.count())
        throw std::invalid_argument("*** moveItemsAtIndexes:toIndexes: the index sets differ in size");
    if (!from.isEmpty() && from.lastIndex() >= m_items.size())
        platform::throwIndexOutOfRange("moveItemsAtIndexes:toIndexes:", from.lastIndex(), m_items.size() - 1);
    MCFileList moved, items;
    for (qint64 i = 0; i < m_items.size(); ++i)
        (from.containsIndex(i) ? moved : items).append(m_items[i]);
    qsizetype next = 0;
    for (qint64 index : to.toList()) {
        if (index > items.size())
            platform::throwIndexOutOfRange("moveItemsAtIndexes:toIndexes:", index, items.size());
        items.insert(index, moved[next++]);
    }
    m_items = items;
    recalculateInfo();
}

void MCPreviewTableViewModel::postRecalculationDidFinish()
{
    MCNotificationCenter::defaultCenter().postNotificationName(kMCPreviewTableViewModelDidRecalculateNotification, this);
}

QHash<QString, qint64> MCPreviewTableViewModel::countedNames(const QStringList &names, bool *allUnique)
{
    QHash<QString, qint64> counts;
    counts.reserve(names.size());
    for (const QString &name : names)
        ++counts[name];
    if (allUnique)
        *allUnique = counts.size() == names.size();
    return counts;
}

// ---------------------------------------------------------------- recalculation queue

MCPreviewRecalculationQueue::MCPreviewRecalculationQueue(const QString &name) : m_state(std::make_shared<State>())
{
    m_queue.setName(name);
    m_queue.setMaxConcurrentOperationCount(1);
}

MCPreviewRecalculationQueue::~MCPreviewRecalculationQueue() { cancel(); }

void MCPreviewRecalculationQueue::cancel()
{
    ++m_state->generation;
    m_queue.cancelAllOperations();
}

namespace {

// One prediction: the work on the queue's thread, then its publication on the GUI thread
// unless it was superseded meanwhile.
class MCPreviewRecalculationOperation : public MCOperation
{
public:
    MCPreviewRecalculationOperation(MCPreviewRecalculationQueue::Work work, std::weak_ptr<void> state,
                                    std::function<bool()> isCurrent, std::shared_ptr<const void> owned)
        : m_work(std::move(work)), m_state(std::move(state)), m_isCurrent(std::move(isCurrent)),
          m_owned(std::move(owned))
    {
    }
    ~MCPreviewRecalculationOperation() override
    {
        // What the work read is let go of on the GUI thread, where it was made.
        if (!m_owned || platform::isMainThread())
            return;
        try {
            platform::dispatchMain([owned = std::move(m_owned)] {});
        } catch (const std::logic_error &) {
            // No application any more: nothing is left to run it.
        }
    }

protected:
    void main() override
    {
        MCPreviewRecalculationQueue::Publish publish = m_work([this] { return isCancelled(); });
        if (!publish || isCancelled())
            return;
        platform::dispatchMain([state = m_state, isCurrent = m_isCurrent, publish = std::move(publish)] {
            // The queue (and with it the model) is gone, or a newer request came first.
            if (state.expired() || !isCurrent())
                return;
            publish();
        });
    }

private:
    MCPreviewRecalculationQueue::Work m_work;
    std::weak_ptr<void> m_state;
    std::function<bool()> m_isCurrent; // GUI thread only, and only while m_state lives
    std::shared_ptr<const void> m_owned;
};

} // namespace

void MCPreviewRecalculationQueue::start(Work work, std::shared_ptr<const void> guiThreadObjects)
{
    cancel();
    const quint64 generation = m_state->generation;
    State *state = m_state.get();
    m_queue.addOperation(std::make_shared<MCPreviewRecalculationOperation>(
        std::move(work), m_state, [state, generation] { return state->generation == generation; },
        std::move(guiThreadObjects)));
}

std::shared_ptr<const MCBitmapConverter> MCPredictionCopyOfConverter(const MCBitmapConverter &converter)
{
    auto copy = std::make_shared<MCBitmapConverter>(&converter.userDefaults());
    // Set up quietly: nothing of this is for the user to undo.
    copy->undoManager()->disableUndoRegistration();
    copy->setImageFormat(converter.imageFormat());
    copy->setImageColorModel(converter.imageColorModel());
    copy->setImageColorDepth(converter.imageColorDepth());
    copy->setImageHasAlpha(converter.imageHasAlpha());
    copy->setImageQuality(converter.imageQuality());
    copy->setImageTIFFCompression(converter.imageTIFFCompression());
    copy->setEmbedThumbnail(converter.embedThumbnail());
    copy->setRenameSettings(converter.renameSettings());
    for (const MCConvertStageRef &stage : converter.allStages())
        copy->addStage(stage->copy());
    return copy;
}
