#include "app/uikit/MCButtonCell.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using namespace uikittest;
using namespace MCColorQuillon;

namespace {

// The fill inside a bezel, left of the title.
QColor bezelFill(MCBaseButtonCell &button)
{
    return pixel(button, {4, button.height() / 2.0});
}

QColor theme(double brightness) { return colorWithBrightness(brightness); }
QColor blue(double brightness) { return colorWithSaturation(0.7, brightness); }

} // namespace

// Each look of each button, sampled from the rendering.
TEST(MCButtonCell, FillOfEachLookOfEachButton)
{
    AssumeActiveWindow active;
    struct Case {
        const char *name;
        std::function<MCBaseButtonCell *()> make;
        QPointF point; // where the fill shows
        QColor disabled, pressed, mouseOver, normal;
    };
    const auto center = QPointF(12, 12);
    for (int kindValue : {0, 1}) {
        AppearanceKind kind(kindValue);
        const Case cases[] = {
            {"dark", [] { return new MCDarkButtonCell(QStringLiteral("OK")); }, {4, 12}, colorWithWhite(1.0, 0.2),
             theme(0.35), theme(0.51), theme(0.43)},
            {"dark toggle on",
             [] {
                 auto *button = new MCDarkButtonCell(QStringLiteral("OK"));
                 button->setCheckable(true);
                 button->setChecked(true);
                 return button;
             },
             {4, 12}, colorWithWhite(1.0, 0.2), theme(0.35), theme(0.51), theme(0.58)},
            {"blue", [] { return new MCBlueButtonCell(QStringLiteral("OK")); }, {4, 12}, colorWithWhite(0.53),
             blue(0.57), blue(0.77), blue(0.67)},
            {"base", [] { return new MCBaseButton(QStringLiteral("OK")); }, {4, 12}, colorWithWhite(1.0, 0.2),
             theme(0.35), theme(0.51), theme(0.43)},
            {"action circle", [] { return new MCActionCircleButtonCell; }, center, colorWithWhite(0.53), theme(0.31),
             theme(0.39), theme(0.31)},
            {"white text", [] { return new MCWhiteTextButtonCell(QStringLiteral("OK")); }, {4, 12}, background(),
             background(), background(), background()},
        };
        for (const Case &entry : cases) {
            for (MCControlState state : kStates) {
                SCOPED_TRACE(std::string(entry.name) + " " + MCControlStateName(state) + " kind " +
                             std::to_string(kindValue));
                std::unique_ptr<MCBaseButtonCell> button(entry.make());
                button->resize(60, 24);
                if (qobject_cast<MCActionCircleButtonCell *>(button.get()))
                    button->resize(24, 24);
                applyState(*button, state, [&] { button->setDown(true); });
                // A button without the hover look rests in its default look under the pointer.
                const bool hovers = button->showsMouseOverState();
                EXPECT_EQ(button->controlState(),
                          state == MCControlState::MouseOver && !hovers ? MCControlState::Default : state);
                const QColor expected = state == MCControlState::Disabled  ? entry.disabled
                                        : state == MCControlState::Pressed ? entry.pressed
                                        : state == MCControlState::MouseOver ? entry.mouseOver
                                                                             : entry.normal;
                EXPECT_TRUE(near(pixel(*button, entry.point), expected));
            }
        }
    }
}

TEST(MCButtonCell, DisabledWinsOverPressedAndPressedOverMouseOver)
{
    AssumeActiveWindow active;
    AppearanceKind kind(1);
    MCDarkButtonCell button(QStringLiteral("OK"));
    button.resize(60, 24);
    applyState(button, MCControlState::MouseOver, [] {});
    button.setDown(true);
    EXPECT_EQ(button.controlState(), MCControlState::Pressed);
    button.setEnabled(false);
    EXPECT_EQ(button.controlState(), MCControlState::Disabled);
    EXPECT_TRUE(near(bezelFill(button), colorWithWhite(1.0, 0.2)));
}

TEST(MCButtonCell, MouseOverShowsOnlyInTheActiveWindow)
{
    AppearanceKind kind(1);
    QWidget other;
    other.resize(50, 50);
    MCDarkButtonCell button(QStringLiteral("OK"));
    button.resize(60, 24);
    button.show();
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    applyState(button, MCControlState::MouseOver, [] {});
    EXPECT_FALSE(button.isMouseOver());
    EXPECT_TRUE(near(bezelFill(button), theme(0.43)));

    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    EXPECT_TRUE(button.isMouseOver());
    EXPECT_TRUE(near(bezelFill(button), theme(0.51)));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isMouseOver());
}

TEST(MCButtonCell, SetUpOfEachLookReplacesTheBase)
{
    MCBaseButtonCell base;
    EXPECT_FALSE(base.showsMouseOverState());
    EXPECT_EQ(base.defaultTextColor(), QColor(Qt::white));
    ASSERT_TRUE(base.disabledTextShadow().has_value());
    EXPECT_NEAR(base.disabledTextShadow()->color.alphaF(), 0.75, 1e-3);

    MCDarkButtonCell dark;
    EXPECT_TRUE(dark.showsMouseOverState());
    ASSERT_TRUE(dark.defaultTextShadow().has_value());
    EXPECT_NEAR(dark.defaultTextShadow()->color.alphaF(), 0.5, 1e-3);
    EXPECT_NEAR(dark.disabledTextColor().alphaF(), 0.6, 1e-3);

    MCDarkDisclosureButtonCell disclosure;
    EXPECT_TRUE(disclosure.showsMouseOverState());
    EXPECT_FALSE(disclosure.defaultTextColor().isValid()) << "no text colours at all";
    EXPECT_FALSE(disclosure.defaultTextShadow().has_value());
}

TEST(MCDarkDisclosureButtonCell, PointsRightCollapsedAndDownExpanded)
{
    const QRectF frame(0, 0, 13, 13);
    EXPECT_EQ(MCDarkDisclosureButtonCell::triangle(frame, false),
              QPolygonF({QPointF(3.5, 2.5), QPointF(10.5, 6.5), QPointF(3.5, 10.5)}));
    EXPECT_EQ(MCDarkDisclosureButtonCell::triangle(frame, true),
              QPolygonF({QPointF(2.5, 3.5), QPointF(6.5, 10.5), QPointF(10.5, 3.5)}));

    AssumeActiveWindow active;
    const struct {
        MCControlState state;
        double white, alpha;
    } looks[] = {{MCControlState::Disabled, 0.9, 0.7},
                 {MCControlState::Pressed, 0.7, 1.0},
                 {MCControlState::MouseOver, 1.0, 1.0},
                 {MCControlState::Default, 0.8, 1.0}};
    for (const auto &look : looks) {
        SCOPED_TRACE(MCControlStateName(look.state));
        MCDarkDisclosureButtonCell button;
        button.resize(13, 13);
        applyState(button, look.state, [&] { button.setDown(true); });
        EXPECT_TRUE(near(pixel(button, {5, 6}), colorWithWhite(look.white, look.alpha)));
        EXPECT_TRUE(near(pixel(button, {11, 3}), background()));
    }
    MCDarkDisclosureButtonCell button;
    button.resize(13, 13);
    button.click();
    EXPECT_TRUE(button.isChecked());
    EXPECT_TRUE(near(pixel(button, {6, 5}), colorWithWhite(0.8)));
    EXPECT_TRUE(near(pixel(button, {4, 9}), background()));
}

TEST(MCActionCircleCheckboxCell, ShowsItsImageOnlyWhileOn)
{
    AppearanceKind kind(1);
    QPixmap white(12, 12);
    white.fill(Qt::white);
    MCActionCircleCheckboxCell button;
    button.setIcon(QIcon(white));
    button.resize(24, 24);
    EXPECT_TRUE(near(pixel(button, {12, 12}), theme(0.31)));
    button.setChecked(true);
    EXPECT_TRUE(near(pixel(button, {12, 12}), Qt::white));
}

TEST(MCToolbarButtonCell, CheckedToggleSitsInAFaintBox)
{
    MCToolbarButtonCell button(QStringLiteral("Folder"));
    button.resize(50, 40);
    EXPECT_TRUE(near(pixel(button, {3, 20}), background()));
    button.setCheckable(true);
    button.setChecked(true);
    EXPECT_TRUE(near(pixel(button, {3, 20}), colorWithWhite(0.5, 0.2)));
    EXPECT_TRUE(near(pixel(button, {0, 20}), colorWithWhite(0.5, 1.0), 40)); // the antialiased outline
}

namespace {
class Recorder : public MCTrackButtonDelegate
{
public:
    QStringList calls;
    void buttonWillStartTracking(MCTrackButton *button) override
    {
        calls << QStringLiteral("start %1").arg(button->isTracking());
    }
    void buttonDidFinishTracking(MCTrackButton *button) override
    {
        calls << QStringLiteral("finish %1").arg(button->isTracking());
    }
};
} // namespace

TEST(MCTrackButton, ReportsTheWholePressByMouseAndKeyboard)
{
    MCTrackButton button(QStringLiteral("Hold"));
    button.resize(80, 24);
    button.show();
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    // Without a delegate it is a plain button.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(button.isTracking());

    Recorder recorder;
    button.setDelegate(&recorder);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_TRUE(button.isTracking());
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_FALSE(button.isTracking());
    EXPECT_EQ(recorder.calls, QStringList({QStringLiteral("start 1"), QStringLiteral("finish 1")}));
    EXPECT_EQ(clicked.count(), 2);

    recorder.calls.clear();
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    button.setFocus(Qt::TabFocusReason);
    QTest::keyPress(&button, Qt::Key_Space);
    QTest::keyRelease(&button, Qt::Key_Space);
    EXPECT_EQ(recorder.calls, QStringList({QStringLiteral("start 1"), QStringLiteral("finish 1")}));
    EXPECT_EQ(clicked.count(), 3);
}

TEST(MCButtonCell, ReachableByTabWithAnAccessibleName)
{
    QWidget window;
    auto *first = new MCDarkButtonCell(QStringLiteral("Cancel"), &window);
    auto *second = new MCBlueButtonCell(QStringLiteral("Convert"), &window);
    second->move(0, 30);
    auto *disclosure = new MCDarkDisclosureButtonCell(&window);
    disclosure->setAccessibleName(QStringLiteral("Show details"));
    disclosure->move(0, 60);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(&window, Qt::Key_Tab);
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(&window, Qt::Key_Tab);
    EXPECT_TRUE(disclosure->hasFocus());
    QTest::keyClick(disclosure, Qt::Key_Space);
    EXPECT_TRUE(disclosure->isChecked());
    EXPECT_EQ(disclosure->accessibleName(), QStringLiteral("Show details"));
    // The focused control wears a ring on its edge; the others do not.
    const MCFillStroke normal = MCDarkButtonCell::bezelColors(MCControlState::Default, false);
    EXPECT_TRUE(near(pixel(*first, {0, 12}), normal.stroke, 40));
    EXPECT_FALSE(near(pixel(*disclosure, {1, 6}), background(), 40));
}
