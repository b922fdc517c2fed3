#include "platform/core/MCDispatch.h"

#include "platform/core/MCException.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <exception>
#include <vector>

#include <pthread.h>
#include <sched.h>

namespace platform {

namespace {

QCoreApplication *requireApplication(const char *function)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        throwLogicError(QStringLiteral("*** %1: there is no application object to run the block on")
                            .arg(QLatin1String(function)));
    return app;
}

void nameCurrentThread(const QString &name)
{
    // The kernel keeps 15 characters; enough to tell threads apart in a debugger.
    pthread_setname_np(pthread_self(), name.left(15).toUtf8().constData());
}

} // namespace

bool isMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void dispatchMain(std::function<void()> block)
{
    QMetaObject::invokeMethod(requireApplication("dispatchMain"), std::move(block), Qt::QueuedConnection);
}

void dispatchMainAfter(int milliseconds, std::function<void()> block)
{
    QCoreApplication *app = requireApplication("dispatchMainAfter");
    if (milliseconds <= 0) {
        dispatchMain(std::move(block));
        return;
    }
    // A timer belongs to the thread that starts it, so the main thread starts this one.
    auto start = [app, milliseconds, block = std::move(block)]() mutable {
        QTimer::singleShot(milliseconds, app, std::move(block));
    };
    if (isMainThread())
        start();
    else
        QMetaObject::invokeMethod(app, std::move(start), Qt::QueuedConnection);
}

bool dispatchMainSync(const std::function<void()> &block)
{
    if (isMainThread()) {
        block();
        return true;
    }
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    // The worker waits on a handshake of its own rather than on Qt's blocking connection, so
    // the main thread's work is seen to happen before the worker goes on by every tool,
    // ThreadSanitizer included. The handshake is signalled when the posted call is destroyed:
    // after it ran, or unrun when the application drops it, so the worker never waits forever.
    struct Handshake
    {
        std::mutex lock; // guards the members below
        std::condition_variable changed;
        bool finished = false;
        bool ran = false;
        std::exception_ptr failure;
    };
    struct Signal
    {
        std::shared_ptr<Handshake> handshake;
        explicit Signal(std::shared_ptr<Handshake> shared) : handshake(std::move(shared)) {}
        Signal(Signal &&) noexcept = default;
        Signal(const Signal &) = delete;
        ~Signal()
        {
            if (!handshake)
                return; // moved from
            std::lock_guard lock(handshake->lock);
            handshake->finished = true;
            handshake->changed.notify_all();
        }
    };
    auto handshake = std::make_shared<Handshake>();
    QMetaObject::invokeMethod(
        app,
        [&block, signal = Signal(handshake)] {
            Handshake &shared = *signal.handshake;
            try {
                block();
            } catch (...) {
                shared.failure = std::current_exception();
            }
            shared.ran = true;
        },
        Qt::QueuedConnection);
    std::unique_lock lock(handshake->lock);
    handshake->changed.wait(lock, [&] { return handshake->finished; });
    if (handshake->failure)
        std::rethrow_exception(handshake->failure);
    return handshake->ran;
}

// ---------------------------------------------------------------- shared thread pool

size_t processorCount()
{
    static const size_t count = [] {
        cpu_set_t set;
        CPU_ZERO(&set);
        if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
            return size_t(CPU_COUNT(&set));
        const unsigned hardware = std::thread::hardware_concurrency();
        return size_t(hardware ? hardware : 1);
    }();
    return count;
}

namespace {

std::atomic<size_t> g_parallelismLimit{0}; // 0: every processor
thread_local bool t_insideParallelFor = false;

// One parallelFor call. It lives on the caller's stack; the caller does not return before
// every helper that joined has left it.
struct Job
{
    detail::RangeInvoker invoke = nullptr;
    void *body = nullptr;
    size_t count = 0;
    size_t chunks = 0;
    std::atomic<size_t> nextChunk{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure; // written once, by whoever set `failed`
    // Joined and not yet left. Raised under ThreadPool::m_mutex while the job is listed;
    // a helper's decrement is its last touch of the job.
    std::atomic<size_t> activeHelpers{0};

    // Guarded by ThreadPool::m_mutex.
    size_t maxHelpers = 0;
    size_t helpers = 0; // workers that joined so far
    bool listed = false;
    Job *nextJob = nullptr;
};

void runChunks(Job &job)
{
    const bool wasInside = t_insideParallelFor;
    t_insideParallelFor = true;
    for (;;) {
        const size_t chunk = job.nextChunk.fetch_add(1, std::memory_order_relaxed);
        if (chunk >= job.chunks)
            break;
        const size_t begin = job.count * chunk / job.chunks;
        const size_t end = job.count * (chunk + 1) / job.chunks;
        try {
            job.invoke(job.body, begin, end);
        } catch (...) {
            if (!job.failed.exchange(true))
                job.failure = std::current_exception();
        }
    }
    t_insideParallelFor = wasInside;
}

// Busy-waits up to about `microseconds` for `ready`; kernels come in quick succession (one
// per stage and plane), and a short spin saves the sleep and wake-up between them.
template <typename Ready>
bool spinUntil(Ready ready, int microseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready())
                return true;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return ready();
    }
}

// A fixed set of worker threads (one fewer than the processors: the caller of parallelFor
// is the last one) that help with whatever parallelFor jobs are listed.
class ThreadPool
{
public:
    ThreadPool()
    {
        const size_t workers = processorCount() - 1;
        m_threads.reserve(workers);
        for (size_t i = 0; i < workers; ++i)
            m_threads.emplace_back([this, i] { work(i); });
    }

    ~ThreadPool()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_workAvailable.notify_all();
        for (std::thread &thread : m_threads)
            thread.join();
    }

    size_t workerCount() const { return m_threads.size(); }

    void run(Job &job)
    {
        {
            std::lock_guard lock(m_mutex);
            append(job);
            // Spinning workers see the job without being woken.
            const size_t wake = std::min(job.maxHelpers, m_sleeping);
            if (wake == m_sleeping)
                m_workAvailable.notify_all();
            else
                for (size_t i = 0; i < wake; ++i)
                    m_workAvailable.notify_one();
        }

        runChunks(job);

        {
            std::lock_guard lock(m_mutex);
            if (job.listed)
                unlist(job);
        }
        // No helper joins any more; wait for those that did.
        auto helpersLeft = [&job] { return job.activeHelpers.load(std::memory_order_acquire) == 0; };
        if (spinUntil(helpersLeft, kSpinMicroseconds))
            return;
        std::unique_lock lock(m_mutex);
        ++m_waitingCallers;
        m_helperLeft.wait(lock, helpersLeft);
        --m_waitingCallers;
    }

private:
    static constexpr int kSpinMicroseconds = 50;

    void work(size_t index)
    {
        nameCurrentThread(QStringLiteral("parallel-%1").arg(index));
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (!m_head && !m_stopping) {
                lock.unlock();
                spinUntil([this] { return m_listed.load(std::memory_order_relaxed) != 0; }, kSpinMicroseconds);
                lock.lock();
                ++m_sleeping;
                m_workAvailable.wait(lock, [this] { return m_stopping || m_head; });
                --m_sleeping;
            }
            if (m_stopping)
                return;
            Job &job = *m_head;
            ++job.helpers;
            job.activeHelpers.fetch_add(1, std::memory_order_relaxed);
            if (job.helpers >= job.maxHelpers)
                unlist(job);
            lock.unlock();
            runChunks(job);
            lock.lock();
            // Every chunk is taken: nobody else needs to join.
            if (job.listed)
                unlist(job);
            job.activeHelpers.fetch_sub(1, std::memory_order_release);
            // From here on the job may be gone.
            if (m_waitingCallers)
                m_helperLeft.notify_all();
        }
    }

    // Both need m_mutex held.
    void append(Job &job)
    {
        job.listed = true;
        job.nextJob = nullptr;
        if (m_tail)
            m_tail->nextJob = &job;
        else
            m_head = &job;
        m_tail = &job;
        m_listed.fetch_add(1, std::memory_order_relaxed);
    }

    void unlist(Job &job)
    {
        Job *previous = nullptr;
        for (Job *j = m_head; j; previous = j, j = j->nextJob) {
            if (j != &job)
                continue;
            (previous ? previous->nextJob : m_head) = j->nextJob;
            if (m_tail == j)
                m_tail = previous;
            break;
        }
        job.listed = false;
        job.nextJob = nullptr;
        m_listed.fetch_sub(1, std::memory_order_relaxed);
    }

    std::mutex m_mutex; // guards the job list, the helper counts of listed jobs and the counters below
    std::condition_variable m_workAvailable;
    std::condition_variable m_helperLeft;
    Job *m_head = nullptr;
    Job *m_tail = nullptr;
    std::atomic<size_t> m_listed{0}; // jobs in the list; read without the lock by spinning workers
    size_t m_sleeping = 0;           // workers blocked in m_workAvailable
    size_t m_waitingCallers = 0;     // callers blocked in m_helperLeft
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

ThreadPool &sharedPool()
{
    static ThreadPool pool;
    return pool;
}

} // namespace

void setMaximumParallelism(size_t threads)
{
    g_parallelismLimit.store(threads, std::memory_order_relaxed);
}

size_t maximumParallelism()
{
    const size_t limit = g_parallelismLimit.load(std::memory_order_relaxed);
    const size_t all = processorCount();
    return limit == 0 || limit > all ? all : limit;
}

bool isInsideParallelFor()
{
    return t_insideParallelFor;
}

namespace detail {

void parallelForImpl(size_t count, size_t grain, RangeInvoker invoke, void *body)
{
    if (count == 0)
        return;
    grain = std::max<size_t>(grain, 1);
    const size_t threads = maximumParallelism();
    // A few chunks per thread even out rows of uneven cost without much bookkeeping.
    const size_t chunks = std::min(threads * 4, std::max<size_t>(count / grain, 1));
    if (threads == 1 || chunks == 1 || t_insideParallelFor) {
        const bool wasInside = t_insideParallelFor;
        t_insideParallelFor = true;
        try {
            invoke(body, 0, count);
        } catch (...) {
            t_insideParallelFor = wasInside;
            throw;
        }
        t_insideParallelFor = wasInside;
        return;
    }

    ThreadPool &pool = sharedPool();
    Job job;
    job.invoke = invoke;
    job.body = body;
    job.count = count;
    job.chunks = chunks;
    job.maxHelpers = std::min({threads - 1, chunks - 1, pool.workerCount()});
    if (job.maxHelpers == 0) {
        runChunks(job);
    } else {
        pool.run(job);
    }
    if (job.failure)
        std::rethrow_exception(job.failure);
}

} // namespace detail

} // namespace platform

// ---------------------------------------------------------------- serial queue

struct MCSerialQueue::State
{
    QString label;
    std::mutex mutex; // guards everything below
    std::condition_variable wake;
    std::deque<std::function<void()>> blocks;
    bool stopping = false;
    std::thread thread;
    std::thread::id threadId;
};

MCSerialQueue::MCSerialQueue(QString label)
    : m_label(std::move(label))
    , m_state(std::make_shared<State>())
{
    m_state->label = m_label;
}

MCSerialQueue::~MCSerialQueue()
{
    std::thread thread;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        thread = std::move(m_state->thread);
    }
    m_state->wake.notify_all();
    if (!thread.joinable())
        return;
    // A block that drops the last owner of its own queue must not wait for itself; the
    // thread keeps the shared state alive and finishes the remaining blocks on its own.
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach();
    else
        thread.join();
}

void MCSerialQueue::run(const std::shared_ptr<State> &state)
{
    platform::nameCurrentThread(state->label.isEmpty() ? QStringLiteral("serial-queue") : state->label);
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&state] { return state->stopping || !state->blocks.empty(); });
        if (state->blocks.empty())
            return; // stopping, and everything submitted has run
        std::function<void()> block = std::move(state->blocks.front());
        state->blocks.pop_front();
        lock.unlock();
        try {
            block();
        } catch (const std::exception &e) {
            qCritical().noquote() << "MCSerialQueue" << state->label << ": a block threw:" << e.what();
        } catch (...) {
            qCritical().noquote() << "MCSerialQueue" << state->label << ": a block threw";
        }
        block = nullptr; // release what it captured outside the lock
        lock.lock();
    }
}

void MCSerialQueue::async(std::function<void()> block)
{
    if (!block)
        platform::throwNilArgument("async");
    {
        std::lock_guard lock(m_state->mutex);
        m_state->blocks.push_back(std::move(block));
        if (!m_state->thread.joinable()) {
            m_state->thread = std::thread([state = m_state] { run(state); });
            m_state->threadId = m_state->thread.get_id();
        }
    }
    m_state->wake.notify_one();
}

void MCSerialQueue::sync(const std::function<void()> &block)
{
    if (!block)
        platform::throwNilArgument("sync");
    if (isCurrent()) {
        block();
        return;
    }
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    async([&] {
        try {
            block();
        } catch (...) {
            failure = std::current_exception();
        }
        // Notify under the lock: the waiter's locals must outlive the notification.
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_one();
    });
    std::unique_lock lock(mutex);
    finished.wait(lock, [&done] { return done; });
    if (failure)
        std::rethrow_exception(failure);
}

bool MCSerialQueue::isCurrent() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->threadId == std::this_thread::get_id();
}
