#include "platform/core/MCOperationQueue.h"

#include "platform/core/MCDispatch.h"
#include "platform/core/MCException.h"

#include <QDebug>
#include <QHash>
#include <QThreadPool>

#include <algorithm>
#include <deque>

namespace {

// The queue whose operation the current thread is running, to catch a queue waiting for
// itself.
thread_local const MCOperationQueueCore *t_currentQueue = nullptr;

void runGuarded(const char *what, const QString &identifier, const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::exception &e) {
        qCritical().noquote() << "MCOperation" << identifier << ":" << what << "threw:" << e.what();
    } catch (...) {
        qCritical().noquote() << "MCOperation" << identifier << ":" << what << "threw";
    }
}

} // namespace

// ---------------------------------------------------------------- operation

MCOperation::MCOperation() = default;

MCOperation::MCOperation(QString identifier)
    : m_identifier(std::move(identifier))
{
}

MCOperation::~MCOperation() = default;

void MCOperation::main() {}

void MCOperation::cancelledBeforeStart() {}

bool MCOperation::isExecuting() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Executing;
}

bool MCOperation::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Finished;
}

void MCOperation::setCompletionBlock(std::function<void()> block)
{
    std::lock_guard lock(m_mutex);
    m_completion = std::move(block);
}

void MCOperation::start()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_claimed)
            platform::throwLogicError(
                QStringLiteral("*** start: the operation has already been started or belongs to a queue"));
        m_claimed = true;
    }
    run();
}

void MCOperation::run()
{
    {
        std::lock_guard lock(m_mutex);
        m_state = State::Executing;
    }
    if (!isCancelled())
        runGuarded("main", m_identifier, [this] { main(); });
    else
        runGuarded("cancelledBeforeStart", m_identifier, [this] { cancelledBeforeStart(); });
    std::function<void()> completion;
    {
        std::lock_guard lock(m_mutex);
        m_state = State::Finished;
        completion = std::move(m_completion);
        m_completion = nullptr;
    }
    if (completion)
        runGuarded("completion block", m_identifier, completion);
    completion = nullptr; // release its captures before anyone is told we are done
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_doneChanged.notify_all();
}

void MCOperation::waitUntilFinished()
{
    std::unique_lock lock(m_mutex);
    m_doneChanged.wait(lock, [this] { return m_done; });
}

MCBlockOperation::MCBlockOperation(std::function<void()> block, QString identifier)
    : MCOperation(std::move(identifier))
    , m_block(std::move(block))
{
    if (!m_block)
        platform::throwNilArgument("MCBlockOperation");
}

void MCBlockOperation::main()
{
    m_block();
}

// ---------------------------------------------------------------- queue

struct MCOperationQueueCore
{
    mutable std::mutex mutex; // guards everything below
    std::condition_variable finished; // signalled whenever an operation leaves the queue
    QString name;
    qint64 maxConcurrent = MCOperationQueue::defaultMaxConcurrentOperationCount;
    bool suspended = false;
    std::deque<std::shared_ptr<MCOperation>> pending;
    std::vector<std::shared_ptr<MCOperation>> started; // in the order added
    size_t runningCounted = 0; // started operations that count against maxConcurrent
    QHash<QString, std::shared_ptr<MCOperation>> byIdentifier;
    // Our own workers, so that operations blocked on disk or on the user never starve
    // another queue; the limit is kept by the queue, not the pool.
    QThreadPool pool;

    MCOperationQueueCore()
    {
        pool.setMaxThreadCount(1024);
    }

    // Both with `mutex` held.
    void schedule()
    {
        if (suspended)
            return;
        // Cancelled operations leave at once, whatever is running: they only run their
        // completion block.
        for (auto it = pending.begin(); it != pending.end();) {
            if ((*it)->isCancelled()) {
                launch(*it, false);
                it = pending.erase(it);
            } else {
                ++it;
            }
        }
        const size_t limit = maxConcurrent < 0 ? platform::processorCount() : size_t(maxConcurrent);
        while (!pending.empty() && runningCounted < limit) {
            launch(pending.front(), true);
            pending.pop_front();
        }
    }

    void launch(const std::shared_ptr<MCOperation> &operation, bool counted)
    {
        started.push_back(operation);
        if (counted)
            ++runningCounted;
        // The worker holds the core by plain pointer: the queue's destructor waits for its
        // workers, so the core outlives them and is never destroyed on one of them.
        pool.start([this, operation, counted] {
            t_currentQueue = this;
            operation->run();
            t_currentQueue = nullptr;
            std::lock_guard lock(mutex);
            started.erase(std::find(started.begin(), started.end(), operation));
            if (counted)
                --runningCounted;
            auto entry = byIdentifier.find(operation->identifier());
            if (entry != byIdentifier.end() && entry.value() == operation)
                byIdentifier.erase(entry);
            schedule();
            finished.notify_all();
        });
    }

    void cancel(const std::shared_ptr<MCOperation> &operation)
    {
        operation->m_cancelled.store(true, std::memory_order_release);
    }
};

void MCOperation::cancel()
{
    m_cancelled.store(true, std::memory_order_release);
    std::shared_ptr<MCOperationQueueCore> queue;
    {
        std::lock_guard lock(m_mutex);
        queue = m_queue.lock();
    }
    if (queue) {
        std::lock_guard lock(queue->mutex);
        queue->schedule();
    }
}

MCOperationQueue::MCOperationQueue()
    : m_core(std::make_shared<MCOperationQueueCore>())
{
}

MCOperationQueue::~MCOperationQueue()
{
    {
        std::unique_lock lock(m_core->mutex);
        m_core->suspended = false;
        for (const auto &operation : m_core->pending)
            m_core->cancel(operation);
        for (const auto &operation : m_core->started)
            m_core->cancel(operation);
        m_core->schedule();
        m_core->finished.wait(lock, [this] { return m_core->pending.empty() && m_core->started.empty(); });
    }
    m_core->pool.waitForDone();
}

QString MCOperationQueue::name() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->name;
}

void MCOperationQueue::setName(const QString &name)
{
    std::lock_guard lock(m_core->mutex);
    m_core->name = name;
}

qint64 MCOperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->maxConcurrent;
}

void MCOperationQueue::setMaxConcurrentOperationCount(qint64 count)
{
    if (count < -1)
        throw std::invalid_argument(
            QStringLiteral("*** setMaxConcurrentOperationCount: count (%1) cannot be negative").arg(count).toStdString());
    std::lock_guard lock(m_core->mutex);
    m_core->maxConcurrent = count;
    m_core->schedule();
}

bool MCOperationQueue::isSuspended() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->suspended;
}

void MCOperationQueue::setSuspended(bool suspended)
{
    std::lock_guard lock(m_core->mutex);
    m_core->suspended = suspended;
    m_core->schedule();
}

void MCOperationQueue::addOperation(const std::shared_ptr<MCOperation> &operation)
{
    if (!operation)
        platform::throwNilArgument("addOperation");
    {
        std::lock_guard lock(operation->m_mutex);
        if (operation->m_claimed)
            platform::throwLogicError(
                QStringLiteral("*** addOperation: the operation has already been started or belongs to a queue"));
        operation->m_claimed = true;
        operation->m_queue = m_core;
    }
    std::lock_guard lock(m_core->mutex);
    if (!operation->identifier().isEmpty())
        m_core->byIdentifier.insert(operation->identifier(), operation);
    m_core->pending.push_back(operation);
    m_core->schedule();
}

std::shared_ptr<MCBlockOperation> MCOperationQueue::addOperationWithBlock(std::function<void()> block)
{
    auto operation = std::make_shared<MCBlockOperation>(std::move(block));
    addOperation(operation);
    return operation;
}

std::vector<std::shared_ptr<MCOperation>> MCOperationQueue::operations() const
{
    std::lock_guard lock(m_core->mutex);
    std::vector<std::shared_ptr<MCOperation>> all(m_core->started.begin(), m_core->started.end());
    all.insert(all.end(), m_core->pending.begin(), m_core->pending.end());
    return all;
}

qint64 MCOperationQueue::operationCount() const
{
    std::lock_guard lock(m_core->mutex);
    return qint64(m_core->pending.size() + m_core->started.size());
}

void MCOperationQueue::cancelAllOperations()
{
    std::lock_guard lock(m_core->mutex);
    for (const auto &operation : m_core->started)
        m_core->cancel(operation);
    for (const auto &operation : m_core->pending)
        m_core->cancel(operation);
    m_core->byIdentifier.clear();
    m_core->schedule();
}

void MCOperationQueue::cancelOperationWithIdentifier(const QString &identifier)
{
    cancelOperationsWithIdentifiers({identifier});
}

void MCOperationQueue::cancelOperationsWithIdentifiers(const QStringList &identifiers)
{
    std::lock_guard lock(m_core->mutex);
    for (const QString &identifier : identifiers) {
        auto entry = m_core->byIdentifier.find(identifier);
        if (entry == m_core->byIdentifier.end())
            continue;
        m_core->cancel(entry.value());
        m_core->byIdentifier.erase(entry);
    }
    m_core->schedule();
}

void MCOperationQueue::waitUntilAllOperationsAreFinished()
{
    if (t_currentQueue == m_core.get())
        platform::throwLogicError(
            QStringLiteral("*** waitUntilAllOperationsAreFinished: called from an operation of the same queue"));
    std::unique_lock lock(m_core->mutex);
    m_core->finished.wait(lock, [this] { return m_core->pending.empty() && m_core->started.empty(); });
}
