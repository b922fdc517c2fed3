#include "app/uikit/MCSegmentedControl.h"

#include "app/uikit/MCColorQuillon.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

using namespace MCColorQuillon;

// Shared segments ---------------------------------------------------------------------------

MCSegmentedControl::MCSegmentedControl(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFont(MCControlFont(m_controlSize));
    MCAppearanceObserver::sharedObserver();
}

void MCSegmentedControl::setSegmentCount(qint64 count)
{
    m_segments.resize(qMax<qint64>(0, count));
    m_focusedSegment = qBound<qint64>(0, m_focusedSegment, qMax<qint64>(0, count - 1));
    updateGeometry();
    update();
}

QString MCSegmentedControl::labelForSegment(qint64 segment) const
{
    return indexIsValid(segment) ? m_segments[segment].label : QString();
}

void MCSegmentedControl::setLabel(const QString &label, qint64 segment)
{
    if (!indexIsValid(segment))
        return;
    m_segments[segment].label = label;
    updateGeometry();
    update();
}

QIcon MCSegmentedControl::imageForSegment(qint64 segment) const
{
    return indexIsValid(segment) ? m_segments[segment].image : QIcon();
}

void MCSegmentedControl::setImage(const QIcon &image, qint64 segment)
{
    if (!indexIsValid(segment))
        return;
    m_segments[segment].image = image;
    update();
}

void MCSegmentedControl::setIconSize(const QSize &size)
{
    m_iconSize = size;
    update();
}

QString MCSegmentedControl::toolTipForSegment(qint64 segment) const
{
    return indexIsValid(segment) ? m_segments[segment].toolTip : QString();
}

void MCSegmentedControl::setToolTip(const QString &toolTip, qint64 segment)
{
    if (indexIsValid(segment))
        m_segments[segment].toolTip = toolTip;
}

bool MCSegmentedControl::isEnabledForSegment(qint64 segment) const
{
    return indexIsValid(segment) && m_segments[segment].enabled;
}

void MCSegmentedControl::setEnabled(bool enabled, qint64 segment)
{
    if (!indexIsValid(segment))
        return;
    m_segments[segment].enabled = enabled;
    update();
}

qint64 MCSegmentedControl::selectedSegment() const
{
    for (qint64 i = 0; i < segmentCount(); ++i) {
        if (m_segments[i].selected)
            return i;
    }
    return -1;
}

void MCSegmentedControl::setSelectedSegment(qint64 segment)
{
    const qint64 before = selectedSegment();
    for (qint64 i = 0; i < segmentCount(); ++i)
        m_segments[i].selected = i == segment;
    if (indexIsValid(segment))
        m_focusedSegment = segment;
    update();
    if (selectedSegment() != before)
        emit selectedSegmentChanged(selectedSegment());
}

bool MCSegmentedControl::isSelectedForSegment(qint64 segment) const
{
    return indexIsValid(segment) && m_segments[segment].selected;
}

void MCSegmentedControl::setSelected(bool selected, qint64 segment)
{
    if (!indexIsValid(segment))
        return;
    if (selected && m_mode == TrackingMode::SelectOne) {
        setSelectedSegment(segment);
        return;
    }
    const qint64 before = selectedSegment();
    m_segments[segment].selected = selected;
    update();
    if (selectedSegment() != before)
        emit selectedSegmentChanged(selectedSegment());
}

void MCSegmentedControl::setControlSize(MCControlSize size)
{
    m_controlSize = size;
    setFont(MCControlFont(size));
    updateGeometry();
    update();
}

void MCSegmentedControl::setPressedSegmentForDisplay(qint64 segment)
{
    if (segment < 0) {
        m_highlighted = false;
        pressEnded();
    } else {
        m_highlighted = true;
        m_pressedSegment = segment;
        pressStarted(segment);
    }
    update();
}

bool MCSegmentedControl::isWindowKey() const
{
    // A control that is not shown has no window, which draws like the key window.
    return !isVisible() || MCMouseOverTracking::isWindowActive(this);
}

void MCSegmentedControl::choose(qint64 segment)
{
    if (!isEnabledForSegment(segment))
        return;
    switch (m_mode) {
    case TrackingMode::SelectOne: setSelectedSegment(segment); break;
    case TrackingMode::SelectAny: setSelected(!isSelectedForSegment(segment), segment); break;
    case TrackingMode::Momentary: break;
    }
    m_focusedSegment = segment;
    emit activated(segment);
}

void MCSegmentedControl::pressStarted(qint64) {}
void MCSegmentedControl::pressEnded() {}

void MCSegmentedControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressedSegment = segmentAtPoint(event->position());
    m_highlighted = isEnabledForSegment(m_pressedSegment);
    pressStarted(m_pressedSegment);
    update();
}

void MCSegmentedControl::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_pressedSegment < 0)
        return;
    // The pressed look only while the pointer stays on the pressed segment.
    const bool on = segmentAtPoint(event->position()) == m_pressedSegment && isEnabledForSegment(m_pressedSegment);
    if (on != m_highlighted) {
        m_highlighted = on;
        update();
    }
}

void MCSegmentedControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool chosen = m_highlighted && segmentAtPoint(event->position()) == m_pressedSegment;
    m_highlighted = false;
    pressEnded();
    update();
    if (chosen)
        choose(m_pressedSegment);
}

void MCSegmentedControl::keyPressEvent(QKeyEvent *event)
{
    const qint64 count = segmentCount();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (count == 0)
            break;
        const qint64 step = event->key() == Qt::Key_Right ? 1 : -1;
        m_focusedSegment = (m_focusedSegment + step + count) % count;
        if (m_mode == TrackingMode::SelectOne)
            choose(m_focusedSegment);
        update();
        return;
    }
    case Qt::Key_Space:
        choose(m_focusedSegment);
        return;
    default: break;
    }
    QWidget::keyPressEvent(event);
}

// Dark bar geometry -------------------------------------------------------------------------

namespace MCDarkSegmentedControlCell {

double controlHeight(MCControlSize size)
{
    return size == MCControlSize::Regular ? 22.0 : 18.0;
}

QRectF frameForSegment(qint64 index, qint64 count, const QRectF &bounds, double height)
{
    if (count <= 0 || index < 0 || index >= count)
        return QRectF();
    const double width = std::trunc((bounds.width() - double(count - 1)) / double(count));
    return QRectF(bounds.x() + double(index) * (width + 1.0), bounds.y(), width, height);
}

qint64 segmentAtPoint(const QPointF &point, qint64 count, const QRectF &bounds, double height)
{
    for (qint64 i = 0; i < count; ++i) {
        const QRectF frame = frameForSegment(i, count, bounds, height);
        // The platform's point-in-rectangle: the left and top edges inside, the others outside.
        if (point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top() &&
            point.y() < frame.bottom())
            return i;
    }
    return -1;
}

QPainterPath strokePathForSegment(qint64 index, qint64 count, const QRectF &f)
{
    const double x = f.x(), y = f.y(), maxX = f.right(), maxY = f.bottom();
    QPainterPath path;
    if (index == 0) {
        path.moveTo(maxX, y + 0.5);
        path.lineTo(x + 3.5, y + 0.5);
        path.arcTo(QRectF(x + 0.5, y + 0.5, 6, 6), 90, 90);
        path.lineTo(x + 0.5, maxY - 3.5);
        path.arcTo(QRectF(x + 0.5, maxY - 6.5, 6, 6), 180, 90);
        path.lineTo(maxX, maxY - 0.5);
    } else if (index == count - 1) {
        path.moveTo(x, y + 0.5);
        path.lineTo(maxX - 3.5, y + 0.5);
        path.arcTo(QRectF(maxX - 6.5, y + 0.5, 6, 6), 90, -90);
        path.lineTo(maxX - 0.5, maxY - 3.5);
        path.arcTo(QRectF(maxX - 6.5, maxY - 6.5, 6, 6), 0, -90);
        path.lineTo(x, maxY - 0.5);
    } else {
        path.addRect(f.adjusted(-0.5, 0.5, 0.5, -0.5));
    }
    return path;
}

QPainterPath fillPathForSegment(qint64 index, qint64 count, const QRectF &frame)
{
    QPainterPath path = strokePathForSegment(index, count, frame);
    path.closeSubpath();
    return path;
}

MCFillStroke segmentColors(bool enabled, bool pressed, bool mouseOver)
{
    const QColor stroke = colorWithBrightness(0.49);
    if (!enabled)
        return {colorWithBrightness(0.43), stroke};
    if (pressed)
        return {colorWithBrightness(1.0, 0.1), stroke};
    if (mouseOver)
        return {colorWithBrightness(0.53), stroke};
    return {colorWithBrightness(0.43), stroke};
}

double imageOpacity(bool enabled, bool selected)
{
    return !enabled ? 0.2 : selected ? 1.0 : 0.5;
}

QRectF imageRect(const QSizeF &size, const QRectF &frame)
{
    return QRectF(std::trunc(frame.center().x() - size.width() / 2), std::trunc(frame.center().y() - size.height() / 2),
                  size.width(), size.height());
}

} // namespace MCDarkSegmentedControlCell

// Dark bar ---------------------------------------------------------------------------------

MCDarkSegmentedControl::MCDarkSegmentedControl(QWidget *parent)
    : MCSegmentedControl(parent)
{
    setMouseTracking(true);
}

void MCDarkSegmentedControl::setShowsMouseOverState(bool shows)
{
    m_showsMouseOver = shows;
    // Switching on counts a pointer already resting on a segment at once.
    setHighlightedSegment(shows && underMouse() ? segmentAtPoint(mapFromGlobal(QCursor::pos())) : -1);
    update();
}

bool MCDarkSegmentedControl::isMouseOverOnSegment(qint64 segment) const
{
    return segment >= 0 && m_highlightedSegment == segment && MCMouseOverTracking::isWindowActive(this);
}

QString MCDarkSegmentedControl::toolTipAtPoint(const QPointF &point) const
{
    const qint64 segment = segmentAtPoint(point);
    return segment < 0 ? QString(QLatin1String("")) : toolTipForSegment(segment);
}

qint64 MCDarkSegmentedControl::segmentAtPoint(const QPointF &point) const
{
    return MCDarkSegmentedControlCell::segmentAtPoint(point, segmentCount(), rect(),
                                                      MCDarkSegmentedControlCell::controlHeight(controlSize()));
}

QRectF MCDarkSegmentedControl::frameForSegment(qint64 segment) const
{
    return MCDarkSegmentedControlCell::frameForSegment(segment, segmentCount(), rect(),
                                                       MCDarkSegmentedControlCell::controlHeight(controlSize()));
}

QSize MCDarkSegmentedControl::sizeHint() const
{
    const qint64 count = qMax<qint64>(1, segmentCount());
    return {int(count * 32 + (count - 1)), int(MCDarkSegmentedControlCell::controlHeight(controlSize()))};
}

void MCDarkSegmentedControl::setHighlightedSegment(qint64 segment)
{
    if (!m_showsMouseOver)
        segment = -1;
    if (segment == m_highlightedSegment)
        return;
    m_highlightedSegment = segment;
    update();
}

bool MCDarkSegmentedControl::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = toolTipAtPoint(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this, frameForSegment(segmentAtPoint(help->pos())).toRect());
        return true;
    }
    return MCSegmentedControl::event(event);
}

void MCDarkSegmentedControl::enterEvent(QEnterEvent *event)
{
    setHighlightedSegment(segmentAtPoint(event->position()));
    MCSegmentedControl::enterEvent(event);
}

void MCDarkSegmentedControl::mouseMoveEvent(QMouseEvent *event)
{
    setHighlightedSegment(segmentAtPoint(event->position()));
    MCSegmentedControl::mouseMoveEvent(event);
}

void MCDarkSegmentedControl::leaveEvent(QEvent *event)
{
    setHighlightedSegment(-1);
    MCSegmentedControl::leaveEvent(event);
}

void MCDarkSegmentedControl::paintEvent(QPaintEvent *)
{
    using namespace MCDarkSegmentedControlCell;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qint64 count = segmentCount();
    for (qint64 i = 0; i < count; ++i) {
        const QRectF frame = frameForSegment(i);
        const bool enabled = isEnabled() && isEnabledForSegment(i);
        const MCFillStroke colors = segmentColors(enabled, isHighlighted() && pressedSegment() == i,
                                                  isMouseOverOnSegment(i));
        painter.fillPath(fillPathForSegment(i, count, frame), colors.fill);
        painter.strokePath(strokePathForSegment(i, count, frame), QPen(colors.stroke, 1.0));
        const QIcon image = imageForSegment(i);
        if (!image.isNull()) {
            const QSizeF size = iconSize();
            painter.setOpacity(imageOpacity(enabled, isSelectedForSegment(i)));
            image.paint(&painter, imageRect(size, frame).toRect());
            painter.setOpacity(1.0);
        }
        if (i < count - 1) {
            painter.setPen(QPen(colorWithBrightness(0.49), 1.0));
            painter.drawLine(QPointF(frame.right() + 0.5, frame.top()), QPointF(frame.right() + 0.5, frame.bottom()));
        }
    }
    if (hasFocus() && count > 0) {
        const qint64 focused = focusedSegment();
        MCDrawFocusRing(painter, fillPathForSegment(focused, count, frameForSegment(focused)));
    }
}

// Black text segments ----------------------------------------------------------------------

MCBlackSegmentCell::MCBlackSegmentCell(QWidget *parent)
    : MCSegmentedControl(parent)
{
}

QSizeF MCBlackSegmentCell::segmentSizeForLabelSize(const QSizeF &label)
{
    const QMarginsF insets = labelInsets();
    return QSizeF(std::ceil(std::ceil(label.width()) + insets.left() + insets.right()),
                  std::ceil(std::ceil(label.height()) + insets.top() + insets.bottom()));
}

QRectF MCBlackSegmentCell::labelRectForFrame(const QRectF &frame)
{
    return frame.marginsRemoved(labelInsets());
}

QSizeF MCBlackSegmentCell::cellSizeForSegmentSizes(const QList<QSizeF> &sizes)
{
    double width = 0, height = 0;
    for (const QSizeF &size : sizes) {
        width += size.width() + 1;
        height = qMax(height, size.height());
    }
    return QSizeF(sizes.isEmpty() ? 0 : width - 1, height);
}

QList<QRectF> MCBlackSegmentCell::segmentFrames(const QList<QSizeF> &sizes, const QRectF &frame)
{
    QList<QRectF> frames;
    double x = frame.x();
    for (const QSizeF &size : sizes) {
        frames.append(QRectF(x, frame.y(), size.width(), frame.height()));
        x += size.width() + 1;
    }
    return frames;
}

QColor MCBlackSegmentCell::backgroundColor(bool selected, bool pressed, bool windowKey)
{
    if (selected)
        return windowKey ? colorWithSaturation(0.5, 0.6, 1.0) : colorWithBrightness(0.4);
    if (pressed)
        return colorWithBrightness(0.2);
    return QColor();
}

double MCBlackSegmentCell::textWhite(bool selected, bool enabled, bool pressed, bool windowKey)
{
    if (selected)
        return windowKey ? 1.0 : 0.1;
    if (!enabled)
        return 0.5;
    return pressed ? 0.8 : 0.6;
}

QSizeF MCBlackSegmentCell::labelSizeForSegment(qint64 segment) const
{
    const QFontMetricsF metrics(font());
    const QString label = labelForSegment(segment);
    return QSizeF(std::ceil(metrics.horizontalAdvance(label)), std::ceil(metrics.height()));
}

QSizeF MCBlackSegmentCell::segmentSizeForSegment(qint64 segment) const
{
    return segmentSizeForLabelSize(labelSizeForSegment(segment));
}

QSizeF MCBlackSegmentCell::cellSize() const
{
    QList<QSizeF> sizes;
    for (qint64 i = 0; i < segmentCount(); ++i)
        sizes.append(segmentSizeForSegment(i));
    return cellSizeForSegmentSizes(sizes);
}

QList<QRectF> MCBlackSegmentCell::frames() const
{
    QList<QSizeF> sizes;
    for (qint64 i = 0; i < segmentCount(); ++i)
        sizes.append(segmentSizeForSegment(i));
    return segmentFrames(sizes, rect());
}

qint64 MCBlackSegmentCell::segmentAtPoint(const QPointF &point) const
{
    const QList<QRectF> all = frames();
    for (qint64 i = 0; i < all.size(); ++i) {
        const QRectF &frame = all[i];
        if (point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top() &&
            point.y() < frame.bottom())
            return i;
    }
    return -1;
}

QRectF MCBlackSegmentCell::frameForSegment(qint64 segment) const
{
    const QList<QRectF> all = frames();
    return segment >= 0 && segment < all.size() ? all[segment] : QRectF();
}

QSize MCBlackSegmentCell::sizeHint() const
{
    return cellSize().toSize().expandedTo(QSize(16, 16));
}

void MCBlackSegmentCell::pressStarted(qint64 segment)
{
    if (segment != m_highlightedSegment) {
        m_highlightedSegment = segment;
        update();
    }
}

void MCBlackSegmentCell::pressEnded()
{
    if (m_highlightedSegment != -1) {
        m_highlightedSegment = -1;
        update();
    }
}

void MCBlackSegmentCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    const bool key = isWindowKey();
    const QList<QRectF> all = frames();
    for (qint64 i = 0; i < all.size(); ++i) {
        const bool selected = isSelectedForSegment(i);
        const bool pressed = m_highlightedSegment == i;
        const QColor back = backgroundColor(selected, pressed, key);
        QPainterPath pill;
        pill.addRoundedRect(all[i], 4.0, 4.0);
        if (back.isValid())
            painter.fillPath(pill, back);
        painter.setPen(colorWithWhite(textWhite(selected, isEnabled() && isEnabledForSegment(i), pressed, key)));
        painter.drawText(labelRectForFrame(all[i]), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         labelForSegment(i));
        if (hasFocus() && i == focusedSegment())
            MCDrawFocusRing(painter, pill);
    }
}
