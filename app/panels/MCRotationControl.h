#pragma once

// The round knob with which the watermark editors set an angle in degrees (rotation, shadow
// direction): a ring with a needle from the centre to a knob on the ring. A press anywhere in
// the control turns the needle towards the pointer and the needle follows the drag; the arrow
// keys turn it by one degree. Every change of the angle is announced through angleChanged(),
// the control's action; a delegate hears when a press (or a key) starts and ends, so that its
// owner can make the whole gesture one undo step.
//
// Angles: 0 points right and angles grow counter-clockwise (90 points up). The geometry below
// is in the control's own drawing space, y pointing up (the widget flips its mouse positions
// and its painter once, at the edge).
#include "app/uikit/MCControlSupport.h"

#include <QRectF>
#include <QWidget>

// The angle of the direction from the centre of `bounds` to `point`, in degrees rounded to
// hundredths, within 0..359: a direction just below the positive x axis (359.01 to 359.99)
// gives 0, and so does the centre itself.
double MCRotationControlAngleForLocation(const QRectF &bounds, const QPointF &point);
// The centre of the knob as drawn: on the ring (the bounds inset by 4.5), turned by `angle`
// about the ring's centre shifted half a point down and left.
QPointF MCRotationControlKnobCenter(const QRectF &bounds, double angle);
// The 6 × 6 square about the knob, computed on the bounds inset by 3.5 about their own centre.
QRectF MCRotationControlKnobRect(const QRectF &bounds, double angle);

struct MCRotationControlColors
{
    QColor ringFill;
    QColor ringStroke;
    QColor needle; // the needle, the hub and the knob's outline
    QColor knobFill;
};
MCRotationControlColors MCRotationControlColorsFor(bool enabled, bool mouseOver);

class MCRotationControl;

// Hears the start and the end of a press or a key on the knob. Both optional.
class MCRotationControlDelegate
{
public:
    virtual ~MCRotationControlDelegate() = default;
    virtual void rotationControlWillStartTracking(MCRotationControl *) {}
    virtual void rotationControlDidFinishTracking(MCRotationControl *) {}
};

class MCRotationControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double angle READ angle WRITE setAngle NOTIFY angleChanged)
public:
    explicit MCRotationControl(QWidget *parent = nullptr);

    double angle() const { return m_angle; }
    // A different angle is stored as it is (not clamped), drawn and announced through
    // angleChanged(); an angle set by code is announced too. The same angle does nothing.
    void setAngle(double angle);

    MCRotationControlDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCRotationControlDelegate *delegate) { m_delegate = delegate; } // not owned

    // The angle a point in widget coordinates (y down) stands for.
    double angleForLocation(const QPointF &widgetPoint) const;
    // The knob's square in widget coordinates.
    QRectF knobRect() const;
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    bool isTracking() const { return m_pressing; }

    QSize sizeHint() const override { return QSize(32, 32); }

signals:
    void angleChanged(double angle);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QRectF drawingBounds() const { return QRectF(0, 0, width(), height()); }
    void endPress();

    double m_angle = 0.0;
    MCRotationControlDelegate *m_delegate = nullptr;
    MCRotationControlDelegate *m_tracked = nullptr; // the delegate told of the current press
    bool m_pressing = false;
    MCMouseOverTracking *m_tracking;
};
