#pragma once

// The numeric entry of the editor panels: a centred number between a small left arrow that
// steps it down and a right arrow that steps it up. A click on an arrow steps once at once;
// holding it steps again after half a second and then ten times a second while the pointer
// stays on that arrow (moving off pauses, moving back resumes). The limits apply to the arrows
// only; typed text is taken as it is.
//
// MCStepperTextFieldCell is the field with the arrows; MCStepperTextField adds a delegate that
// hears when a press starts and ends, so a panel can make one undo step of a whole press.
// MCDarkStepperCell is a separate themed up/down stepper.
//
// A screen binds a model key to the "objectValue" property (MCBinding); every step and every
// finished edit is written back once, through the binding's transformer in reverse, so the
// model receives its own units (a percentage field stepping from 50 stores 0.51).
#include "app/uikit/MCTextFieldCell.h"

#include <QAbstractSlider>
#include <QTimer>

#include <limits>

class MCStepperTextFieldCell : public MCDarkTextFieldCell
{
    Q_OBJECT
    Q_PROPERTY(QVariant objectValue READ objectValue WRITE setObjectValue NOTIFY objectValueChanged)
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue NOTIFY objectValueChanged)
public:
    // The press-and-hold timing, in milliseconds.
    static constexpr int kRepeatDelay = 500;
    static constexpr int kRepeatInterval = 100;
    // The width of each arrow strip.
    static constexpr double kArrowWidth = 12.0;

    explicit MCStepperTextFieldCell(QWidget *parent = nullptr);

    double minValue() const { return m_minValue; }
    void setMinValue(double value) { m_minValue = value; }
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value) { m_maxValue = value; }
    double increment() const { return m_increment; }
    void setIncrement(double value) { m_increment = value; }
    bool valueWraps() const { return m_valueWraps; }
    void setValueWraps(bool wraps) { m_valueWraps = wraps; }

    // The text is always centred: other alignments are ignored.
    void setAlignment(Qt::Alignment) {}

    static QRectF leftArrowRectFromRect(const QRectF &rect)
    {
        return QRectF(rect.x(), rect.y(), kArrowWidth, rect.height());
    }
    static QRectF rightArrowRectFromRect(const QRectF &rect)
    {
        return QRectF(rect.x() + rect.width() - kArrowWidth, rect.y(), kArrowWidth, rect.height());
    }
    static QRectF textFieldRectFromRect(const QRectF &rect) { return rect.adjusted(kArrowWidth, 0, -kArrowWidth, 0); }
    // The arrow triangles, tips pointing outwards.
    static QPolygonF leftArrow(const QRectF &strip);
    static QPolygonF rightArrow(const QRectF &strip);
    // One step from `value`: past a limit, the other limit when wrapping, else the limit itself.
    static double steppedValue(double value, double increment, double minValue, double maxValue, bool wraps, bool up);

    // What the field holds: a number after a step, the text after an edit, or what the binding
    // showed.
    QVariant objectValue() const { return m_value; }
    void setObjectValue(const QVariant &value);
    // The value as a number (the leading number of text; 0 without one).
    double doubleValue() const;
    void setDoubleValue(double value) { setObjectValue(value); }

    void increaseValue();
    void decreaseValue();
    // Stores a stepped value (announced to the binding) and clears the text selection.
    void changeDoubleValue(double value);

    // -1 while the left arrow is held, 1 for the right one, 0 otherwise.
    int pressedArrow() const { return m_pressedArrow; }

signals:
    void objectValueChanged();

protected:
    double bezelRadius() const override { return 7.0; }
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // A press on the field (arrows or text) starts and ends; a press cut short ends too.
    virtual void pressWillStart() {}
    virtual void pressDidFinish() {}

private:
    void repeatStep();
    void endArrowPress();
    void commitEditedText();

    double m_minValue = 0.0;
    double m_maxValue = std::numeric_limits<double>::max();
    double m_increment = 1.0;
    bool m_valueWraps = false;
    QVariant m_value;
    int m_pressedArrow = 0;
    bool m_pressing = false;
    QPointF m_pointer;
    QTimer m_repeat;
};

class MCStepperTextField;

// Hears the whole press on a stepper field, arrows and text alike: one start and one finish
// per press. Both are optional.
class MCStepperTextFieldDelegate
{
public:
    virtual ~MCStepperTextFieldDelegate() = default;
    virtual void stepperTextFieldWillStartTracking(MCStepperTextField *) {}
    virtual void stepperTextFieldDidFinishTracking(MCStepperTextField *) {}
};

class MCStepperTextField : public MCStepperTextFieldCell
{
    Q_OBJECT
public:
    explicit MCStepperTextField(QWidget *parent = nullptr);

    MCStepperTextFieldDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCStepperTextFieldDelegate *delegate) { m_delegate = delegate; } // not owned

protected:
    void pressWillStart() override;
    void pressDidFinish() override;

private:
    MCStepperTextFieldDelegate *m_delegate = nullptr;
    MCStepperTextFieldDelegate *m_tracking = nullptr; // the delegate told of the current press
};

// A themed up/down stepper: a rounded body with two chevrons, lit while the pointer is over it,
// the pressed half darker. Up steps by the single step, down the other way; holding repeats.
class MCDarkStepperCell : public QAbstractSlider
{
    Q_OBJECT
public:
    explicit MCDarkStepperCell(QWidget *parent = nullptr);

    bool showsMouseOverState() const { return m_tracking->showsMouseOverState(); }
    void setShowsMouseOverState(bool shows) { m_tracking->setShowsMouseOverState(shows); }
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);

    // Whether the current (or last) press started in the upper half.
    bool isTopArrowPressed() const { return m_topArrowPressed; }
    bool isHighlighted() const { return m_highlighted; }
    // Shows a press of one half (galleries, tests), or ends it.
    void setHighlighted(bool highlighted, bool topArrow);

    // The body: the frame inset by 3.5 (regular) or 2.5 (small, mini).
    static QRectF bodyRect(const QRectF &frame, MCControlSize size);
    // The two chevrons, up at the top and down at the bottom.
    static QPainterPath chevrons(const QRectF &body);
    // Where the body splits while pressed: half a pixel past the middle into the other half.
    static double splitY(const QRectF &body, bool topArrowPressed);
    struct Colors {
        QColor body;
        QColor pressedHalf; // invalid when disabled
        QColor outline;
        QColor chevrons;
    };
    static Colors colors(bool enabled, bool mouseOver);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    MCMouseOverTracking *m_tracking;
    MCControlSize m_controlSize = MCControlSize::Regular;
    bool m_topArrowPressed = false;
    bool m_highlighted = false;
};
