// What the geometry, profile, resolution, colour and curves panels show, as tables.
#include "app/panels/MCStagePanelLayouts.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MCStagePanelLayouts, ProfileMenuKeepsNamedProfilesAndTheLaterOfEqualNames)
{
    using Items = QList<MCColorProfileMenuItem>;
    struct Case
    {
        const char *what;
        Items entries;
        Items items;
    };
    const std::vector<Case> cases = {
        {"empty", {}, {}},
        {"in the stage's order", {{"sRGB", "/p/srgb.icc"}, {"Adobe", "/p/adobe.icc"}},
         {{"sRGB", "/p/srgb.icc"}, {"Adobe", "/p/adobe.icc"}}},
        {"no name or no file: no item", {{"", "/p/a.icc"}, {"B", ""}, {"C", "/p/c.icc"}}, {{"C", "/p/c.icc"}}},
        {"equal names: the later wins, in its place",
         {{"Gray", "/p/g1.icc"}, {"sRGB", "/p/srgb.icc"}, {"Gray", "/p/g2.icc"}},
         {{"sRGB", "/p/srgb.icc"}, {"Gray", "/p/g2.icc"}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCColorProfileMenuItems(c.entries), c.items) << c.what;
}

TEST(MCStagePanelLayouts, ProfileMenuSelectsTheStagesFileOrTheFirst)
{
    const QList<MCColorProfileMenuItem> items = {{"A", "/p/a.icc"}, {"B", "/p/b.icc"}, {"C", "/p/c.icc"}};
    EXPECT_EQ(MCColorProfileMenuSelection({}, "/p/a.icc"), -1);
    EXPECT_EQ(MCColorProfileMenuSelection(items, "/p/b.icc"), 1);
    EXPECT_EQ(MCColorProfileMenuSelection(items, "/p/./c.icc"), 2);
    EXPECT_EQ(MCColorProfileMenuSelection(items, "/elsewhere/missing.icc"), 0);
    EXPECT_EQ(MCColorProfileMenuSelection(items, ""), 0);
}

TEST(MCStagePanelLayouts, ScaleRowsPerMode)
{
    struct Case
    {
        quint64 mode;
        const char *caption, *unit, *key;
        const char *second; // nullptr: one row
        double height;
    };
    const std::vector<Case> cases = {
        {0, "Scale to:", "percent", "scaleInPercentage", nullptr, 67},
        {1, "Long Edge:", "pixels", "scaleToEdge", nullptr, 67},
        {2, "Short Edge:", "pixels", "scaleToEdge", nullptr, 67},
        {3, "Scale to:", "megapixels", "scaleToMegapixels", nullptr, 67},
        {4, "Long Edge:", "pixels", "scaleToEdge", "Short Edge:", 92},
        {5, "Width:", "pixels", "scaleToEdge", "Height:", 92},
    };
    for (const Case &c : cases) {
        const auto layout = MCScalePanelLayoutForMode(c.mode);
        ASSERT_TRUE(layout) << c.mode;
        EXPECT_EQ(layout->caption, c.caption) << c.mode;
        EXPECT_EQ(layout->unit, c.unit) << c.mode;
        EXPECT_EQ(layout->key, c.key) << c.mode;
        EXPECT_EQ(layout->showsSecondRow, c.second != nullptr) << c.mode;
        EXPECT_EQ(layout->secondCaption, c.second ? QString(c.second) : QString()) << c.mode;
        EXPECT_EQ(MCScalePanelPreferredHeight(c.mode), c.height) << c.mode;
    }
    EXPECT_FALSE(MCScalePanelLayoutForMode(6));
    EXPECT_EQ(MCScalePanelPreferredHeight(6), 67.0);
}

TEST(MCStagePanelLayouts, HeightsAndResolutionChecks)
{
    EXPECT_EQ(MCScaleToSizePanelPreferredHeight(0), 212.0);
    EXPECT_EQ(MCScaleToSizePanelPreferredHeight(1), 182.0);
    EXPECT_EQ(MCScaleToSizePanelPreferredHeight(2), 182.0);
    EXPECT_TRUE(MCScaleToSizePanelShowsFillColor(0));
    EXPECT_FALSE(MCScaleToSizePanelShowsFillColor(1));

    const QList<quint64> tags = {72, 150, 300, 72};
    EXPECT_EQ(MCResolutionMenuCheckStates(tags, 72), QList<bool>({true, false, false, true}));
    EXPECT_EQ(MCResolutionMenuCheckStates(tags, 301), QList<bool>({false, false, false, false}));
    EXPECT_TRUE(MCResolutionMenuValues().contains(72));
}

TEST(MCStagePanelLayouts, ColourWellAndCurveChannels)
{
    const auto opaque = MCOpaqueDeviceRGBColor(QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.3f));
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->alphaF(), 1.0f);
    EXPECT_NEAR(opaque->greenF(), 0.4, 1e-4);
    EXPECT_EQ(opaque->spec(), QColor::Rgb);
    const auto fromHsv = MCOpaqueDeviceRGBColor(QColor::fromHsvF(0.0f, 1.0f, 1.0f, 0.5f));
    ASSERT_TRUE(fromHsv);
    EXPECT_EQ(fromHsv->spec(), QColor::Rgb);
    EXPECT_NEAR(fromHsv->redF(), 1.0, 1e-4);
    EXPECT_FALSE(MCOpaqueDeviceRGBColor(QColor()));

    struct Case
    {
        quint64 channel;
        const char *key;
        float hue, saturation, value;
    };
    const std::vector<Case> cases = {
        {0, "pointsA", -1, 0, 0.75f}, {1, "pointsR", 0, 0.5f, 0.5f}, {2, "pointsG", 0.25f, 0.5f, 0.5f},
        {3, "pointsB", 7.0f / 12.0f, 0.5f, 0.5f}, {7, "pointsA", -1, 0, 0.75f},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(MCCurvesPanelPointsKeyForChannel(c.channel), c.key) << c.channel;
        const QColor color = MCCurvesPanelForegroundColorForChannel(c.channel);
        if (c.hue >= 0) {
            EXPECT_NEAR(color.hsvHueF(), c.hue, 1e-3) << c.channel;
        }
        EXPECT_NEAR(color.hsvSaturationF(), c.saturation, 1e-3) << c.channel;
        EXPECT_NEAR(color.valueF(), c.value, 1e-3) << c.channel;
        EXPECT_EQ(color.alphaF(), 1.0f) << c.channel;
    }
}
