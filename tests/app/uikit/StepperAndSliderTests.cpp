#include "app/uikit/MCControlTransformers.h"
#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"
#include "platform/core/MCBinding.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <limits>

using namespace uikittest;
using namespace MCColorQuillon;

namespace {

// A model with one number, counting the writes it receives.
class Amount : public MCObservable
{
public:
    QVariant valueForKey(const QString &key) const override
    {
        return key == QLatin1String("amount") ? QVariant(amount) : MCObservable::valueForKey(key);
    }
    void setValueForKey(const QString &key, const QVariant &value) override
    {
        if (key != QLatin1String("amount"))
            return MCObservable::setValueForKey(key, value);
        ++writes;
        written.append(value);
        changeValueForKey(QStringLiteral("amount"), amount, value.toDouble());
    }
    double amount = 0.5;
    int writes = 0;
    QVariantList written;
};

class Tracker : public MCStepperTextFieldDelegate, public MCSliderDelegate
{
public:
    void stepperTextFieldWillStartTracking(MCStepperTextField *) override { events += QLatin1Char('<'); }
    void stepperTextFieldDidFinishTracking(MCStepperTextField *) override { events += QLatin1Char('>'); }
    void sliderWillStartTracking(MCSlider *) override { events += QLatin1Char('<'); }
    void sliderDidFinishTracking(MCSlider *) override { events += QLatin1Char('>'); }
    QString events;
};

void sendMouse(QWidget &widget, QEvent::Type type, QPointF point, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget.mapToGlobal(point), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

TEST(MCStepperTextFieldCell, SteppingStopsOrWrapsAtTheLimits)
{
    const double largest = std::numeric_limits<double>::max();
    const struct {
        double value, increment, min, max;
        bool wraps, up;
        double result;
    } cases[] = {
        {0, 1, 0, largest, false, false, 0},       // default limits, down from 0 stays
        {0, 1, 0, largest, true, false, largest},  // wrapping jumps to the largest double
        {359, 1, 0, 359, true, true, 0},           // a hue wheel
        {0, 1, 0, 359, true, false, 359},
        {358.5, 1, 0, 359, true, true, 0},         // 359.5 is past the limit: no remainder carried
        {358.5, 1, 0, 359, false, true, 359},
        {500, 1, 0, 359, false, true, 359},        // typed beyond the limit
        {500, 1, 0, 359, true, true, 0},
        {-20, 1, 0, 359, false, true, -19},        // below the limit, stepping up moves on
        {5, 1, 5, 5, false, true, 5},              // equal limits hold their value
        {5, 1, 5, 5, true, false, 5},
        {0.25, 0.1, 0, 1, false, true, 0.35},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << (c.up ? " up" : " down") << (c.wraps ? " wrapping" : ""));
        EXPECT_DOUBLE_EQ(MCStepperTextFieldCell::steppedValue(c.value, c.increment, c.min, c.max, c.wraps, c.up),
                         c.result);
    }
}

TEST(MCStepperTextFieldCell, ArrowStripsAndTextAreaDoNotOverlap)
{
    const QRectF frame(0, 0, 60, 22);
    EXPECT_EQ(MCStepperTextFieldCell::leftArrowRectFromRect(frame), QRectF(0, 0, 12, 22));
    EXPECT_EQ(MCStepperTextFieldCell::rightArrowRectFromRect(frame), QRectF(48, 0, 12, 22));
    EXPECT_EQ(MCStepperTextFieldCell::textFieldRectFromRect(frame), QRectF(12, 0, 36, 22));
    const QPolygonF left = MCStepperTextFieldCell::leftArrow(QRectF(0, 0, 12, 22));
    EXPECT_EQ(left, QPolygonF({QPointF(6, 11.5), QPointF(10, 14.5), QPointF(10, 8.5)}));
    const QPolygonF right = MCStepperTextFieldCell::rightArrow(QRectF(48, 0, 12, 22));
    EXPECT_EQ(right, QPolygonF({QPointF(54, 11.5), QPointF(50, 14.5), QPointF(50, 8.5)}));

    MCStepperTextField field;
    field.resize(60, 22);
    field.setAlignment(Qt::AlignLeft);
    EXPECT_EQ(field.alignment(), Qt::AlignCenter);
    EXPECT_EQ(field.textMargins().left(), 12);
    EXPECT_EQ(field.textMargins().right(), 12);
    EXPECT_EQ(field.minValue(), 0.0);
    EXPECT_EQ(field.maxValue(), std::numeric_limits<double>::max());
    EXPECT_EQ(field.increment(), 1.0);
    EXPECT_FALSE(field.valueWraps());
}

TEST(MCStepperTextField, ClickStepsOnceAndTellsTheDelegateOncePerPress)
{
    MCStepperTextField field;
    field.resize(60, 22);
    Tracker tracker;
    field.setDelegate(&tracker);
    field.setMaxValue(359);
    field.setValueWraps(true);
    field.setDoubleValue(359);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(55, 11));
    EXPECT_EQ(field.doubleValue(), 0.0);
    EXPECT_EQ(field.text(), QStringLiteral("0"));
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(4, 11));
    EXPECT_EQ(field.doubleValue(), 359.0);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(30, 11)); // the text: no step
    EXPECT_EQ(field.doubleValue(), 359.0);
    EXPECT_EQ(tracker.events, QStringLiteral("<><><>"));
    // Without a delegate nothing is told, and stepping works the same.
    field.setDelegate(nullptr);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(55, 11));
    EXPECT_EQ(field.doubleValue(), 0.0);
    EXPECT_EQ(tracker.events, QStringLiteral("<><><>"));
    // Typed text beyond the limit is kept; the next step pulls it to the limit (or wraps).
    field.setValueWraps(false);
    field.setText(QStringLiteral("400"));
    field.setModified(true);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(55, 11));
    EXPECT_EQ(field.doubleValue(), 359.0);
}

TEST(MCStepperTextField, HoldingRepeatsAfterHalfASecondAndPausesOffTheArrow)
{
    MCStepperTextField field;
    field.resize(60, 22);
    Tracker tracker;
    field.setDelegate(&tracker);
    field.setDoubleValue(10);
    QElapsedTimer clock;
    clock.start();
    sendMouse(field, QEvent::MouseButtonPress, {55, 11}, Qt::LeftButton);
    EXPECT_EQ(field.doubleValue(), 11.0); // the first step at once
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.doubleValue() >= 12.0; }, 5000));
    const qint64 firstRepeat = clock.elapsed();
    // Not before the delay (within a timer's slack), and long after the interval would be.
    EXPECT_GE(firstRepeat, MCStepperTextFieldCell::kRepeatDelay * 9 / 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.doubleValue() >= 15.0; }, 5000));
    // Three more steps at 0.1 s each: at least 0.3 s less the timer's slack.
    EXPECT_GE(clock.elapsed() - firstRepeat, 3 * MCStepperTextFieldCell::kRepeatInterval * 9 / 10);
    // Off the arrow (here onto the text) the press pauses...
    sendMouse(field, QEvent::MouseMove, {30, 11}, Qt::LeftButton);
    const double paused = field.doubleValue();
    QTest::qWait(3 * MCStepperTextFieldCell::kRepeatInterval);
    EXPECT_EQ(field.doubleValue(), paused);
    // ...and the other arrow never steps during this press.
    sendMouse(field, QEvent::MouseMove, {4, 11}, Qt::LeftButton);
    QTest::qWait(3 * MCStepperTextFieldCell::kRepeatInterval);
    EXPECT_EQ(field.doubleValue(), paused);
    // Back on the arrow it resumes.
    sendMouse(field, QEvent::MouseMove, {54, 10}, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.doubleValue() > paused; }, 5000));
    sendMouse(field, QEvent::MouseButtonRelease, {54, 10}, Qt::NoButton);
    const double released = field.doubleValue();
    QTest::qWait(3 * MCStepperTextFieldCell::kRepeatInterval);
    EXPECT_EQ(field.doubleValue(), released);
    EXPECT_EQ(field.pressedArrow(), 0);
    EXPECT_EQ(tracker.events, QStringLiteral("<>"));
}

TEST(MCStepperTextField, HidingInThePressEndsItOnce)
{
    MCStepperTextField field;
    field.resize(60, 22);
    field.show();
    Tracker tracker;
    field.setDelegate(&tracker);
    sendMouse(field, QEvent::MouseButtonPress, {55, 11}, Qt::LeftButton);
    field.hide();
    sendMouse(field, QEvent::MouseButtonRelease, {55, 11}, Qt::NoButton);
    EXPECT_EQ(tracker.events, QStringLiteral("<>"));
    EXPECT_EQ(field.doubleValue(), 1.0);
}

TEST(MCStepperTextField, BoundThroughAPercentageEachStepWritesTheModelOnce)
{
    Amount model; // 0.5 shows as 50
    MCStepperTextField field;
    field.resize(60, 22);
    MCBinding binding(&field, "objectValue", model, QStringLiteral("amount"),
                      {MCPercentNumberTransformer::sharedInstance()});
    EXPECT_EQ(field.text(), QStringLiteral("50"));
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(55, 11));
    EXPECT_EQ(model.writes, 1);
    EXPECT_DOUBLE_EQ(model.amount, 0.51);
    EXPECT_EQ(field.text(), QStringLiteral("51"));
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(4, 11));
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(4, 11));
    EXPECT_EQ(model.writes, 3);
    EXPECT_DOUBLE_EQ(model.amount, 0.49);
    // A typed value is written once when editing ends.
    field.setFocus();
    field.selectAll();
    QTest::keyClicks(&field, QStringLiteral("75"));
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_EQ(model.writes, 4);
    EXPECT_DOUBLE_EQ(model.amount, 0.75);
    // A negative percentage has no meaning as a fraction: 0, not a huge number.
    field.setMinValue(-10);
    field.setDoubleValue(0);
    EXPECT_DOUBLE_EQ(model.amount, 0.0);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(4, 11));
    EXPECT_DOUBLE_EQ(model.amount, 0.0);
}

TEST(MCDarkStepperCell, PressedHalfAndLooks)
{
    const QRectF body = MCDarkStepperCell::bodyRect(QRectF(0, 0, 19, 27), MCControlSize::Regular);
    EXPECT_EQ(body, QRectF(3.5, 3.5, 12, 20));
    EXPECT_EQ(MCDarkStepperCell::bodyRect(QRectF(0, 0, 15, 22), MCControlSize::Small), QRectF(2.5, 2.5, 10, 17));
    EXPECT_EQ(MCDarkStepperCell::splitY(body, true), 14.0);
    EXPECT_EQ(MCDarkStepperCell::splitY(body, false), 13.0);
    const QPainterPath chevrons = MCDarkStepperCell::chevrons(body);
    EXPECT_EQ(chevrons.elementAt(1), QPointF(9.5, 7.5));  // the top chevron's point, up
    EXPECT_EQ(chevrons.elementAt(4), QPointF(9.5, 19.5)); // the bottom one's, down

    AppearanceKind kind(0);
    AssumeActiveWindow active;
    EXPECT_EQ(MCDarkStepperCell::colors(true, true).body, colorWithBrightness(0.35));
    EXPECT_EQ(MCDarkStepperCell::colors(true, false).outline, colorWithBrightness(0.4));
    EXPECT_FALSE(MCDarkStepperCell::colors(false, true).pressedHalf.isValid());
    EXPECT_EQ(MCDarkStepperCell::colors(false, true).chevrons, colorWithWhite(1.0, 0.8));

    MCDarkStepperCell stepper;
    stepper.resize(19, 27);
    stepper.setRange(0, 10);
    QTest::mousePress(&stepper, Qt::LeftButton, {}, QPoint(9, 6));
    EXPECT_TRUE(stepper.isTopArrowPressed());
    EXPECT_EQ(stepper.value(), 1);
    // The upper half (to half a pixel past the middle) in the pressed fill, the lower in the body's.
    EXPECT_TRUE(near(pixel(stepper, {6, 12}), colorWithBrightness(0.3)));
    EXPECT_TRUE(near(pixel(stepper, {5, 20}), colorWithBrightness(0.25)));
    QTest::mouseRelease(&stepper, Qt::LeftButton, {}, QPoint(9, 6));
    QTest::mouseClick(&stepper, Qt::LeftButton, {}, QPoint(9, 22));
    EXPECT_FALSE(stepper.isTopArrowPressed());
    EXPECT_EQ(stepper.value(), 0);
}

TEST(MCSlider, BarAndKnobGeometry)
{
    const QRectF bounds(0, 0, 100, 20);
    EXPECT_EQ(MCSliderCell::barRect(bounds, 2), QRectF(2, 9, 96, 2));
    EXPECT_EQ(MCSliderCell::barRect(QRectF(0, 0, 101, 21), 2), QRectF(2, 9, 97, 2)); // truncated origin
    const struct {
        double value, min, max;
        double knobX;
    } knobs[] = {{0, 0, 1, 0}, {1, 0, 1, 86}, {0.5, 0, 1, 43}, {0.25, 0, 1, 21}, {2, 0, 1, 172},
                 {-1, 0, 1, -86}, {3, 3, 3, 0} /* equal limits: left end */, {5, 10, 0, 0}};
    for (const auto &k : knobs) {
        SCOPED_TRACE(k.value);
        EXPECT_EQ(MCSliderCell::knobRect(bounds, 14, k.value, k.min, k.max), QRectF(k.knobX, 3, 14, 14));
    }
    EXPECT_DOUBLE_EQ(MCSliderCell::valueForKnobCentre(50, bounds, 14, 0, 1), 0.5);
    EXPECT_DOUBLE_EQ(MCSliderCell::valueForKnobCentre(-30, bounds, 14, 0, 1), 0.0);
    EXPECT_DOUBLE_EQ(MCSliderCell::valueForKnobCentre(500, bounds, 14, 0, 1), 1.0);
    EXPECT_DOUBLE_EQ(MCSliderCell::valueForKnobCentre(50, bounds, 14, 4, 4), 4.0);

    MCDarkSliderCell dark;
    MCZoomSliderCell zoom;
    EXPECT_EQ(dark.knobThickness(MCControlSize::Regular), 14.0);
    EXPECT_EQ(dark.knobThickness(MCControlSize::Small), 12.0);
    EXPECT_EQ(dark.knobThickness(MCControlSize::Mini), 12.0);
    EXPECT_EQ(zoom.knobThickness(MCControlSize::Small), 14.0);
    EXPECT_EQ(dark.barThickness(), 2.0);
    EXPECT_EQ(zoom.barThickness(), 2.0);
}

TEST(MCSlider, HoverLightsTheBarOfAnEnabledDarkSliderOnly)
{
    AppearanceKind kind(1);
    AssumeActiveWindow active;
    const MCDarkSliderCell dark;
    EXPECT_EQ(dark.barColor(true, true), colorWithBrightness(0.55));
    EXPECT_EQ(dark.barColor(false, true), colorWithBrightness(0.5));
    EXPECT_EQ(MCZoomSliderCell().barColor(true, true), colorWithBrightness(0.5));
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        MCSlider slider;
        slider.resize(100, 20);
        slider.setEnabled(enabled);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&slider, &enter);
        EXPECT_TRUE(near(pixel(slider, {80, 9.5}), colorWithBrightness(enabled ? 0.55 : 0.5)));
    }
    MCSlider zoom;
    zoom.setCell(std::make_unique<MCZoomSliderCell>());
    zoom.resize(100, 20);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&zoom, &enter);
    EXPECT_FALSE(zoom.isMouseOver());
}

TEST(MCSlider, DragChangesTheValueContinuouslyBetweenOneStartAndOneFinish)
{
    Amount model;
    MCSlider slider;
    slider.resize(114, 20); // 100 pixels of travel for a 14-pixel knob
    MCBinding binding(&slider, "doubleValue", model, QStringLiteral("amount"));
    EXPECT_EQ(slider.knobRect().x(), 50);
    Tracker tracker;
    slider.setDelegate(&tracker);
    sendMouse(slider, QEvent::MouseButtonPress, {57, 10}, Qt::LeftButton); // on the knob's centre
    EXPECT_EQ(tracker.events, QStringLiteral("<"));
    EXPECT_DOUBLE_EQ(model.amount, 0.5);
    sendMouse(slider, QEvent::MouseMove, {77, 10}, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(model.amount, 0.7);
    sendMouse(slider, QEvent::MouseMove, {87, 10}, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(model.amount, 0.8);
    sendMouse(slider, QEvent::MouseButtonRelease, {87, 10}, Qt::NoButton);
    EXPECT_EQ(tracker.events, QStringLiteral("<>"));
    EXPECT_EQ(model.writes, 2);
    // A press off the knob jumps there.
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(17, 10));
    EXPECT_DOUBLE_EQ(model.amount, 0.1);
    EXPECT_EQ(tracker.events, QStringLiteral("<><>"));
    // Without a delegate: a plain slider.
    slider.setDelegate(nullptr);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(107, 10));
    EXPECT_DOUBLE_EQ(model.amount, 1.0);
    EXPECT_EQ(tracker.events, QStringLiteral("<><>"));
    // Through the digital transformer the model gets whole numbers.
    Amount steps;
    steps.amount = 2;
    MCSlider digital;
    digital.resize(114, 20);
    digital.setMaxValue(10);
    MCBinding whole(&digital, "doubleValue", steps, QStringLiteral("amount"),
                    {MCDigitalSliderTransformer::sharedInstance()});
    EXPECT_EQ(digital.doubleValue(), 2.0);
    QTest::mouseClick(&digital, Qt::LeftButton, {}, QPoint(43, 10)); // 3.6
    EXPECT_EQ(steps.amount, 4.0);
}
