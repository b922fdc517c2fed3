#include "app/uikit/MCBackgroundView.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QSignalSpy>

#include <functional>
#include <memory>

using namespace uikittest;
using namespace MCColorQuillon;

TEST(MCBackgroundView, FillsAndHairlinesOfEachStrip)
{
    AppearanceKind kind(0);
    struct Case {
        const char *name;
        std::function<MCBackgroundView *()> make;
        QColor fill;       // the middle of the strip
        QColor topRow;     // row 0
        QColor secondRow;  // row 1
        QColor bottomRow;  // the last row
    };
    const QColor clear; // transparent: the background shows
    const Case cases[] = {
        {"base", [] { return new MCBackgroundView; }, Qt::black, Qt::black, Qt::black, Qt::black},
        {"sidebar", [] { return new MCSidebarBackgroundView; }, colorWithBrightness(0.15), colorWithBrightness(0.15),
         colorWithBrightness(0.15), colorWithBrightness(0.15)},
        {"pathbar", [] { return new MCPathbarBackgroundView; }, colorWithBrightness(0.15), colorWithBrightness(0.1),
         colorWithBrightness(0.15), colorWithBrightness(0.15)},
        {"toolbar", [] { return new MCToolbarBackgroundView; }, colorWithBrightness(0.25), colorWithBrightness(0.07),
         colorWithBrightness(0.33), colorWithBrightness(0.25)},
        {"statusbar", [] { return new MCStatusbarBackgroundView; }, colorWithBrightness(0.15),
         colorWithBrightness(0.15), colorWithBrightness(0.15), colorWithBrightness(0.1)},
        {"light", [] { return new MCLightBackgroundView; }, colorWithBrightness(0.2), colorWithBrightness(0.2),
         colorWithBrightness(0.2), colorWithBrightness(0.2)},
        {"navigation", [] { return new MCNavigationBackgroundView; }, colorWithBrightness(0.2),
         colorWithBrightness(0.2), colorWithBrightness(0.2), colorWithBrightness(0.1)},
        {"dark", [] { return new MCDarkBackgroundView; }, colorWithBrightness(0.15), colorWithBrightness(0.15),
         colorWithBrightness(0.15), colorWithBrightness(0.15)},
        {"actions header", [] { return new MCActionsHeaderView; }, colorWithBrightness(0.27), colorWithBrightness(0.1),
         colorWithBrightness(0.27), colorWithBrightness(0.1)},
        {"title bar", [] { return new MCTitleBarBackgroundView; }, background(), background(), background(),
         colorWithWhite(0.0)},
    };
    for (const Case &entry : cases) {
        SCOPED_TRACE(entry.name);
        std::unique_ptr<MCBackgroundView> view(entry.make());
        view->resize(60, 20);
        const QImage image = rendering(*view);
        EXPECT_TRUE(near(image.pixelColor(30, 10), entry.fill));
        EXPECT_TRUE(near(image.pixelColor(30, 0), entry.topRow));
        EXPECT_TRUE(near(image.pixelColor(0, 1), entry.secondRow));
        EXPECT_TRUE(near(image.pixelColor(59, 19), entry.bottomRow));
    }
}

TEST(MCBackgroundView, BorderLinesLieOnPixelCentresAndVanishForEmptyBounds)
{
    const MCBorderLine top{MCBorderLine::Top, 0.5, Qt::black};
    const MCBorderLine bottom{MCBorderLine::Bottom, 0.5, Qt::black};
    const MCBorderLine second{MCBorderLine::Top, 1.5, Qt::black};
    EXPECT_EQ(MCBorderLineInRect(QRectF(0, 0, 50, 20), top), QLineF(0, 0.5, 50, 0.5));
    EXPECT_EQ(MCBorderLineInRect(QRectF(0, 0, 50, 20), bottom), QLineF(0, 19.5, 50, 19.5));
    EXPECT_EQ(MCBorderLineInRect(QRectF(0, 0, 50, 20), second), QLineF(0, 1.5, 50, 1.5));
    EXPECT_TRUE(MCBorderLineInRect(QRectF(0, 0, 0, 20), top).isNull());
    EXPECT_TRUE(MCBorderLineInRect(QRectF(0, 0, 50, 0), bottom).isNull());
}

TEST(MCBackgroundView, StripsReTintWithTheAppearanceKind)
{
    MCToolbarBackgroundView view;
    view.resize(40, 20);
    {
        AppearanceKind kind(0);
        EXPECT_TRUE(near(pixel(view, {20, 10}), QColor::fromHsvF(0.6f, 0.25f, 0.25f)));
    }
    AppearanceKind kind(1);
    EXPECT_TRUE(near(pixel(view, {20, 10}), QColor::fromHsvF(0.6f, 0.1f, 0.25f)));
}

TEST(MCGradientView, GradientLineRunsAlongTheAngleAcrossTheWholeRectangle)
{
    const QRectF rect(0, 0, 100, 40);
    const struct {
        double angle;
        QLineF line;
    } cases[] = {
        {0, QLineF(0, 20, 100, 20)},     // left to right
        {90, QLineF(50, 40, 50, 0)},     // bottom to top
        {180, QLineF(100, 20, 0, 20)},
        {270, QLineF(50, 0, 50, 40)},
        {45, QLineF(15, 55, 85, -15)},   // through the centre; its ends are level with the far corners
    };
    for (const auto &entry : cases) {
        SCOPED_TRACE(entry.angle);
        const QLineF line = MCGradientLine(rect, entry.angle);
        EXPECT_NEAR(line.x1(), entry.line.x1(), 1e-9);
        EXPECT_NEAR(line.y1(), entry.line.y1(), 1e-9);
        EXPECT_NEAR(line.x2(), entry.line.x2(), 1e-9);
        EXPECT_NEAR(line.y2(), entry.line.y2(), 1e-9);
    }
}

namespace {
class ThemeGradient : public MCGradientView
{
public:
    QList<QColor> colors() const override { return {colorWithBrightness(0.2), colorWithBrightness(0.6)}; }
};
} // namespace

TEST(MCGradientView, FirstColourAtTheBottomAndRebuiltWhenTheKindChanges)
{
    AppearanceKind kind(1);
    ThemeGradient view;
    view.resize(20, 101);
    QImage image = rendering(view);
    EXPECT_TRUE(near(image.pixelColor(10, 100), colorWithBrightness(0.2), 3));
    EXPECT_TRUE(near(image.pixelColor(10, 0), colorWithBrightness(0.6), 3));

    MCUserDefaults::standardUserDefaults().setInteger(0, kMCAperanceKindKey);
    ASSERT_EQ(view.gradientStops().size(), 2);
    EXPECT_NEAR(view.gradientStops()[1].second.hsvSaturationF(), 0.25, 1e-3) << "rebuilt at once";
    image = rendering(view);
    EXPECT_TRUE(near(image.pixelColor(10, 0), QColor::fromHsvF(0.6f, 0.25f, 0.6f), 3));

    MCGradientView plain;
    plain.resize(10, 10);
    rendering(plain);
    ASSERT_EQ(plain.gradientStops().size(), 2);
    EXPECT_TRUE(near(plain.gradientStops()[0].second, QColor(128, 128, 128), 1)); // grey at the bottom
}

TEST(MCDarkSplitView, DividerIsOneDarkPixelBetweenThePanes)
{
    AppearanceKind kind(1);
    for (bool black : {false, true}) {
        SCOPED_TRACE(black ? "black" : "dark");
        std::unique_ptr<MCDarkSplitView> split(black ? new MCBlackSplitView(Qt::Horizontal)
                                                     : new MCDarkSplitView(Qt::Horizontal));
        auto *left = new MCLightBackgroundView;
        auto *right = new MCLightBackgroundView;
        split->addWidget(left);
        split->addWidget(right);
        split->resize(101, 30);
        split->setSizes({50, 50});
        split->show();
        QApplication::processEvents();
        const QImage image = rendering(*split);
        const int divider = left->geometry().right() + 1;
        EXPECT_EQ(split->handleWidth(), 1);
        EXPECT_TRUE(near(image.pixelColor(divider, 15), colorWithBrightness(0.1)));
        EXPECT_TRUE(near(image.pixelColor(divider - 1, 15), colorWithBrightness(0.2)));
        EXPECT_TRUE(near(image.pixelColor(divider + 1, 15), colorWithBrightness(0.2)));
    }
}

TEST(MCDarkSeparatorLine, HorizontalWhenWiderElseVertical)
{
    EXPECT_EQ(MCDarkSeparatorLine::lineForBounds(QRectF(0, 0, 100, 9)), QLineF(0, 4.5, 100, 4.5));
    EXPECT_EQ(MCDarkSeparatorLine::lineForBounds(QRectF(0, 0, 9, 100)), QLineF(4.5, 0, 4.5, 100));
    EXPECT_EQ(MCDarkSeparatorLine::lineForBounds(QRectF(0, 0, 10, 10)), QLineF(5.5, 0, 5.5, 10)); // square: vertical

    AppearanceKind kind(0);
    MCDarkSeparatorLine line;
    line.resize(40, 9);
    const QImage image = rendering(line);
    EXPECT_TRUE(near(image.pixelColor(20, 4), colorWithBrightness(0.1)));
    EXPECT_TRUE(near(image.pixelColor(20, 3), background()));
    EXPECT_TRUE(near(image.pixelColor(20, 5), background()));
}
