#include "app/uikit/MCRatingMatrix.h"

#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

qint64 MCRatingMatrixColumnForX(double x, double cellWidth, double spacing, qint64 columns)
{
    if (columns <= 0 || !(cellWidth > 0))
        return -1;
    const double cell = std::trunc(x / cellWidth);
    qint64 column = cell < 0 ? 0 : cell > double(columns - 1) ? columns - 1 : qint64(cell);
    const double left = double(column) * (cellWidth + spacing);
    return left + 4.0 >= x ? column - 1 : column;
}

MCRatingMatrix::MCRatingMatrix(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Rating"));
}

void MCRatingMatrix::setRating(qint64 rating)
{
    if (rating == m_rating)
        return;
    m_rating = rating;
    update();
    emit ratingChanged(rating);
}

void MCRatingMatrix::setNumberOfColumns(qint64 columns)
{
    m_columns = qMax<qint64>(0, columns);
    updateGeometry();
    update();
}

void MCRatingMatrix::setCellSize(const QSizeF &size)
{
    m_cellSize = size;
    updateGeometry();
    update();
}

void MCRatingMatrix::setIntercellSpacing(double spacing)
{
    m_spacing = spacing;
    updateGeometry();
    update();
}

void MCRatingMatrix::setImages(const QIcon &on, const QIcon &off)
{
    m_on = on;
    m_off = off;
    update();
}

QRectF MCRatingMatrix::cellFrame(qint64 column) const
{
    return QRectF(double(column) * (m_cellSize.width() + m_spacing), 0, m_cellSize.width(), m_cellSize.height());
}

qint64 MCRatingMatrix::columnForX(double x) const
{
    return MCRatingMatrixColumnForX(x, m_cellSize.width(), m_spacing, m_columns);
}

QSize MCRatingMatrix::sizeHint() const
{
    const double width = m_columns > 0 ? double(m_columns) * (m_cellSize.width() + m_spacing) - m_spacing : 0;
    return QSizeF(width, m_cellSize.height()).toSize();
}

namespace {

QPainterPath star(const QRectF &frame)
{
    const QPointF centre = frame.center();
    const double outer = qMin(frame.width(), frame.height()) * 0.45;
    const double inner = outer * 0.45;
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double radius = i % 2 == 0 ? outer : inner;
        const QPointF point(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

} // namespace

void MCRatingMatrix::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double alpha = isEnabled() ? 1.0 : 0.5;
    for (qint64 column = 0; column < m_columns; ++column) {
        const QRectF frame = cellFrame(column);
        const bool on = isCellOn(column);
        const QIcon &icon = on ? m_on : m_off;
        if (!icon.isNull()) {
            painter.setOpacity(alpha);
            icon.paint(&painter, frame.toAlignedRect());
            painter.setOpacity(1.0);
            continue;
        }
        const QPainterPath shape = star(frame);
        if (on)
            painter.fillPath(shape, MCColorQuillon::colorWithWhite(1.0, alpha));
        else
            painter.strokePath(shape, QPen(MCColorQuillon::colorWithWhite(1.0, 0.45 * alpha), 1.0));
    }
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
        MCDrawFocusRing(painter, ring);
    }
}

void MCRatingMatrix::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_tracking = true;
    setRating(columnForX(event->position().x()) + 1);
}

void MCRatingMatrix::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tracking)
        setRating(columnForX(event->position().x()) + 1);
}

void MCRatingMatrix::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_tracking || event->button() != Qt::LeftButton)
        return;
    m_tracking = false;
    // The release's own position counts too.
    setRating(columnForX(event->position().x()) + 1);
    emit activated();
}

void MCRatingMatrix::keyPressEvent(QKeyEvent *event)
{
    const qint64 lit = qBound<qint64>(0, m_rating, m_columns);
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        setRating(qBound<qint64>(0, lit + (event->key() == Qt::Key_Right ? 1 : -1), m_columns));
        emit activated();
        return;
    }
    QWidget::keyPressEvent(event);
}
