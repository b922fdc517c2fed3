#pragma once

// Operations and the queues that run them on background threads.
//
// An operation is a unit of work held by shared_ptr. A queue starts its operations in the
// order they were added, at most maxConcurrentOperationCount at a time, each on a worker
// thread. Cancelling is cooperative: cancel() only sets a flag; an operation that has not
// started never runs its main(), a running one reads isCancelled() and stops early.
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct MCOperationQueueCore;

class MCOperation : public std::enable_shared_from_this<MCOperation>
{
public:
    MCOperation();
    // An identifier lets the queue cancel the operation by name (see MCOperationQueue).
    explicit MCOperation(QString identifier);
    virtual ~MCOperation();
    MCOperation(const MCOperation &) = delete;
    MCOperation &operator=(const MCOperation &) = delete;

    QString identifier() const { return m_identifier; }

    // Asks the operation to stop; it takes effect when main() next looks. A waiting
    // operation leaves its queue at once (only its completion block runs).
    void cancel();
    bool isCancelled() const { return m_cancelled.load(std::memory_order_acquire); }
    bool isExecuting() const;
    bool isFinished() const;

    // Runs once, when the operation has finished (run, or skipped because it was cancelled
    // first), on the thread that finished it: a queue's worker thread. Released afterwards.
    // Post to the main thread from it when the result is for the user interface.
    void setCompletionBlock(std::function<void()> block);

    // Runs the operation on the calling thread: main() unless cancelled, then the
    // completion block. Only for an operation in no queue, started once
    // (std::logic_error otherwise).
    void start();
    // Blocks until the operation has finished and its completion block has returned.
    void waitUntilFinished();

protected:
    // The work; the default does nothing. Should not throw: an exception is logged and the
    // operation counts as finished.
    virtual void main();
    // Runs instead of main() when the operation was cancelled before it started; the default
    // does nothing. An operation that promises its observers a final notification posts it
    // here too.
    virtual void cancelledBeforeStart();

private:
    friend class MCOperationQueue;
    friend struct MCOperationQueueCore;
    enum class State { Ready, Executing, Finished };

    void run();

    const QString m_identifier;
    std::atomic<bool> m_cancelled{false};
    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_doneChanged;
    State m_state = State::Ready;
    bool m_done = false; // finished and the completion block has returned
    std::function<void()> m_completion;
    bool m_claimed = false; // added to a queue or started: it runs once
    std::weak_ptr<MCOperationQueueCore> m_queue;
};

// An operation whose work is a block.
class MCBlockOperation : public MCOperation
{
public:
    explicit MCBlockOperation(std::function<void()> block, QString identifier = {});

protected:
    void main() override;

private:
    std::function<void()> m_block;
};

class MCOperationQueue
{
public:
    // Operations run by a new queue at the same time unless told otherwise.
    static constexpr qint64 defaultMaxConcurrentOperationCount = 2;

    MCOperationQueue();
    // Cancels every operation and waits for the running ones to return. Never destroy a
    // queue from one of its own operations.
    ~MCOperationQueue();
    MCOperationQueue(const MCOperationQueue &) = delete;
    MCOperationQueue &operator=(const MCOperationQueue &) = delete;

    QString name() const;
    void setName(const QString &name);

    // -1: one per processor. 0 starts nothing (like a suspended queue). Less than -1 is a
    // programmer error (std::invalid_argument).
    qint64 maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(qint64 count);

    // A suspended queue starts no operation; those running go on.
    bool isSuspended() const;
    void setSuspended(bool suspended);

    // Queues the operation. An operation is added to one queue, once, before it has run
    // (std::logic_error otherwise); nullptr is std::invalid_argument. An operation with an
    // identifier replaces any earlier one of that identifier in the identifier map (the
    // earlier one stays queued but can no longer be cancelled by identifier).
    void addOperation(const std::shared_ptr<MCOperation> &operation);
    std::shared_ptr<MCBlockOperation> addOperationWithBlock(std::function<void()> block);

    // Operations added and not yet finished, in the order added.
    std::vector<std::shared_ptr<MCOperation>> operations() const;
    qint64 operationCount() const;

    void cancelAllOperations();
    // Cancels the operation last added under the identifier (nothing when none).
    void cancelOperationWithIdentifier(const QString &identifier);
    void cancelOperationsWithIdentifiers(const QStringList &identifiers);

    // Blocks until every operation added has finished and its completion block returned.
    // Called from one of the queue's own operations it would wait for itself: that is a
    // programmer error (std::logic_error).
    void waitUntilAllOperationsAreFinished();

private:
    std::shared_ptr<MCOperationQueueCore> m_core;
};
