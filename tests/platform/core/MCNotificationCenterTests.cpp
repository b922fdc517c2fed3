#include "platform/core/MCNotificationCenter.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

const QString kChanged = QStringLiteral("TestObjectDidChange");
const QString kRemoved = QStringLiteral("TestObjectWasRemoved");

// A plain model object, as converters and stages are.
struct Model
{
    int value = 0;
};

} // namespace

TEST(NotificationCenter, MatchesNameAndObjectAndKeepsOrder)
{
    MCNotificationCenter center;
    auto a = std::make_shared<Model>();
    auto b = std::make_shared<Model>();
    QStringList log;
    center.addObserverForName(kChanged, a.get(), [&](const MCNotification &) { log << QStringLiteral("a-only"); });
    center.addObserverForName(kChanged, nullptr, [&](const MCNotification &n) {
        log << QStringLiteral("any:%1").arg(n.userInfo.value(QStringLiteral("key")).toString());
    });
    center.addObserverForName({}, nullptr, [&](const MCNotification &n) { log << QStringLiteral("all:") + n.name; });

    center.postNotificationName(kChanged, a.get(), {{QStringLiteral("key"), QStringLiteral("v")}});
    EXPECT_EQ(log, (QStringList{"a-only", "any:v", "all:" + kChanged}));

    log.clear();
    center.postNotificationName(kChanged, b.get());
    center.postNotificationName(kRemoved, a.get());
    EXPECT_EQ(log, (QStringList{"any:", "all:" + kChanged, "all:" + kRemoved}));
    EXPECT_THROW(center.postNotificationName({}), std::invalid_argument);
    EXPECT_THROW(center.addObserverForName(kChanged, nullptr, {}), std::invalid_argument);
}

TEST(NotificationCenter, DeliversOnThePostingThread)
{
    MCNotificationCenter center;
    std::thread::id deliveredOn;
    center.addObserverForName(kChanged, nullptr, [&](const MCNotification &) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id poster;
    std::thread worker([&] {
        poster = std::this_thread::get_id();
        center.postNotificationName(kChanged);
    });
    worker.join();
    EXPECT_EQ(deliveredOn, poster);
}

TEST(NotificationCenter, RemovalByTokenObserverAndName)
{
    MCNotificationCenter center;
    int observer = 0; // any address identifies an observer
    int byToken = 0, changed = 0, removed = 0;
    const MCNotificationToken token =
        center.addObserverForName(kChanged, nullptr, [&](const MCNotification &) { ++byToken; });
    center.addObserver(&observer, kChanged, nullptr, [&](const MCNotification &) { ++changed; });
    center.addObserver(&observer, kRemoved, nullptr, [&](const MCNotification &) { ++removed; });
    EXPECT_EQ(center.observerCount(), 3u);

    center.removeObserver(token);
    center.removeObserver(token);                      // twice: nothing
    center.removeObserver(MCNotificationToken(12345)); // unknown: nothing
    center.removeObserver(&observer, kRemoved, nullptr);
    center.postNotificationName(kChanged);
    center.postNotificationName(kRemoved);
    EXPECT_EQ(byToken, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(removed, 0);

    center.removeObserver(static_cast<const void *>(&observer));
    EXPECT_EQ(center.observerCount(), 0u);
    center.postNotificationName(kChanged);
    EXPECT_EQ(changed, 1);
}

TEST(NotificationCenter, ObserversMayChangeRegistrationsWhileBeingCalled)
{
    MCNotificationCenter center;
    QStringList log;
    MCNotificationToken self = 0, victim = 0;
    self = center.addObserverForName(kChanged, nullptr, [&](const MCNotification &) {
        log << QStringLiteral("self");
        center.removeObserver(self);   // removes itself while running
        center.removeObserver(victim); // and one that has not been called yet
        center.addObserverForName(kChanged, nullptr, [&](const MCNotification &) { log << QStringLiteral("late"); });
        center.postNotificationName(kRemoved); // and posts again from inside
    });
    victim = center.addObserverForName(kChanged, nullptr, [&](const MCNotification &) { log << QStringLiteral("victim"); });
    center.addObserverForName(kRemoved, nullptr, [&](const MCNotification &) { log << QStringLiteral("nested"); });

    center.postNotificationName(kChanged);
    EXPECT_EQ(log, (QStringList{"self", "nested"}));
    log.clear();
    center.postNotificationName(kChanged);
    EXPECT_EQ(log, (QStringList{"late"}));
}

TEST(NotificationCenter, ConcurrentPostingAddingAndRemoving)
{
    MCNotificationCenter center;
    std::atomic<int> wrongDeliveries{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            Model mine;
            for (int round = 0; round < 500; ++round) {
                int received = 0;
                const MCNotificationToken token = center.addObserverForName(
                    kChanged, &mine, [&](const MCNotification &n) {
                        if (n.object != &mine)
                            ++wrongDeliveries;
                        ++received;
                    });
                center.postNotificationName(kChanged, &mine);
                center.postNotificationName(kChanged, nullptr); // nobody of ours listens to nil
                center.removeObserver(token);
                center.postNotificationName(kChanged, &mine);
                if (received != 1)
                    ++wrongDeliveries;
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(wrongDeliveries, 0);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, QObjectObserversEndWithTheirObject)
{
    MCNotificationCenter center;
    int calls = 0;
    auto panel = std::make_unique<QObject>();
    center.addObserver(panel.get(), kChanged, nullptr, [&](const MCNotification &) { ++calls; });
    center.addObserver(panel.get(), kRemoved, nullptr, [&](const MCNotification &) { ++calls; });
    auto removedEarly = std::make_unique<QObject>();
    center.addObserver(removedEarly.get(), kChanged, nullptr, [&](const MCNotification &) { ++calls; });
    center.removeObserver(static_cast<const void *>(removedEarly.get()));
    removedEarly.reset();

    center.postNotificationName(kChanged);
    EXPECT_EQ(calls, 1);
    panel.reset(); // no removeObserver: its registrations end with it
    EXPECT_EQ(center.observerCount(), 0u);
    center.postNotificationName(kChanged);
    EXPECT_EQ(calls, 1);

    // A centre that goes first leaves no connection behind on a live observer.
    QObject survivor;
    {
        MCNotificationCenter shortLived;
        shortLived.addObserver(&survivor, kChanged, nullptr, [](const MCNotification &) {});
    }
}

TEST(NotificationCenter, DefaultCenterIsShared)
{
    EXPECT_EQ(&MCNotificationCenter::defaultCenter(), &MCNotificationCenter::defaultCenter());
}
