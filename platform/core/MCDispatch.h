#pragma once

// Where work runs: the GUI thread ("main queue"), serial background queues, and the one
// shared thread pool that pixel kernels split their rows over.
//
// Rules every caller follows:
// - Anything that touches widgets or main-thread model state is posted with dispatchMain.
// - A worker that needs an answer from the user blocks in dispatchMainSync; the main thread
//   never blocks on a worker that may be doing that (it would deadlock).
// - Kernels never create threads: they call parallelFor, which reuses a fixed pool.
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>

namespace platform {

// True on the thread of the application object (Qt's main thread).
bool isMainThread();

// Runs `block` on the main thread at its next event-loop pass, after blocks posted earlier
// from the same thread. Needs a QCoreApplication; throws std::logic_error without one.
void dispatchMain(std::function<void()> block);

// Runs `block` on the main thread after `milliseconds` (0: at the next pass, behind blocks
// already posted).
void dispatchMainAfter(int milliseconds, std::function<void()> block);

// Runs `block` on the main thread and waits for it: inline when already there, otherwise
// blocking the calling worker until the main thread has run it. An exception thrown by the
// block reaches the caller. Answers false when the block could not run because the
// application is going away (no application object, or its event loop dropped the call):
// a worker must then not act on an answer it never got.
bool dispatchMainSync(const std::function<void()> &block);

// ---------------------------------------------------------------- shared thread pool

// Logical processors of the machine (at least 1).
size_t processorCount();

// How many threads (the caller included) one parallelFor may use. 0 restores the default,
// every processor; values above the processor count are clamped. Benchmarks set 1 to
// measure a kernel on one thread.
void setMaximumParallelism(size_t threads);
size_t maximumParallelism();

// True while the current thread runs a chunk of a parallelFor.
bool isInsideParallelFor();

namespace detail {
using RangeInvoker = void (*)(void *body, size_t begin, size_t end);
void parallelForImpl(size_t count, size_t grain, RangeInvoker invoke, void *body);
} // namespace detail

// Calls body(begin, end) over disjoint chunks that together cover [0, count) exactly once,
// spread over the shared pool with the calling thread taking part; returns when every chunk
// is done. Chunks hold at least `grain` indices unless the whole range is smaller. A call from inside a
// chunk (a kernel calling a kernel) runs its whole range inline, so nesting never
// deadlocks. count 0 calls nothing. The body is not copied and nothing is allocated per
// call. Kernels should not throw; if a chunk does, the remaining chunks still run and the
// first exception is rethrown to the caller.
template <typename Body>
void parallelFor(size_t count, Body &&body, size_t grain = 1)
{
    using B = std::remove_reference_t<Body>;
    detail::parallelForImpl(
        count, grain,
        [](void *b, size_t begin, size_t end) { (*static_cast<B *>(b))(begin, end); },
        const_cast<void *>(static_cast<const void *>(std::addressof(body))));
}

} // namespace platform

// ---------------------------------------------------------------- serial queue

// Blocks run one at a time, in submission order, on one background thread of the queue's
// own (started on first use). Destroying the queue runs the blocks already submitted, then
// stops its thread. Blocks should not throw; one that does is logged and the queue goes on.
class MCSerialQueue
{
public:
    explicit MCSerialQueue(QString label = {});
    ~MCSerialQueue();
    MCSerialQueue(const MCSerialQueue &) = delete;
    MCSerialQueue &operator=(const MCSerialQueue &) = delete;

    QString label() const { return m_label; }

    // Queues `block` and returns at once.
    void async(std::function<void()> block);
    // Queues `block` and waits until it has run; called on the queue's own thread it runs
    // the block inline instead of deadlocking. An exception of the block reaches the caller.
    void sync(const std::function<void()> &block);
    // True on the queue's thread.
    bool isCurrent() const;

private:
    struct State;
    static void run(const std::shared_ptr<State> &state);

    QString m_label;
    std::shared_ptr<State> m_state;
};
