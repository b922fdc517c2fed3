#pragma once

// The tone-curve editor of the Curves panel: a curve through control points on a 0..255 by
// 0..255 grid (x the input level, y the output level), drawn with the Curves stage's own
// spline. The user selects a point by clicking within 8 units of its knob, adds one by
// clicking within 8 units of the curve (the new point sits on the curve), and drags the
// selected point; Shift locks the drag to the axis the pointer moves along most, Alt (Option)
// moves every point together. A point released less than 2 units from a neighbour merges into
// it, as long as at least two points remain. The arrow keys move the selected point by one
// unit and Page Up / Page Down select the previous or the next point.
//
// The view keeps no link to a stage: its owner hands it the points and reads them back in the
// delegate calls. Points keep x strictly increasing and every moved point stays one unit from
// its neighbours and inside the grid.
//
// Coordinates: "grid" is the 0..255 square; "view" is the view's own drawing space, y pointing
// up, with the grid's origin at (16, 16). The widget flips its mouse positions and its painter
// once, at the edge; everything named here is in the y-up space.
#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <limits>

class MCCurvesView;

// Spelled so. Hears the edits: a drag starts, changes the points (every mouse event), ends.
class MCCurvesViewDeleate
{
public:
    virtual ~MCCurvesViewDeleate() = default;
    virtual void curvesViewDidUpdate(MCCurvesView *view) = 0;
    virtual void curvesViewWillStartTracking(MCCurvesView *view) = 0;
    virtual void curvesViewDidFinishTracking(MCCurvesView *view) = 0;
};

class MCCurvesView : public QWidget
{
    Q_OBJECT
public:
    // The y of locationAtX() where there is no curve.
    static constexpr double kNoPoint = std::numeric_limits<double>::max();
    // The rectangle a press must fall in: the grid frame (16, 16, 256, 256) grown by 8.
    static QRectF activeRect() { return QRectF(8, 8, 272, 272); }

    explicit MCCurvesView(QWidget *parent = nullptr);

    // The points as shown (x strictly increasing, at least two).
    QList<QPointF> controlPoints() const { return m_currentPoints; }
    // Shows a new list and selects point 0. A damaged list (unsorted, outside the grid, points
    // closer than one unit in x, fewer than two) is mended as the Curves stage reads it; one
    // that leaves fewer than two points shows the straight curve.
    void setControlPoints(const QList<QPointF> &points);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    QColor foregroundColor() const { return m_foregroundColor; }
    void setForegroundColor(const QColor &color);

    MCCurvesViewDeleate *delegate() const { return m_delegate; }
    void setDelegate(MCCurvesViewDeleate *delegate) { m_delegate = delegate; } // not owned

    // The selected point's index; -1 when a merge removed it.
    qint64 selectedPointIndex() const { return m_selectedPointIndex; }
    bool isTracking() const { return m_tracking; }

    // The curve's samples mapped into `rect` (one per level; see MCConvertCurves).
    static QList<QPointF> splinePointsInRect(const QRectF &rect, const QList<QPointF> &controlPoints);
    // The curve's point at x (grid space), or (x, kNoPoint) outside 0..255.
    QPointF locationAtX(double x) const;
    static QPointF convertViewPointToGridPoint(const QPointF &point);
    static QPointF convertGridPointToViewPoint(const QPointF &point);
    // The position a point proposed for index `index` may take: whole numbers, at least one
    // unit from its current neighbours' x, inside the grid.
    QPointF layoutPoint(const QPointF &point, qint64 index) const;
    // Moves the points at `indexes` by (dx, dy) from where they were when the drag started,
    // right to left when moving right and left to right otherwise, so that a group piles up
    // one unit apart against the edge.
    void shiftPointsAtIndexes(const QList<qint64> &indexes, double dx, double dy);
    // Selects the first point whose 16 × 16 square holds the grid point.
    bool selectPoint(const QPointF &gridPoint);
    // Adds the curve's point at the grid point's x when the grid point lies within 8 units
    // below or less than 8 above the curve, and selects it.
    bool addPoint(const QPointF &gridPoint);
    // Removes point `index` when it lies less than 2 units (in x and in y) from a neighbour and
    // more than two points remain.
    void tryToConcatPointsWithPoint(qint64 index);

    QSize sizeHint() const override { return QSize(280, 280); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPointF viewPoint(const QPointF &widgetPoint) const { return QPointF(widgetPoint.x(), height() - widgetPoint.y()); }
    // The drag, in steps: begins at a grid point, follows the pointer, ends with the merge pass.
    void beginTracking(const QPointF &gridPoint);
    void trackTo(const QPointF &gridPoint, Qt::KeyboardModifiers modifiers);
    void applyDrag(Qt::KeyboardModifiers modifiers);
    void finishTracking();
    void pointsDidChange();
    const QPainterPath &pathCurve();
    const QPainterPath &pathGrid();

    QPainterPath m_pathCurve;
    bool m_pathCurveValid = false;
    QPainterPath m_pathGrid;
    QColor m_backgroundColor = Qt::black;
    QColor m_foregroundColor = Qt::white;
    QList<QPointF> m_initialPoints; // as they were when the drag started
    QList<QPointF> m_currentPoints; // as shown and edited
    qint64 m_selectedPointIndex = 0;
    MCCurvesViewDeleate *m_delegate = nullptr;

    // The drag in progress.
    enum class AxisLock { Undecided, Horizontal, Vertical };
    bool m_tracking = false;
    QPointF m_trackingStart;
    QPointF m_trackingDelta;
    AxisLock m_axisLock = AxisLock::Undecided;
    Qt::KeyboardModifiers m_modifiers;
};
