#include "platform/core/MCDispatch.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using testsupport::processEventsUntil;

namespace {

// Restores the default parallelism whatever a test set.
struct ParallelismGuard
{
    explicit ParallelismGuard(size_t threads) { platform::setMaximumParallelism(threads); }
    ~ParallelismGuard() { platform::setMaximumParallelism(0); }
};

} // namespace

// ---------------------------------------------------------------- main queue

TEST(Dispatch, MainRunsOnTheMainThreadInPostingOrder)
{
    std::vector<int> order;
    std::atomic<bool> allOnMain{true};
    std::thread worker([&] {
        EXPECT_FALSE(platform::isMainThread());
        for (int i = 0; i < 100; ++i)
            platform::dispatchMain([&, i] {
                allOnMain = allOnMain && platform::isMainThread();
                order.push_back(i);
            });
    });
    worker.join();
    ASSERT_TRUE(processEventsUntil([&] { return order.size() == 100; }));
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(Dispatch, MainNeverRunsInline)
{
    bool ran = false;
    platform::dispatchMain([&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_TRUE(processEventsUntil([&] { return ran; }));
}

TEST(Dispatch, MainSyncRunsInlineOnMainAndBlocksAWorker)
{
    bool inlineRan = false;
    EXPECT_TRUE(platform::dispatchMainSync([&] { inlineRan = true; }));
    EXPECT_TRUE(inlineRan);

    // The worker waits for the main thread's answer, as a worker asking the user does.
    std::atomic<int> answer{0};
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        int value = 0;
        const bool answered = platform::dispatchMainSync([&] {
            EXPECT_TRUE(platform::isMainThread());
            value = 42;
        });
        answer = answered ? value : -1;
        workerDone = true;
    });
    EXPECT_TRUE(processEventsUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(answer, 42);
}

TEST(Dispatch, MainSyncPassesAnExceptionToTheWorker)
{
    std::atomic<bool> caught{false};
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        try {
            platform::dispatchMainSync([] { throw std::runtime_error("declined"); });
        } catch (const std::runtime_error &e) {
            caught = std::string(e.what()) == "declined";
        }
        workerDone = true;
    });
    EXPECT_TRUE(processEventsUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_TRUE(caught);
}

TEST(Dispatch, MainAfterWaitsAtLeastTheDelay)
{
    QElapsedTimer clock;
    clock.start();
    qint64 ranAfter = -1;
    std::thread worker([&] { platform::dispatchMainAfter(60, [&] { ranAfter = clock.elapsed(); }); });
    worker.join();
    ASSERT_TRUE(processEventsUntil([&] { return ranAfter >= 0; }));
    EXPECT_GE(ranAfter, 55); // coarse timers may fire a little early
}

// ---------------------------------------------------------------- parallelFor

TEST(ParallelFor, CoversEveryIndexExactlyOnce)
{
    struct Case
    {
        size_t count, grain, threads;
    };
    const Case cases[] = {{0, 1, 0},   {1, 1, 0},    {2, 1, 0},    {3, 1, 0},     {7, 1, 0},  {31, 1, 0},
                          {33, 1, 0},  {1000, 1, 0}, {100003, 1, 0}, {1001, 7, 0}, {5, 64, 0}, {100003, 64, 0},
                          {1000, 1, 1}, {1000, 1, 2}, {17, 1, 3}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "count " << c.count << " grain " << c.grain << " threads " << c.threads);
        ParallelismGuard limit(c.threads);
        std::vector<std::atomic<int>> hits(c.count);
        std::atomic<size_t> calls{0};
        std::atomic<bool> smallChunk{false};
        platform::parallelFor(
            c.count,
            [&](size_t begin, size_t end) {
                ++calls;
                if (end - begin < c.grain && end - begin != c.count)
                    smallChunk = true;
                for (size_t i = begin; i < end; ++i)
                    ++hits[i];
            },
            c.grain);
        for (size_t i = 0; i < c.count; ++i)
            ASSERT_EQ(hits[i].load(), 1) << "index " << i;
        EXPECT_EQ(calls == 0, c.count == 0);
        EXPECT_FALSE(smallChunk);
    }
}

TEST(ParallelFor, UsesThePoolOrOnlyTheCaller)
{
    if (platform::processorCount() < 2)
        GTEST_SKIP() << "one processor";
    for (size_t threads : {size_t(1), size_t(0)}) {
        ParallelismGuard limit(threads);
        std::mutex idsMutex;
        std::set<std::thread::id> ids;
        platform::parallelFor(64, [&](size_t, size_t) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            std::lock_guard lock(idsMutex);
            ids.insert(std::this_thread::get_id());
        });
        if (threads == 1) {
            EXPECT_EQ(ids, std::set<std::thread::id>{std::this_thread::get_id()});
        } else {
            EXPECT_GT(ids.size(), 1u);
            EXPECT_LE(ids.size(), platform::processorCount());
        }
    }
}

TEST(ParallelFor, NestedCallsRunInlineAndComplete)
{
    const size_t rows = 37, columns = 53;
    std::vector<std::atomic<int>> hits(rows * columns);
    std::atomic<bool> innerWasNested{true};
    EXPECT_FALSE(platform::isInsideParallelFor());
    platform::parallelFor(rows, [&](size_t rowBegin, size_t rowEnd) {
        for (size_t row = rowBegin; row < rowEnd; ++row) {
            const std::thread::id outer = std::this_thread::get_id();
            platform::parallelFor(columns, [&](size_t begin, size_t end) {
                if (std::this_thread::get_id() != outer || !platform::isInsideParallelFor())
                    innerWasNested = false;
                for (size_t column = begin; column < end; ++column)
                    ++hits[row * columns + column];
            });
        }
    });
    EXPECT_FALSE(platform::isInsideParallelFor());
    EXPECT_TRUE(innerWasNested);
    for (auto &hit : hits)
        ASSERT_EQ(hit.load(), 1);
}

TEST(ParallelFor, ConcurrentCallersShareThePool)
{
    // Several operation threads running kernels at once must each get exactly their range.
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                const size_t count = 1 + size_t((t * 7919 + round * 104729) % 5000);
                std::vector<int> hits(count, 0);
                platform::parallelFor(count, [&](size_t begin, size_t end) {
                    for (size_t i = begin; i < end; ++i)
                        ++hits[i];
                });
                for (int hit : hits)
                    if (hit != 1)
                        ++failures;
            }
        });
    for (std::thread &caller : callers)
        caller.join();
    EXPECT_EQ(failures, 0);
}

TEST(ParallelFor, AThrowingChunkLetsTheOthersFinishAndReachesTheCaller)
{
    std::vector<std::atomic<int>> hits(1000);
    auto run = [&] {
        platform::parallelFor(1000, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i)
                ++hits[i];
            if (begin == 0)
                throw std::runtime_error("kernel failed");
        });
    };
    EXPECT_THROW(run(), std::runtime_error);
    for (auto &hit : hits)
        ASSERT_EQ(hit.load(), 1);
    EXPECT_FALSE(platform::isInsideParallelFor());
}

TEST(ParallelFor, MaximumParallelismIsClamped)
{
    ParallelismGuard limit(platform::processorCount() + 100);
    EXPECT_EQ(platform::maximumParallelism(), platform::processorCount());
    platform::setMaximumParallelism(1);
    EXPECT_EQ(platform::maximumParallelism(), 1u);
}

// ---------------------------------------------------------------- serial queue

TEST(SerialQueue, RunsBlocksOneAtATimeInOrder)
{
    MCSerialQueue queue(QStringLiteral("test-serial"));
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> onOtherThread{true};
    for (int i = 0; i < 50; ++i)
        queue.async([&, i] {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            onOtherThread = onOtherThread && queue.isCurrent() && !platform::isMainThread();
            order.push_back(i);
            std::this_thread::yield();
            --running;
        });
    // sync waits behind everything submitted before it.
    size_t seen = 0;
    queue.sync([&] { seen = order.size(); });
    EXPECT_EQ(seen, 50u);
    EXPECT_FALSE(overlapped);
    EXPECT_TRUE(onOtherThread);
    EXPECT_FALSE(queue.isCurrent());
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(SerialQueue, SyncFromItsOwnThreadRunsInline)
{
    MCSerialQueue queue;
    bool innerRan = false;
    queue.sync([&] { queue.sync([&] { innerRan = true; }); });
    EXPECT_TRUE(innerRan);
}

TEST(SerialQueue, ExceptionsReachSyncCallersAndDoNotStopTheQueue)
{
    MCSerialQueue queue;
    queue.async([] { throw std::runtime_error("lost block"); });
    EXPECT_THROW(queue.sync([] { throw std::invalid_argument("bad"); }), std::invalid_argument);
    bool ran = false;
    queue.sync([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_THROW(queue.async({}), std::invalid_argument);
}

TEST(SerialQueue, DestructionRunsWhatWasSubmitted)
{
    std::atomic<int> ran{0};
    {
        MCSerialQueue queue;
        for (int i = 0; i < 20; ++i)
            queue.async([&] {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                ++ran;
            });
    }
    EXPECT_EQ(ran, 20);
}

TEST(SerialQueue, ABlockMayDropTheLastOwnerOfItsQueue)
{
    auto queue = std::make_shared<MCSerialQueue>();
    std::atomic<bool> done{false};
    std::mutex gate;
    std::unique_lock hold(gate);
    queue->async([&gate, &done, owner = queue]() mutable {
        gate.lock(); // until the test has dropped its own reference
        gate.unlock();
        owner.reset(); // the queue dies on its own thread here
        done = true;   // the last touch of the test's locals
    });
    queue.reset();
    hold.unlock();
    for (int i = 0; i < 2000 && !done; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(done);
}
