#include "app/uikit/MCCheckboxCell.h"
#include "app/uikit/MCPopupCell.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace uikittest;
using namespace MCColorQuillon;

namespace {
QColor theme(double brightness) { return colorWithBrightness(brightness); }
} // namespace

TEST(MCDarkCheckboxCell, BoxAndCircleFillOfEachLook)
{
    AssumeActiveWindow active;
    AppearanceKind kind(0);
    const struct {
        MCControlState state;
        QColor fill;
    } looks[] = {{MCControlState::Disabled, colorWithWhite(0.53)},
                 {MCControlState::Pressed, theme(0.3)},
                 {MCControlState::MouseOver, theme(0.35)},
                 {MCControlState::Default, theme(0.2)}};
    for (const auto &look : looks) {
        SCOPED_TRACE(MCControlStateName(look.state));
        MCDarkCheckboxCell box(QStringLiteral("Keep dates"));
        box.resize(100, 16);
        applyState(box, look.state, [&] { box.setDown(true); });
        EXPECT_EQ(box.controlState(), look.state);
        EXPECT_TRUE(near(pixel(box, {3, 3}), look.fill)); // inside the box, clear of the mark

        MCDarkRadioButtonCell radio(QStringLiteral("Replace"));
        radio.resize(100, 16);
        applyState(radio, look.state, [&] { radio.setDown(true); });
        EXPECT_EQ(radio.controlState(), look.state);
        EXPECT_TRUE(near(pixel(radio, {4, 8}), look.fill)); // inside the circle, outside the ring
    }
}

TEST(MCDarkCheckboxCell, MarkShowsOnlyWhenOnAlsoWhenDisabled)
{
    AppearanceKind kind(1);
    const QPointF onTheMark(9, 8); // on the tick's long stroke in a 16-pixel frame
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        MCDarkCheckboxCell box;
        box.resize(16, 16);
        box.setEnabled(enabled);
        const QColor fill = enabled ? theme(0.2) : colorWithWhite(0.53);
        EXPECT_TRUE(near(pixel(box, onTheMark), fill));
        box.setCheckState(Qt::Checked);
        EXPECT_TRUE(near(pixel(box, onTheMark), Qt::white, 60)); // antialiased edge of a 2-pixel stroke
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked); // mixed: the box without a mark
        EXPECT_TRUE(near(pixel(box, onTheMark), fill));
    }
}

TEST(MCDarkCheckboxCell, SmallSizesUseTheWiderInset)
{
    const QRectF frame = MCCheckboxImageFrame(QRectF(0, 0, 80, 20), MCControlSize::Regular);
    EXPECT_EQ(frame, QRectF(0, 2, 16, 16));
    EXPECT_EQ(MCCheckboxShapeRect(frame, MCControlSize::Regular), QRectF(1.5, 3.5, 13, 13));
    const QRectF small = MCCheckboxImageFrame(QRectF(0, 0, 80, 14), MCControlSize::Small);
    EXPECT_EQ(small, QRectF(0, 0, 14, 14));
    EXPECT_EQ(MCCheckboxShapeRect(small, MCControlSize::Small), QRectF(2.5, 2.5, 9, 9));
    EXPECT_EQ(MCCheckboxShapeRect(QRectF(0, 0, 12, 12), MCControlSize::Mini), QRectF(2.5, 2.5, 7, 7));
}

TEST(MCDarkRadioButtonCell, RingOfASelectedButtonDimsWhenDisabled)
{
    AppearanceKind kind(1);
    const QRectF outer = MCCheckboxShapeRect(QRectF(0, 0, 16, 16), MCControlSize::Regular);
    EXPECT_EQ(MCDarkRadioButtonCell::ringRect(outer), QRectF(5.5, 5.5, 5, 5));
    MCDarkRadioButtonCell radio;
    radio.resize(16, 16);
    const QPointF onTheRing(8, 5); // the top of the ring, a pixel row it covers wholly
    EXPECT_TRUE(near(pixel(radio, onTheRing), theme(0.2)));
    radio.setChecked(true);
    EXPECT_TRUE(near(pixel(radio, onTheRing), colorWithWhite(0.85), 4));
    radio.setEnabled(false);
    // White 0.85 at 0.8 over the disabled fill.
    const QColor fill = colorWithWhite(0.53);
    const double expected = 0.85 * 0.8 + fill.redF() * 0.2;
    EXPECT_TRUE(near(pixel(radio, onTheRing), colorWithWhite(expected), 4));
}

TEST(MCDarkRadioButtonCell, InAGridOnlyTheButtonUnderThePointerLightsUp)
{
    AssumeActiveWindow active;
    AppearanceKind kind(0);
    QWidget grid;
    std::vector<MCDarkRadioButtonCell *> radios;
    for (int i = 0; i < 4; ++i) {
        auto *radio = new MCDarkRadioButtonCell(QStringLiteral("Choice %1").arg(i), &grid);
        radio->setGeometry((i % 2) * 100, (i / 2) * 20, 100, 16);
        radios.push_back(radio);
    }
    radios[0]->setChecked(true);
    applyState(*radios[3], MCControlState::MouseOver, [] {});
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(radios[i]->isMouseOver(), i == 3) << i;
    EXPECT_TRUE(near(pixel(*radios[3], {4, 8}), theme(0.35)));
    EXPECT_TRUE(near(pixel(*radios[2], {4, 8}), theme(0.2)));
    // One choice at a time, and the arrow keys move it.
    radios[3]->click();
    EXPECT_FALSE(radios[0]->isChecked());
    EXPECT_TRUE(radios[3]->isChecked());
}

TEST(MCPopupCell, BezelOfEachLookInEachSize)
{
    AssumeActiveWindow active;
    AppearanceKind kind(1);
    const struct {
        MCControlState state;
        double fill;
    } looks[] = {{MCControlState::Disabled, 0.53},
                 {MCControlState::Pressed, 0.35},
                 {MCControlState::MouseOver, 0.51},
                 {MCControlState::Default, 0.43}};
    for (MCControlSize size : {MCControlSize::Regular, MCControlSize::Small, MCControlSize::Mini}) {
        for (const auto &look : looks) {
            SCOPED_TRACE(std::string(MCControlStateName(look.state)) + " size " + std::to_string(int(size)));
            MCBasePopupCell popup;
            popup.addItems({QStringLiteral("JPEG"), QStringLiteral("PNG")});
            popup.setControlSize(size);
            popup.resize(120, popup.sizeHint().height());
            applyState(popup, look.state, [&] { popup.setHighlighted(true); });
            EXPECT_EQ(popup.controlState(), look.state);
            EXPECT_TRUE(near(pixel(popup, QPoint(4, popup.height() / 2 - 1)), theme(look.fill)));
        }
    }
}

TEST(MCPopupCell, GeometryOfTheBezelsAndArrows)
{
    // A small pop-up 20 high: the bezel is 15 high, so its radius is 7.
    const MCPopupGeometry small = MCPopupGeometryForFrame(QRectF(0, 0, 100, 20), MCControlSize::Small, false);
    EXPECT_EQ(small.bezel, QRectF(2.5, 1.5, 95, 15));
    EXPECT_EQ(small.radius, 7.0);
    EXPECT_TRUE(small.divider.isNull());
    ASSERT_EQ(small.arrows.size(), 2);
    EXPECT_EQ(small.arrows[0], QPolygonF({QPointF(85, 10), QPointF(87.5, 14), QPointF(90, 10)}));

    const MCPopupGeometry pulldown = MCPopupGeometryForFrame(QRectF(0, 0, 100, 20), MCControlSize::Small, true);
    ASSERT_EQ(pulldown.arrows.size(), 1);
    EXPECT_EQ(pulldown.arrows[0], QPolygonF({QPointF(82.5, 6.5), QPointF(86.5, 12.5), QPointF(90.5, 6.5)}));

    // Mini pop-ups use the regular bezel: radius 3 and a divider 22 before the right edge.
    const MCPopupGeometry mini = MCPopupGeometryForFrame(QRectF(0, 0, 100, 26), MCControlSize::Mini, false);
    EXPECT_EQ(mini.radius, 3.0);
    EXPECT_EQ(mini.divider, QLineF(75.5, 5, 75.5, 19));

    EXPECT_EQ(MCPopupTitleRect(QRectF(0, 0, 100, 26), MCControlSize::Regular, true).right(), 70);
    EXPECT_EQ(MCPopupTitleRect(QRectF(0, 0, 100, 26), MCControlSize::Small, true).right(), 78);
    EXPECT_EQ(MCPopupTitleRect(QRectF(0, 0, 100, 26), MCControlSize::Regular, false).right(), 90);
}

TEST(MCPopupCell, ArrowsOfADisabledSmallPopupDimButRegularOnesStayWhite)
{
    AppearanceKind kind(1);
    for (MCControlSize size : {MCControlSize::Small, MCControlSize::Regular}) {
        SCOPED_TRACE(int(size));
        MCBasePopupCell popup;
        popup.setControlSize(size);
        popup.resize(100, 20);
        popup.setEnabled(false);
        // Inside the lower filled triangle, or a pixel whose centre the lower chevron's stroke crosses.
        const QPointF point = size == MCControlSize::Small ? QPointF(87, 11) : QPointF(84, 11);
        const QColor expected = colorWithWhite(size == MCControlSize::Small ? 0.75 : 1.0);
        // The chevron is a one-pixel antialiased diagonal, so its pixel is only mostly white.
        EXPECT_TRUE(near(pixel(popup, point), expected, size == MCControlSize::Small ? 2 : 70));
    }
}

TEST(MCDarkAddPopupCell, AtRestOnlyThePlusSign)
{
    AssumeActiveWindow active;
    AppearanceKind kind(1);
    const struct {
        MCControlState state;
        QColor corner; // inside the square, away from the plus
    } looks[] = {{MCControlState::Disabled, theme(0.53)},
                 {MCControlState::Pressed, colorWithBrightness(1.0, 0.1)},
                 {MCControlState::MouseOver, theme(0.43)},
                 {MCControlState::Default, background()}};
    for (const auto &look : looks) {
        SCOPED_TRACE(MCControlStateName(look.state));
        MCDarkAddPopupCell add;
        add.resize(22, 22);
        applyState(add, look.state, [&] { add.setHighlighted(true); });
        EXPECT_TRUE(near(pixel(add, {4, 4}), look.corner));
        EXPECT_TRUE(near(pixel(add, {11, 6}), colorWithWhite(0.94)));
        EXPECT_TRUE(near(pixel(add, {6, 11}), colorWithWhite(0.94)));
    }
    MCDarkAddPopupCell add;
    EXPECT_EQ(add.accessibleName(), QStringLiteral("Add"));
    EXPECT_TRUE(add.title().isEmpty() || add.pullsDown());
}

TEST(MCPopupCell, PullDownKeepsItsTitleAndColoursAreTheCellsOwn)
{
    MCBasePopupCell popup;
    popup.addItems({QStringLiteral("Actions"), QStringLiteral("Copy"), QStringLiteral("Move")});
    popup.setPullsDown(true);
    popup.setCurrentIndex(2);
    EXPECT_EQ(popup.title(), QStringLiteral("Actions"));
    popup.setPullsDown(false);
    EXPECT_EQ(popup.title(), QStringLiteral("Move"));

    MCBasePopupCell base;
    MCDarkPopupCell dark;
    EXPECT_NEAR(base.defaultTextColor().redF(), 1.0, 1e-3);
    EXPECT_NEAR(dark.defaultTextColor().redF(), 0.94, 1e-3);
    EXPECT_NEAR(dark.disabledTextColor().alphaF(), 0.7, 1e-3);
}
