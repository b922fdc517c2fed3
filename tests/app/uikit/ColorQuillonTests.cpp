#include "app/uikit/MCColorQuillon.h"
#include "platform/core/MCUserDefaults.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <thread>

namespace {

// Sets "AperanceKind" in the standard settings for one test and removes it afterwards.
class AppearanceKind
{
public:
    explicit AppearanceKind(QVariant value) { set(value); }
    ~AppearanceKind() { MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCAperanceKindKey); }
    void set(const QVariant &value) { MCUserDefaults::standardUserDefaults().setObject(value, kMCAperanceKindKey); }
};

void expectHsb(const QColor &color, double hue, double saturation, double brightness, double alpha)
{
    ASSERT_TRUE(color.isValid());
    if (saturation > 0.0) { // a grey has no hue worth comparing
        EXPECT_NEAR(color.hsvHueF(), hue, 1e-3);
    }
    EXPECT_NEAR(color.hsvSaturationF(), saturation, 1e-3);
    EXPECT_NEAR(color.valueF(), brightness, 1e-3);
    EXPECT_NEAR(color.alphaF(), alpha, 1e-3);
}

} // namespace

TEST(MCColorQuillon, SaturationFollowsTheAppearanceKind)
{
    const struct {
        QVariant kind;
        double saturation;
    } cases[] = {
        {QVariant(), 0.25}, // not set and not registered reads as 0
        {0, 0.25},
        {1, 0.1},
        {2, 0.1},
        {-1, 0.1},
    };
    for (const auto &entry : cases) {
        SCOPED_TRACE(entry.kind.toString().toStdString());
        AppearanceKind kind(entry.kind);
        EXPECT_DOUBLE_EQ(MCColorQuillon::defaultHue(), 0.6);
        EXPECT_DOUBLE_EQ(MCColorQuillon::defaultSaturation(), entry.saturation);
        expectHsb(MCColorQuillon::colorWithBrightness(0.4, 0.5), 0.6, entry.saturation, 0.4, 0.5);
        // The explicit-saturation constructor ignores the setting.
        expectHsb(MCColorQuillon::colorWithSaturation(0.7, 0.67, 1.0), 0.6, 0.7, 0.67, 1.0);
    }
}

TEST(MCColorQuillon, NamedColours)
{
    using Maker = QColor (*)();
    const struct {
        const char *name;
        Maker make;
        double brightness, alpha; // a theme colour
    } theme[] = {
        {"browserViewBackground", MCColorQuillon::browserViewBackgroundColor, 0.25, 1.0},
        {"browserSelectingRectFill", MCColorQuillon::browserSelectingRectFillColor, 0.92, 0.1},
        {"browserSelectingRectStroke", MCColorQuillon::browserSelectingRectStrokeColor, 0.92, 1.0},
        {"backgroundDark", MCColorQuillon::backgroundDarkColor, 0.15, 1.0},
        {"backgroundLight", MCColorQuillon::backgroundLightColor, 0.2, 1.0},
        {"darkSeparator", MCColorQuillon::darkSeparatorColor, 0.1, 1.0},
        {"lightSeparator", MCColorQuillon::lightSeparatorColor, 1.0, 0.33},
        {"navbarBackground", MCColorQuillon::navbarBackgroundColor, 0.2, 1.0},
        {"pathbarBackground", MCColorQuillon::pathbarBackgroundColor, 0.15, 1.0},
        {"sidebarBackground", MCColorQuillon::sidebarBackgroundColor, 0.15, 1.0},
        {"statusbarBackground", MCColorQuillon::statusbarBackgroundColor, 0.15, 1.0},
        {"toolbarBackground", MCColorQuillon::toolbarBackgroundColor, 0.25, 1.0},
        {"grayBorder", MCColorQuillon::grayBorderColor, 0.69, 1.0},
    };
    for (int kind : {0, 1}) {
        AppearanceKind setting(kind);
        const double saturation = kind == 0 ? 0.25 : 0.1;
        for (const auto &entry : theme) {
            SCOPED_TRACE(entry.name);
            expectHsb(entry.make(), 0.6, saturation, entry.brightness, entry.alpha);
        }
    }
    // Fixed colours: greys, the neutral alternate selection and the selection outline.
    const struct {
        const char *name;
        Maker make;
        double hue, saturation, brightness, alpha;
    } fixed[] = {
        {"browserHeaderCellFill", MCColorQuillon::browserHeaderCellFillColor, 0, 0, 0.0, 0.2},
        {"browserHeaderCellStroke", MCColorQuillon::browserHeaderCellStrokeColor, 0, 0, 0.0, 0.3},
        {"browserCellSelectionStroke", MCColorQuillon::browserCellSelectionStrokeColor, 0.6, 0.5, 1.0, 1.0},
        {"browserAlternateSelectingRectFill", MCColorQuillon::browserAlternateSelectingRectFillColor, 0, 0, 0.75, 0.1},
        {"browserAlternateSelectingRectStroke", MCColorQuillon::browserAlternateSelectingRectStrokeColor, 0, 0, 0.75, 1.0},
        {"browserAlternateCellSelectionFill", MCColorQuillon::browserAlternateCellSelectionFillColor, 0, 0, 0.75, 0.3},
        {"browserAlternateCellSelectionStroke", MCColorQuillon::browserAlternateCellSelectionStrokeColor, 0, 0, 0.75, 1.0},
    };
    AppearanceKind setting(0);
    for (const auto &entry : fixed) {
        SCOPED_TRACE(entry.name);
        expectHsb(entry.make(), entry.hue, entry.saturation, entry.brightness, entry.alpha);
    }
    EXPECT_FALSE(MCColorQuillon::browserCellSelectionFillColor().isValid()) << "no selection fill";
}

TEST(MCAppearanceObserver, AnnouncesEachChangeOfTheKindOnly)
{
    QTemporaryDir folder;
    MCUserDefaults defaults(folder.filePath(QStringLiteral("Preferences.plist")));
    MCAppearanceObserver observer(defaults);
    QSignalSpy spy(&observer, &MCAppearanceObserver::appearanceKindChanged);
    defaults.setInteger(0, kMCAperanceKindKey);
    EXPECT_EQ(spy.count(), 1);
    defaults.setInteger(0, kMCAperanceKindKey); // unchanged: no notice
    defaults.setBool(true, QStringLiteral("PathBarIsHidden"));
    EXPECT_EQ(spy.count(), 1);
    defaults.registerDefaults({{kMCAperanceKindKey, 1}}); // the user's 0 still answers
    EXPECT_EQ(spy.count(), 1);
    defaults.removeObjectForKey(kMCAperanceKindKey); // now the registered 1 answers
    EXPECT_EQ(spy.count(), 2);

    // A change from another thread is announced on the observer's thread.
    std::thread worker([&] { defaults.setInteger(3, kMCAperanceKindKey); });
    worker.join();
    EXPECT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.count(), 3);
}
