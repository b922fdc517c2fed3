#include "app/uikit/MCProgressIndicator.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

using namespace uikittest;
using namespace MCColorQuillon;

TEST(MCDarkProgressIndicator, TrackFillAndShareGeometry)
{
    const struct {
        double value, min, max;
        bool indeterminate;
        double share;
    } shares[] = {{0, 0, 100, false, 0},   {25, 0, 100, false, 0.25}, {150, 0, 100, false, 1.5},
                  {5, 5, 5, false, 0},     {3, 10, 0, false, 0},      {0, 0, 0, true, 1}};
    for (const auto &s : shares)
        EXPECT_DOUBLE_EQ(MCDarkProgressIndicator::fraction(s.value, s.min, s.max, s.indeterminate), s.share);
    const QRectF bounds(0, 0, 104, 20);
    EXPECT_EQ(MCDarkProgressIndicator::bezelRect(bounds), QRectF(0.5, 2.5, 103, 15));
    EXPECT_EQ(MCDarkProgressIndicator::progressRect(bounds, 0.5), QRectF(2, 4, 50, 12));
}

TEST(MCDarkProgressIndicator, StripesRepeatEveryTwoWidthsAndCoverTheFill)
{
    const QRectF fill(2, 4, 100, 12);
    const QPainterPath stripes = MCDarkProgressIndicator::stripesPath(fill, 10, 0);
    // k = 0 .. trunc(100 / 20 + 20) + 1 = 26: 27 parallelograms of 5 elements each.
    EXPECT_EQ(stripes.elementCount(), 27 * 5);
    EXPECT_EQ(stripes.elementAt(0), QPointF(-18, 16)); // the first starts two widths left of the fill
    EXPECT_EQ(stripes.elementAt(2), QPointF(-0, 4));
    EXPECT_TRUE(stripes.contains(QPointF(5, 15)));   // inside the stripe from x = 2 at the bottom
    EXPECT_FALSE(stripes.contains(QPointF(15, 15))); // the gap after it
    const QPainterPath shifted = MCDarkProgressIndicator::stripesPath(fill, 10, 19);
    EXPECT_EQ(shifted.elementAt(0), QPointF(1, 16));
}

TEST(MCDarkProgressIndicator, TicksMoveOnePixelAndWrapAfterTwoWidths)
{
    MCDarkProgressIndicator bar;
    EXPECT_EQ(bar.progressOffset(), 0.0);
    bar.activateAnimation();
    EXPECT_EQ(bar.progressOffset(), 19.0);
    for (int i = 0; i < 19; ++i)
        bar.activateAnimation();
    EXPECT_EQ(bar.progressOffset(), 0.0);
}

TEST(MCDarkProgressIndicator, DrawsOnlyTheTrackWithoutProgress)
{
    AppearanceKind kind(1);
    MCDarkProgressIndicator bar;
    bar.resize(104, 20);
    bar.setIndeterminate(false);
    bar.setMaxValue(100);
    const QPointF inFill(20, 10);
    EXPECT_TRUE(near(pixel(bar, inFill), colorWithBrightness(0.2))); // value 0: the track only
    bar.setDoubleValue(50);
    EXPECT_TRUE(near(pixel(bar, inFill), colorWithBrightness(0.5)));
    EXPECT_TRUE(near(pixel(bar, {80, 10}), colorWithBrightness(0.2)));
    bar.setMinValue(100); // equal limits
    EXPECT_TRUE(near(pixel(bar, inFill), colorWithBrightness(0.2)));
}

TEST(MCDarkProgressIndicator, OneTimerWhileShownAndStripesStayWhenStopped)
{
    MCDarkProgressIndicator bar;
    bar.resize(104, 20);
    bar.show();
    bar.startAnimation();
    bar.startAnimation(); // no second timer
    EXPECT_TRUE(bar.isAnimating());
    QElapsedTimer clock;
    clock.start();
    // Ten ticks at 1/30 s: at least about a third of a second.
    int ticks = 0;
    double last = bar.progressOffset();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (bar.progressOffset() != last) {
                last = bar.progressOffset();
                ++ticks;
            }
            return ticks >= 10;
        },
        10000));
    EXPECT_GE(clock.elapsed(), 9 * MCDarkProgressIndicator::kAnimationInterval - 30);
    bar.stopAnimation();
    const double stopped = bar.progressOffset();
    QTest::qWait(4 * MCDarkProgressIndicator::kAnimationInterval);
    EXPECT_EQ(bar.progressOffset(), stopped);
    // Hidden, the timer stops; shown again, a started bar resumes.
    bar.startAnimation();
    bar.hide();
    EXPECT_FALSE(bar.isAnimating());
    bar.show();
    EXPECT_TRUE(bar.isAnimating());
    // A bar that hides when stopped stops at exactly the maximum.
    bar.setDisplayedWhenStopped(false);
    bar.setIndeterminate(false);
    bar.setDoubleValue(99.5);
    EXPECT_TRUE(bar.isAnimating());
    bar.setDoubleValue(100);
    EXPECT_FALSE(bar.isAnimating());
}

TEST(MCWhiteSpinningProgress, SpokesCountDownAndShowStillWhenNotAnimating)
{
    EXPECT_DOUBLE_EQ(MCWhiteSpinningProgress::spokeAlpha(0, true), 0.0);
    EXPECT_DOUBLE_EQ(MCWhiteSpinningProgress::spokeAlpha(11, true), 11.0 / 15.0);
    EXPECT_DOUBLE_EQ(MCWhiteSpinningProgress::spokeAlpha(5, false), 0.2);
    EXPECT_DOUBLE_EQ(MCWhiteSpinningProgress::rotationForPosition(3), -90.0);
    MCWhiteSpinningProgress spinner;
    spinner.updateFrame();
    EXPECT_EQ(spinner.position(), 11);
    spinner.updateFrame();
    EXPECT_EQ(spinner.position(), 10);
    for (int i = 0; i < 10; ++i)
        spinner.updateFrame();
    EXPECT_EQ(spinner.position(), 0);

    // Still: every spoke white at 0.2 over the background; none brighter.
    spinner.resize(64, 64);
    const QImage still = rendering(spinner);
    int brightest = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            brightest = qMax(brightest, still.pixelColor(x, y).red());
    EXPECT_NEAR(brightest, 51, 3);
}

TEST(MCWhiteSpinningProgress, AnimatesOnlyIndeterminateAndOnlyWhileShown)
{
    MCWhiteSpinningProgress spinner;
    spinner.resize(64, 64);
    spinner.setIndeterminate(false);
    spinner.startAnimation();
    EXPECT_FALSE(spinner.isAnimating()); // determinate: stays still
    spinner.setIndeterminate(true);
    spinner.startAnimation(); // not shown yet: animating, but no timer until it is
    EXPECT_TRUE(spinner.isAnimating());
    EXPECT_FALSE(spinner.isTimerRunning());
    spinner.show();
    EXPECT_TRUE(spinner.isTimerRunning());
    const qint64 start = spinner.position();
    ASSERT_TRUE(QTest::qWaitFor([&] { return spinner.position() != start; }, 5000));
    spinner.hide();
    EXPECT_FALSE(spinner.isTimerRunning());
    EXPECT_TRUE(spinner.isAnimating());
    spinner.show();
    EXPECT_TRUE(spinner.isTimerRunning());
    spinner.setUsesThreadedAnimation(true); // the same GUI-thread timer, restarted
    EXPECT_TRUE(spinner.isTimerRunning());
    spinner.setIndeterminate(false); // stops first
    EXPECT_FALSE(spinner.isAnimating());
    EXPECT_FALSE(spinner.isTimerRunning());
}
