#include "app/panels/MCCurvesView.h"

#include "app/stages/MCConvertCurves.h"
#include "app/uikit/MCControlSupport.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The platform's point-in-rectangle test: minimum edges inside, maximum edges outside.
bool pointInRect(const QPointF &p, const QRectF &r)
{
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

// Two points' 2 × 2 squares overlap: less than 2 apart in x and in y.
bool mergeSquaresOverlap(const QPointF &a, const QPointF &b)
{
    return std::abs(a.x() - b.x()) < 2.0 && std::abs(a.y() - b.y()) < 2.0;
}

const QRectF kGridFrame(16, 16, 256, 256);

} // namespace

MCCurvesView::MCCurvesView(QWidget *parent)
    : QWidget(parent)
    , m_currentPoints(MCConvertCurves::defaultPoints())
{
    m_initialPoints = m_currentPoints;
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Curve"));
}

void MCCurvesView::setControlPoints(const QList<QPointF> &points)
{
    m_selectedPointIndex = 0;
    m_currentPoints = MCConvertCurves::mendedPoints(points);
    m_initialPoints = m_currentPoints;
    m_pathCurveValid = false;
    update();
}

void MCCurvesView::setBackgroundColor(const QColor &color)
{
    if (color == m_backgroundColor)
        return;
    m_backgroundColor = color;
    update();
}

void MCCurvesView::setForegroundColor(const QColor &color)
{
    if (color == m_foregroundColor)
        return;
    m_foregroundColor = color;
    update();
}

QList<QPointF> MCCurvesView::splinePointsInRect(const QRectF &rect, const QList<QPointF> &controlPoints)
{
    return MCConvertCurves::splinePointsInRect(rect, controlPoints);
}

QPointF MCCurvesView::locationAtX(double x) const
{
    const std::optional<double> y = MCConvertCurves::curveValueAtX(m_currentPoints, x);
    return QPointF(x, y.value_or(kNoPoint));
}

QPointF MCCurvesView::convertViewPointToGridPoint(const QPointF &point)
{
    return QPointF(std::round(point.x() - 16), std::round(point.y() - 16));
}

QPointF MCCurvesView::convertGridPointToViewPoint(const QPointF &point)
{
    return QPointF(std::round(point.x() + 16), std::round(point.y() + 16));
}

QPointF MCCurvesView::layoutPoint(const QPointF &point, qint64 index) const
{
    double x = std::round(point.x());
    const double y = std::clamp(std::round(point.y()), 0.0, 255.0);
    const qint64 count = m_currentPoints.size();
    x = index > 0 ? std::max(m_currentPoints[index - 1].x() + 1, x) : std::max(x, 0.0);
    x = index + 1 < count ? std::min(m_currentPoints[index + 1].x() - 1, x) : std::min(x, 255.0);
    return QPointF(x, y);
}

void MCCurvesView::shiftPointsAtIndexes(const QList<qint64> &indexes, double dx, double dy)
{
    QList<qint64> order = indexes;
    std::sort(order.begin(), order.end());
    if (dx > 0)
        std::reverse(order.begin(), order.end());
    for (const qint64 index : order) {
        if (index < 0 || index >= m_initialPoints.size() || index >= m_currentPoints.size())
            continue;
        m_currentPoints[index] = layoutPoint(m_initialPoints[index] + QPointF(dx, dy), index);
    }
}

bool MCCurvesView::selectPoint(const QPointF &gridPoint)
{
    for (qint64 i = 0; i < m_currentPoints.size(); ++i) {
        const QPointF &p = m_currentPoints[i];
        if (pointInRect(gridPoint, QRectF(p.x() - 8, p.y() - 8, 16, 16))) {
            m_selectedPointIndex = i;
            update();
            return true;
        }
    }
    return false;
}

bool MCCurvesView::addPoint(const QPointF &gridPoint)
{
    const QPointF c = locationAtX(gridPoint.x());
    if (c.x() == kNoPoint || c.y() == kNoPoint)
        return false;
    if (!pointInRect(gridPoint, QRectF(c.x() - 8, c.y() - 8, 16, 16)))
        return false;
    const double X = c.x();
    const qint64 n = m_currentPoints.size();
    qint64 at = -1;
    for (qint64 i = 0; i + 1 < n; ++i) {
        const double xi = m_currentPoints[i].x(), xj = m_currentPoints[i + 1].x();
        if (xi > X && xj > X) {
            at = i;
            break;
        }
        if (xj > X) {
            at = i + 1;
            break;
        }
        if (i + 2 == n && X > xi && X > xj) {
            at = n;
            break;
        }
    }
    // A point where one already is would break the increasing x (and divide the spline by a
    // zero width); such a click lies on that point's knob anyway.
    if (at < 0 || (at > 0 && m_currentPoints[at - 1].x() == X) || (at < n && m_currentPoints[at].x() == X))
        return false;
    m_currentPoints.insert(at, c);
    m_selectedPointIndex = at;
    pointsDidChange();
    return true;
}

void MCCurvesView::tryToConcatPointsWithPoint(qint64 index)
{
    const qint64 count = m_currentPoints.size();
    if (count < 3 || index < 0 || index >= count)
        return;
    const QPointF p = m_currentPoints[index];
    const bool merges = (index > 0 && mergeSquaresOverlap(p, m_currentPoints[index - 1])) ||
                        (index + 1 < count && mergeSquaresOverlap(p, m_currentPoints[index + 1]));
    if (!merges)
        return;
    m_currentPoints.removeAt(index);
    if (m_selectedPointIndex >= index)
        --m_selectedPointIndex;
    pointsDidChange();
}

void MCCurvesView::pointsDidChange()
{
    m_pathCurveValid = false;
    update();
}

// ---- the drag

void MCCurvesView::beginTracking(const QPointF &gridPoint)
{
    m_tracking = true;
    if (m_delegate)
        m_delegate->curvesViewWillStartTracking(this);
    m_trackingStart = gridPoint;
    m_trackingDelta = QPointF();
    m_axisLock = AxisLock::Undecided;
    m_initialPoints = m_currentPoints;
}

void MCCurvesView::trackTo(const QPointF &gridPoint, Qt::KeyboardModifiers modifiers)
{
    m_trackingDelta = gridPoint - m_trackingStart;
    applyDrag(modifiers);
}

void MCCurvesView::applyDrag(Qt::KeyboardModifiers modifiers)
{
    m_modifiers = modifiers;
    double dx = m_trackingDelta.x(), dy = m_trackingDelta.y();
    if (modifiers & Qt::ShiftModifier) {
        if (m_axisLock == AxisLock::Undecided) {
            if (std::abs(dy) - 1 >= std::abs(dx))
                m_axisLock = AxisLock::Vertical;
            else if (std::abs(dx) - 1 >= std::abs(dy))
                m_axisLock = AxisLock::Horizontal;
        }
        if (m_axisLock == AxisLock::Horizontal)
            dy = 0;
        else
            dx = 0;
    }
    QList<qint64> indexes;
    if (modifiers & Qt::AltModifier) {
        for (qint64 i = 0; i < m_initialPoints.size(); ++i)
            indexes.append(i);
    } else {
        indexes.append(m_selectedPointIndex);
    }
    shiftPointsAtIndexes(indexes, dx, dy);
    pointsDidChange();
    if (m_delegate)
        m_delegate->curvesViewDidUpdate(this);
}

void MCCurvesView::finishTracking()
{
    if (!m_tracking)
        return;
    m_tracking = false;
    for (qint64 i = 0; i < m_currentPoints.size(); ++i)
        tryToConcatPointsWithPoint(i);
    pointsDidChange();
    if (m_delegate) {
        m_delegate->curvesViewDidUpdate(this);
        m_delegate->curvesViewDidFinishTracking(this);
    }
}

void MCCurvesView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_tracking) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF p = viewPoint(event->position());
    if (!pointInRect(p, activeRect()))
        return;
    const QPointF g = convertViewPointToGridPoint(p);
    if (selectPoint(g) || addPoint(g))
        beginTracking(g);
}

void MCCurvesView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tracking)
        trackTo(convertViewPointToGridPoint(viewPoint(event->position())), event->modifiers());
}

void MCCurvesView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_tracking || event->button() != Qt::LeftButton)
        return;
    trackTo(convertViewPointToGridPoint(viewPoint(event->position())), event->modifiers());
    finishTracking();
}

void MCCurvesView::hideEvent(QHideEvent *event)
{
    // A drag cut short still ends, so the owner's undo bracket closes.
    finishTracking();
    QWidget::hideEvent(event);
}

void MCCurvesView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (m_tracking) {
        // Shift or Alt pressed during a drag: the last offset again, under the new modifiers,
        // with the axis lock decided afresh.
        if (key == Qt::Key_Shift || key == Qt::Key_Alt) {
            m_axisLock = AxisLock::Undecided;
            applyDrag(m_modifiers | (key == Qt::Key_Shift ? Qt::ShiftModifier : Qt::AltModifier));
        }
        return;
    }
    const qint64 count = m_currentPoints.size();
    QPointF step;
    switch (key) {
    case Qt::Key_Left: step = {-1, 0}; break;
    case Qt::Key_Right: step = {1, 0}; break;
    case Qt::Key_Up: step = {0, 1}; break;
    case Qt::Key_Down: step = {0, -1}; break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        m_selectedPointIndex = std::clamp<qint64>(m_selectedPointIndex + (key == Qt::Key_PageDown ? 1 : -1), 0, count - 1);
        update();
        return;
    default: QWidget::keyPressEvent(event); return;
    }
    if (m_selectedPointIndex < 0 || m_selectedPointIndex >= count)
        return;
    // One key is one whole drag of the selected point.
    const QPointF start = m_currentPoints[m_selectedPointIndex];
    beginTracking(start);
    trackTo(start + step, Qt::NoModifier);
    finishTracking();
}

void MCCurvesView::keyReleaseEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (m_tracking && (key == Qt::Key_Shift || key == Qt::Key_Alt)) {
        m_axisLock = AxisLock::Undecided;
        applyDrag(m_modifiers & ~(key == Qt::Key_Shift ? Qt::ShiftModifier : Qt::AltModifier));
        return;
    }
    QWidget::keyReleaseEvent(event);
}

// ---- drawing

const QPainterPath &MCCurvesView::pathCurve()
{
    if (!m_pathCurveValid) {
        m_pathCurve = QPainterPath();
        const QList<QPointF> samples = splinePointsInRect(QRectF(0, 0, 255, 255), m_currentPoints);
        if (!samples.isEmpty()) {
            m_pathCurve.moveTo(samples.first());
            for (qsizetype i = 1; i < samples.size(); ++i)
                m_pathCurve.lineTo(samples[i]);
        }
        m_pathCurveValid = true;
    }
    return m_pathCurve;
}

const QPainterPath &MCCurvesView::pathGrid()
{
    if (m_pathGrid.isEmpty()) {
        for (int i = 1; i <= 7; ++i) {
            m_pathGrid.moveTo(32 * i, 0);
            m_pathGrid.lineTo(32 * i, 256);
            m_pathGrid.moveTo(0, 32 * i);
            m_pathGrid.lineTo(256, 32 * i);
        }
    }
    return m_pathGrid;
}

void MCCurvesView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn in the view's own space, y up.
    painter.translate(0, height());
    painter.scale(1, -1);
    const QPen outline(m_backgroundColor, 1.0);

    // The frame of the grid.
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(kGridFrame.adjusted(0.5, 0.5, -0.5, -0.5));

    // The stripes: output levels up the left side, input levels along the bottom.
    const QRectF outputStripe(0, 16, 10, 256), inputStripe(16, 0, 256, 10);
    QLinearGradient up(0, outputStripe.top(), 0, outputStripe.bottom()); // y up: bottom to top
    up.setColorAt(0, m_backgroundColor);
    up.setColorAt(1, m_foregroundColor);
    QLinearGradient across(inputStripe.left(), 0, inputStripe.right(), 0);
    across.setColorAt(0, m_backgroundColor);
    across.setColorAt(1, m_foregroundColor);
    painter.fillRect(outputStripe, up);
    painter.fillRect(inputStripe, across);
    painter.drawRect(outputStripe.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.drawRect(inputStripe.adjusted(0.5, 0.5, -0.5, -0.5));

    painter.translate(16.5, 16.5);

    QPen dashed(m_backgroundColor, 1.0, Qt::CustomDashLine, Qt::FlatCap);
    dashed.setDashPattern({2.0, 2.0});
    painter.setPen(dashed);
    painter.drawPath(pathGrid());

    painter.setPen(outline);
    painter.drawPath(pathCurve());

    for (qint64 i = 0; i < m_currentPoints.size(); ++i) {
        const QPointF &p = m_currentPoints[i];
        const bool selected = i == m_selectedPointIndex;
        painter.setPen(QPen(selected ? m_foregroundColor : m_backgroundColor, 1.0));
        painter.setBrush(selected ? m_backgroundColor : m_foregroundColor);
        painter.drawRect(QRectF(p.x() - 4, p.y() - 4, 8, 8));
    }

    if (hasFocus()) {
        painter.resetTransform();
        QPainterPath ring;
        ring.addRect(QRectF(1, 1, width() - 2, height() - 2));
        MCDrawFocusRing(painter, ring);
    }
}
