#include "platform/core/MCOperationQueue.h"

#include "platform/core/MCDispatch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Polls `condition` for up to two seconds without an event loop.
bool waitFor(const std::function<bool()> &condition)
{
    for (int i = 0; i < 2000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

// An operation that runs until it is cancelled, as a long file operation does.
class UntilCancelled : public MCOperation
{
public:
    using MCOperation::MCOperation;
    std::atomic<bool> started{false};
    std::atomic<bool> sawCancel{false};

protected:
    void main() override
    {
        started = true;
        while (!isCancelled())
            std::this_thread::sleep_for(1ms);
        sawCancel = true;
    }
};

} // namespace

TEST(OperationQueue, SerialQueueStartsInOrderOneAtATime)
{
    MCOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::mutex logMutex;
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> completionsFine{true};
    for (int i = 0; i < 20; ++i) {
        auto operation = std::make_shared<MCBlockOperation>([&, i] {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            std::this_thread::sleep_for(100us);
            {
                std::lock_guard lock(logMutex);
                order.push_back(i);
            }
            --running;
        });
        // The completion runs after main, on the worker that ran it, with the operation finished.
        const MCOperation *self = operation.get();
        operation->setCompletionBlock([&, self] {
            if (!self->isFinished() || self->isExecuting() || platform::isMainThread())
                completionsFine = false;
        });
        queue.addOperation(operation);
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(overlapped);
    EXPECT_TRUE(completionsFine);
    ASSERT_EQ(order.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, NeverRunsMoreThanTheLimit)
{
    MCOperationQueue queue;
    EXPECT_EQ(queue.maxConcurrentOperationCount(), MCOperationQueue::defaultMaxConcurrentOperationCount);
    queue.setMaxConcurrentOperationCount(3);
    std::atomic<int> running{0};
    std::atomic<int> peak{0};
    std::atomic<bool> gateOpen{false};
    for (int i = 0; i < 7; ++i)
        queue.addOperationWithBlock([&] {
            const int now = ++running;
            int seen = peak.load();
            while (now > seen && !peak.compare_exchange_weak(seen, now)) {
            }
            while (!gateOpen)
                std::this_thread::sleep_for(1ms);
            --running;
        });
    ASSERT_TRUE(waitFor([&] { return running == 3; }));
    std::this_thread::sleep_for(20ms); // a fourth would have started by now
    EXPECT_EQ(running, 3);
    EXPECT_EQ(queue.operationCount(), 7);
    gateOpen = true;
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(peak, 3);
    EXPECT_THROW(queue.setMaxConcurrentOperationCount(-2), std::invalid_argument);
}

TEST(OperationQueue, CancelBeforeStartSkipsMainButCompletes)
{
    MCOperationQueue queue;
    queue.setSuspended(true);
    std::atomic<int> mainRuns{0};
    std::atomic<int> completions{0};
    std::vector<std::shared_ptr<MCBlockOperation>> operations;
    for (int i = 0; i < 4; ++i) {
        operations.push_back(std::make_shared<MCBlockOperation>([&] { ++mainRuns; }));
        operations.back()->setCompletionBlock([&] { ++completions; });
        queue.addOperation(operations.back());
    }
    EXPECT_EQ(queue.operationCount(), 4);
    EXPECT_TRUE(queue.isSuspended());
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(mainRuns, 0); // a suspended queue starts nothing

    operations[1]->cancel();
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(mainRuns, 3);
    EXPECT_EQ(completions, 4);
    EXPECT_TRUE(operations[1]->isCancelled());
    EXPECT_TRUE(operations[1]->isFinished());

    // cancelAll on waiting operations: none runs, all complete.
    queue.setMaxConcurrentOperationCount(0);
    for (int i = 0; i < 3; ++i)
        queue.addOperationWithBlock([&] { ++mainRuns; })->setCompletionBlock([&] { ++completions; });
    queue.cancelAllOperations();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(mainRuns, 3);
    EXPECT_EQ(completions, 7);
}

TEST(OperationQueue, CancelWhileRunningIsSeenByTheOperation)
{
    MCOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    auto running = std::make_shared<UntilCancelled>();
    std::atomic<bool> waitingRan{false};
    queue.addOperation(running);
    auto waiting = queue.addOperationWithBlock([&] { waitingRan = true; });
    ASSERT_TRUE(waitFor([&] { return running->started.load(); }));
    EXPECT_TRUE(running->isExecuting());

    running->cancel();
    running->waitUntilFinished();
    EXPECT_TRUE(running->sawCancel);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(waitingRan); // cancelling one leaves the next alone
}

TEST(OperationQueue, IdentifiersCancelTheLatestOperationOnly)
{
    MCOperationQueue queue;
    queue.setSuspended(true);
    auto earlier = std::make_shared<MCOperation>(QStringLiteral("photo-1"));
    auto later = std::make_shared<MCOperation>(QStringLiteral("photo-1"));
    auto other = std::make_shared<MCOperation>(QStringLiteral("photo-2"));
    auto unnamed = std::make_shared<MCOperation>();
    for (const auto &operation : {earlier, later, other, unnamed})
        queue.addOperation(operation);

    queue.cancelOperationWithIdentifier(QStringLiteral("photo-1"));
    queue.cancelOperationWithIdentifier(QStringLiteral("missing"));
    EXPECT_FALSE(earlier->isCancelled());
    EXPECT_TRUE(later->isCancelled());

    queue.cancelOperationsWithIdentifiers({QStringLiteral("photo-1"), QStringLiteral("photo-2")});
    EXPECT_FALSE(earlier->isCancelled()); // its entry was replaced, so it is out of reach
    EXPECT_TRUE(other->isCancelled());
    EXPECT_FALSE(unnamed->isCancelled());
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
}

TEST(OperationQueue, CompletionHandsResultsToTheMainThread)
{
    MCOperationQueue queue;
    std::thread::id workerThread, completionThread;
    bool delivered = false;
    auto operation = std::make_shared<MCBlockOperation>([&] { workerThread = std::this_thread::get_id(); });
    operation->setCompletionBlock([&] {
        completionThread = std::this_thread::get_id();
        platform::dispatchMain([&] { delivered = platform::isMainThread(); });
    });
    queue.addOperation(operation);
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return delivered; }));
    EXPECT_EQ(completionThread, workerThread);
    EXPECT_NE(workerThread, std::this_thread::get_id());
}

TEST(OperationQueue, ProgrammerErrors)
{
    MCOperationQueue queue;
    EXPECT_THROW(queue.addOperation(nullptr), std::invalid_argument);
    EXPECT_THROW(MCBlockOperation({}), std::invalid_argument);

    auto operation = queue.addOperationWithBlock([] {});
    EXPECT_THROW(queue.addOperation(operation), std::logic_error);
    MCOperationQueue other;
    EXPECT_THROW(other.addOperation(operation), std::logic_error);
    EXPECT_THROW(operation->start(), std::logic_error);

    std::atomic<bool> refused{false};
    queue.addOperationWithBlock([&] {
        try {
            queue.waitUntilAllOperationsAreFinished();
        } catch (const std::logic_error &) {
            refused = true;
        }
    });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(refused);
}

TEST(OperationQueue, StartRunsAStandaloneOperationOnce)
{
    int runs = 0, completions = 0;
    MCBlockOperation operation([&] { ++runs; });
    operation.setCompletionBlock([&] { ++completions; });
    operation.start();
    EXPECT_TRUE(operation.isFinished());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(completions, 1);
    EXPECT_THROW(operation.start(), std::logic_error);
    operation.waitUntilFinished(); // returns at once

    MCBlockOperation cancelled([&] { ++runs; });
    cancelled.cancel();
    cancelled.start();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(cancelled.isFinished());
}

TEST(OperationQueue, AThrowingOperationDoesNotStopTheQueue)
{
    MCOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::atomic<bool> completed{false}, nextRan{false};
    // The completion block is set before the operation is queued: set after, it could come
    // too late for an operation that has already finished.
    auto throwing = std::make_shared<MCBlockOperation>([] { throw std::runtime_error("decoder failed"); });
    throwing->setCompletionBlock([&] { completed = true; });
    queue.addOperation(throwing);
    queue.addOperationWithBlock([&] { nextRan = true; });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(completed);
    EXPECT_TRUE(nextRan);
}

TEST(OperationQueue, DestructionCancelsAndWaits)
{
    auto running = std::make_shared<UntilCancelled>();
    std::atomic<bool> waitingRan{false};
    std::atomic<bool> waitingCompleted{false};
    {
        MCOperationQueue queue;
        queue.setMaxConcurrentOperationCount(1);
        queue.addOperation(running);
        queue.addOperationWithBlock([&] { waitingRan = true; })->setCompletionBlock([&] { waitingCompleted = true; });
        ASSERT_TRUE(waitFor([&] { return running->started.load(); }));
    }
    EXPECT_TRUE(running->sawCancel);
    EXPECT_TRUE(running->isFinished());
    EXPECT_FALSE(waitingRan);
    EXPECT_TRUE(waitingCompleted);
}
