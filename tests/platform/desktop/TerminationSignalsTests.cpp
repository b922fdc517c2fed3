#include "platform/desktop/MCTerminationSignals.h"

#include "tests/support/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

namespace {

void recordingHandler(int) {}

} // namespace

// Each signal arrives as a Qt signal once; the actions in place before come back afterwards;
// only one notifier may exist.
TEST(MCTerminationSignals, TurnsSignalsIntoEventsAndRestoresTheirActions)
{
    struct sigaction before {};
    before.sa_handler = recordingHandler;
    sigemptyset(&before.sa_mask);
    struct sigaction saved[3];
    const int numbers[3] = {SIGTERM, SIGINT, SIGHUP};
    for (int i = 0; i < 3; ++i)
        ::sigaction(numbers[i], &before, &saved[i]);
    {
        MCTerminationSignals notifier;
        ASSERT_TRUE(notifier.isActive());
        EXPECT_THROW(MCTerminationSignals second, std::logic_error);
        QSignalSpy spy(&notifier, &MCTerminationSignals::terminationRequested);
        for (int number : numbers)
            ::raise(number);
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return spy.count() == 3; }));
        EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
        EXPECT_EQ(spy.at(1).at(0).toInt(), SIGINT);
        EXPECT_EQ(spy.at(2).at(0).toInt(), SIGHUP);
    }
    for (int i = 0; i < 3; ++i) {
        struct sigaction now {};
        ::sigaction(numbers[i], &saved[i], &now);
        EXPECT_EQ(now.sa_handler, &recordingHandler) << numbers[i];
    }
    // A notifier can be made again once the first is gone.
    MCTerminationSignals again;
    EXPECT_TRUE(again.isActive());
}
