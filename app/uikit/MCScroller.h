#pragma once

// The dark look of scrolling lists: thin scrollers whose slot takes the scroll area's
// background and whose knob is a light pill, the gray scroller with a themed gradient slot, and
// a scroll area that paints the corner between its two scrollers. The scrollers answer the
// mouse (drag the knob, click the slot to page), the wheel and the arrow keys.
#include "app/uikit/MCControlSupport.h"

#include <QGradientStops>
#include <QScrollArea>
#include <QScrollBar>

// The knob of a scroller whose slot is `slot`: along the slot in proportion to the page, at
// least 18 pixels long, inset 2 pixels across it.
QRectF MCScrollerKnobRect(const QRectF &slot, bool vertical, int minimum, int maximum, int pageStep, int value);
// The value that puts the knob's leading edge at `position` (pixels along the slot).
int MCScrollerValueForKnobPosition(const QRectF &slot, bool vertical, int minimum, int maximum, int pageStep,
                                   double position);

class MCBaseScroller : public QScrollBar
{
    Q_OBJECT
public:
    explicit MCBaseScroller(Qt::Orientation orientation = Qt::Vertical, QWidget *parent = nullptr);

    // The scroller of a scroll area follows its place there; any other is vertical when it is
    // taller than wide (a square one is not).
    bool isVertical() const;
    static bool isVerticalForSize(const QSizeF &size) { return size.height() > size.width(); }

    QRectF knobRect() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // The slot: the enclosing scroll area's background; nothing outside a scroll area.
    virtual void drawKnobSlot(QPainter &painter, const QRectF &slot);
    virtual void drawKnob(QPainter &painter, const QRectF &knob);

private:
    bool m_dragging = false;
    double m_grabOffset = 0; // pointer position inside the knob when the drag began
};

class MCGrayScroller : public MCBaseScroller
{
    Q_OBJECT
public:
    explicit MCGrayScroller(Qt::Orientation orientation = Qt::Vertical, QWidget *parent = nullptr);

    // Theme 0.2 at 0, 0.24 at 0.8, 0.23 at 1, across the slot from its separator edge.
    static QGradientStops defaultGradient();
    // Theme 0.12.
    static QColor defaultSeparatorColor();

    QGradientStops gradient() const { return m_gradient; }
    void setGradient(const QGradientStops &gradient);
    QColor separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(const QColor &color);

protected:
    void drawKnobSlot(QPainter &painter, const QRectF &slot) override;
    void drawBackground(QPainter &painter, const QRectF &slot);
    // A line on the slot's edge that faces the content: the left edge of a vertical scroller,
    // the top edge of a horizontal one.
    void drawBorders(QPainter &painter, const QRectF &slot);

private:
    void rebuildColors();

    QGradientStops m_gradient;
    QColor m_separatorColor;
};

// A scroll area with gray scrollers whose corner between them is filled with theme 0.22 and
// edged in theme 0.12 on its left and top.
class MCGrayScrollView : public QScrollArea
{
    Q_OBJECT
public:
    explicit MCGrayScrollView(QWidget *parent = nullptr);
    // Where the corner goes in a view of `bounds` with scrollers of the given frames.
    static QRectF cornerRect(const QRectF &bounds, const QRectF &verticalScroller, const QRectF &horizontalScroller);

protected:
    bool event(QEvent *event) override;
};
