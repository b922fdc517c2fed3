#include "app/uikit/MCTextFieldCell.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace uikittest;
using namespace MCColorQuillon;

TEST(MCDarkTextFieldCell, BezelFillByEnabledAndEditing)
{
    const struct {
        bool enabled, editing;
        double brightness;
    } cases[] = {{true, false, 0.0}, {true, true, 0.0}, {false, true, 0.0}, {false, false, 1.0}};
    for (const auto &entry : cases) {
        SCOPED_TRACE(std::to_string(entry.enabled) + std::to_string(entry.editing));
        const MCFillStroke colors = MCDarkTextFieldBezelColors(entry.enabled, entry.editing);
        EXPECT_NEAR(colors.fill.valueF(), entry.brightness, 1e-3);
        EXPECT_NEAR(colors.fill.alphaF(), 0.2, 1e-3);
        EXPECT_NEAR(colors.stroke.valueF(), 1.0, 1e-3);
        EXPECT_NEAR(colors.stroke.alphaF(), 0.3, 1e-3);
    }
    EXPECT_EQ(MCDarkTextFieldBezelRect(QRectF(0, 0, 100, 22)), QRectF(0.5, 1.5, 99, 20));
}

TEST(MCDarkTextFieldCell, RenderedBezelOverTheBackground)
{
    AppearanceKind kind(1);
    MCDarkTextFieldCell field(QStringLiteral("Holidays"));
    field.resize(120, 22);
    // Inside, right of the text: the dark translucent fill over black stays black; the outline
    // is white at 0.3 (theme colours of brightness 1 are nearly white).
    EXPECT_TRUE(near(pixel(field, {110, 11}), colorWithBrightness(0.0, 0.2)));
    EXPECT_TRUE(near(pixel(field, {60, 21}), colorWithBrightness(1.0, 0.3), 4));
    EXPECT_TRUE(near(pixel(field, {60, 0}), background())) << "one pixel clear above the bezel";
    field.setEnabled(false);
    EXPECT_TRUE(near(pixel(field, {110, 11}), colorWithBrightness(1.0, 0.2)));
}

TEST(MCDarkTextFieldWithMenuCell, ArrowStripOpensTheMenuAndKeepsTheTextLeftOfIt)
{
    EXPECT_EQ(MCDarkTextFieldWithMenuCell::textFieldRectFromRect(QRectF(0, 0, 100, 22)), QRectF(0, 0, 86, 22));
    EXPECT_EQ(MCDarkTextFieldWithMenuCell::arrowRectFromRect(QRectF(0, 0, 100, 22)), QRectF(86, 0, 14, 22));
    EXPECT_EQ(MCDarkTextFieldWithMenuCell::arrow(QRectF(86, 0, 14, 22)),
              QPolygonF({QPointF(87, 9.5), QPointF(90, 14.5), QPointF(93, 9.5)}));

    AppearanceKind kind(1);
    MCDarkTextFieldWithMenuCell field;
    field.setText(QStringLiteral("{Name}"));
    field.resize(100, 22);
    EXPECT_TRUE(near(pixel(field, {90, 12}), Qt::white, 8));
    field.setEnabled(false);
    EXPECT_TRUE(near(pixel(field, {90, 12}), colorWithWhite(0.75), 8));
    field.setEnabled(true);

    QMenu menu;
    menu.addAction(QStringLiteral("Counter"));
    field.setMenu(&menu);
    field.show();
    field.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
    field.setFocus();
    field.selectAll();
    ASSERT_TRUE(field.hasSelectedText());
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(93, 11));
    EXPECT_FALSE(field.hasSelectedText()) << "the selection is cleared before the menu shows";
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    // A click on the text edits it as usual.
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(10, 11));
    EXPECT_FALSE(menu.isVisible());
}

TEST(MCVerticalCenteredTextFieldCell, CentresTruncatingTowardsZero)
{
    const struct {
        QRectF bounds;
        double textHeight;
        QRectF expected;
    } cases[] = {
        {QRectF(0, 0, 50, 10), 15, QRectF(0, -2, 50, 15)}, // -2.5 truncates to -2, not -3
        {QRectF(0, 0, 50, 30), 15, QRectF(0, 7, 50, 15)},  // 7.5 truncates to 7
        {QRectF(5, 20, 50, 16), 16, QRectF(5, 20, 50, 16)},
    };
    for (const auto &entry : cases)
        EXPECT_EQ(MCVerticalCenteredTextFieldCell::drawingRectForBounds(entry.bounds, entry.textHeight), entry.expected);
}

TEST(MCToolbarTextLabel, WhiteOverADarkCopyAndNothingWithoutText)
{
    MCToolbarTextLabel none;
    none.resize(80, 20);
    const QImage blank = rendering(none);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_TRUE(near(blank.pixelColor(x, y), background())) << x << "," << y;

    MCToolbarTextLabel label(QStringLiteral("IIIIIIII"));
    label.resize(80, 20);
    const QImage image = rendering(label);
    int white = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            white += image.pixelColor(x, y).lightness() > 200;
    EXPECT_GT(white, 10) << "the white text shows";
}

TEST(MCDarkDatePickerCell, BezelFollowsEnabledAndTheFieldIsWider)
{
    const MCFillStroke enabled = MCDarkDatePickerCell::bezelColors(true);
    const MCFillStroke disabled = MCDarkDatePickerCell::bezelColors(false);
    EXPECT_NEAR(enabled.fill.valueF(), 0.0, 1e-3);
    EXPECT_NEAR(disabled.fill.valueF(), 1.0, 1e-3);
    EXPECT_NEAR(disabled.fill.alphaF(), 0.2, 1e-3);

    AppearanceKind kind(1);
    MCDarkDatePickerCell date;
    date.setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date.setDate(QDate(2019, 7, 14));
    date.resize(date.sizeHint());
    date.setEnabled(false);
    EXPECT_TRUE(near(pixel(date, QPoint(date.width() - 4, date.height() / 2)), colorWithBrightness(1.0, 0.2)));
}

TEST(MCDarkColorWell, BandAndEdgeByState)
{
    const struct {
        bool enabled, active, over;
        double band, edge;
    } cases[] = {
        {false, false, false, 0.53, 0.59}, {false, true, true, 0.53, 0.59}, {true, true, true, 0.37, 0.43},
        {true, false, true, 0.53, 0.59},   {true, false, false, 0.43, 0.49},
    };
    for (const auto &entry : cases) {
        const MCFillStroke colors = MCDarkColorWell::wellColors(entry.enabled, entry.active, entry.over);
        EXPECT_NEAR(colors.fill.valueF(), entry.band, 1e-3);
        EXPECT_NEAR(colors.stroke.valueF(), entry.edge, 1e-3);
    }
    AppearanceKind kind(0);
    MCDarkColorWell well;
    well.setColor(QColor(200, 40, 40));
    well.resize(44, 24);
    EXPECT_TRUE(near(pixel(well, {22, 12}), QColor(200, 40, 40)));
    EXPECT_TRUE(near(pixel(well, {2, 12}), colorWithBrightness(0.43))); // the band
    EXPECT_TRUE(near(pixel(well, {0, 12}), colorWithBrightness(0.49))); // the edge
}
