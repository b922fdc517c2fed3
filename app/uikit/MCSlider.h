#pragma once

// Themed horizontal sliders: a thin flat bar with a round white knob. MCSlider is the control
// (a double value between two limits) and tells a delegate when a drag starts and ends, so a
// panel can make one undo step of a whole drag; its look is a cell: MCDarkSliderCell (the bar
// lights up while the pointer is over an enabled slider; the knob is 14 pixels, 12 in the small
// and mini sizes) or MCZoomSliderCell (no hover, a 14-pixel knob at every size).
//
// A screen binds a model key to the "doubleValue" property (MCBinding); the value changes, and
// is written, continuously during a drag. Tab reaches the slider; the arrow keys move it by a
// twentieth of its range (one press: one start and one finish for the delegate).
#include "app/uikit/MCControlSupport.h"

#include <QSlider>

#include <memory>

class MCSliderCell
{
public:
    virtual ~MCSliderCell() = default;

    virtual double barThickness() const { return 2.0; }
    virtual double knobThickness(MCControlSize size) const = 0;
    virtual bool showsMouseOverState() const { return false; }
    virtual QColor barColor(bool enabled, bool mouseOver) const = 0;

    // The bar: the bounds' width less a bar thickness at each end, one thickness high, centred,
    // its origin truncated towards zero.
    static QRectF barRect(const QRectF &bounds, double barThickness);
    // The knob: a square of the knob thickness whose left edge runs from the bounds' left to
    // the right less the knob, truncated towards zero. Not clamped: a value out of range puts the
    // knob beyond the bar. With equal limits the knob rests at the left end.
    static QRectF knobRect(const QRectF &bounds, double knobThickness, double value, double minValue, double maxValue);
    // The value whose knob has its centre at `x`, within the limits.
    static double valueForKnobCentre(double x, const QRectF &bounds, double knobThickness, double minValue,
                                     double maxValue);
};

class MCDarkSliderCell : public MCSliderCell
{
public:
    double knobThickness(MCControlSize size) const override { return size == MCControlSize::Regular ? 14.0 : 12.0; }
    bool showsMouseOverState() const override { return true; }
    // Theme 0.55 while enabled with the pointer over it, else theme 0.5.
    QColor barColor(bool enabled, bool mouseOver) const override;
};

class MCZoomSliderCell : public MCSliderCell
{
public:
    double knobThickness(MCControlSize) const override { return 14.0; }
    QColor barColor(bool, bool) const override; // theme 0.5 always
};

class MCSlider;

// Hears a whole drag of a slider. Both are optional.
class MCSliderDelegate
{
public:
    virtual ~MCSliderDelegate() = default;
    virtual void sliderWillStartTracking(MCSlider *) {}
    virtual void sliderDidFinishTracking(MCSlider *) {}
};

class MCSlider : public QSlider
{
    Q_OBJECT
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue NOTIFY doubleValueChanged)
public:
    // A dark slider cell unless another is given.
    explicit MCSlider(QWidget *parent = nullptr);

    MCSliderCell &cell() const { return *m_cell; }
    void setCell(std::unique_ptr<MCSliderCell> cell);

    MCSliderDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCSliderDelegate *delegate) { m_delegate = delegate; } // not owned

    double doubleValue() const { return m_value; }
    void setDoubleValue(double value);
    double minValue() const { return m_minValue; }
    void setMinValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);

    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);
    bool isMouseOver() const { return m_tracking->isMouseOver(); }
    bool isTracking() const { return m_dragging; }

    QRectF barRect() const { return MCSliderCell::barRect(rect(), m_cell->barThickness()); }
    QRectF knobRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {32, sizeHint().height()}; }

signals:
    void doubleValueChanged(double value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void startTracking();
    void finishTracking();
    void syncPosition();

    std::unique_ptr<MCSliderCell> m_cell;
    MCMouseOverTracking *m_tracking;
    MCSliderDelegate *m_delegate = nullptr;
    MCSliderDelegate *m_trackingDelegate = nullptr;
    MCControlSize m_controlSize = MCControlSize::Regular;
    double m_value = 0.0;
    double m_minValue = 0.0;
    double m_maxValue = 1.0;
    bool m_dragging = false;
    double m_grabOffset = 0.0; // pointer x less the knob's centre when the press began on it
};
