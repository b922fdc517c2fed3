#include "app/uikit/MCProgressIndicator.h"

#include "app/uikit/MCColorQuillon.h"

#include <QPainter>

#include <cmath>

using namespace MCColorQuillon;

// Bar ----------------------------------------------------------------------------------------

MCDarkProgressIndicator::MCDarkProgressIndicator(QWidget *parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
    setAccessibleName(tr("Progress"));
    m_timer.setInterval(kAnimationInterval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MCDarkProgressIndicator::activateAnimation);
    syncRange();
    MCAppearanceObserver::sharedObserver();
}

void MCDarkProgressIndicator::syncRange()
{
    // The platform bar's integer range mirrors the share, for accessibility.
    if (m_indeterminate) {
        setRange(0, 0);
        return;
    }
    setRange(0, 1000);
    setValue(int(std::lround(qBound(0.0, fraction(m_value, m_minValue, m_maxValue, false), 1.0) * 1000)));
}

void MCDarkProgressIndicator::setDoubleValue(double value)
{
    m_value = value;
    syncRange();
    update();
    if (!m_displayedWhenStopped && value == m_maxValue)
        stopAnimation();
}

void MCDarkProgressIndicator::setMinValue(double value)
{
    m_minValue = value;
    syncRange();
    update();
}

void MCDarkProgressIndicator::setMaxValue(double value)
{
    m_maxValue = value;
    syncRange();
    update();
}

void MCDarkProgressIndicator::setIndeterminate(bool indeterminate)
{
    m_indeterminate = indeterminate;
    syncRange();
    update();
}

void MCDarkProgressIndicator::setDisplayedWhenStopped(bool displayed)
{
    m_displayedWhenStopped = displayed;
    update();
}

void MCDarkProgressIndicator::setProgressOffset(double offset)
{
    m_progressOffset = offset;
    update();
}

void MCDarkProgressIndicator::startAnimation()
{
    m_wantsAnimation = true;
    if (!m_timer.isActive() && isVisible())
        m_timer.start();
}

void MCDarkProgressIndicator::stopAnimation()
{
    // The stripes stay where they stopped until the next start.
    m_wantsAnimation = false;
    m_timer.stop();
    update();
}

void MCDarkProgressIndicator::activateAnimation()
{
    m_progressOffset = m_progressOffset == 0 ? 2 * kStripeWidth - 1 : m_progressOffset - 1;
    update();
}

void MCDarkProgressIndicator::showEvent(QShowEvent *event)
{
    QProgressBar::showEvent(event);
    if (m_wantsAnimation && !m_timer.isActive())
        m_timer.start();
}

void MCDarkProgressIndicator::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QProgressBar::hideEvent(event);
}

double MCDarkProgressIndicator::fraction(double value, double minValue, double maxValue, bool indeterminate)
{
    if (indeterminate)
        return 1.0;
    const double range = maxValue - minValue;
    return range > 0 ? (value - minValue) / range : 0.0;
}

QRectF MCDarkProgressIndicator::bezelRect(const QRectF &bounds)
{
    return bounds.adjusted(0, 2, 0, -2).adjusted(0.5, 0.5, -0.5, -0.5);
}

QRectF MCDarkProgressIndicator::progressRect(const QRectF &bounds, double fraction)
{
    return QRectF(bounds.x() + 2, bounds.y() + 4, fraction * (bounds.width() - 4), bounds.height() - 8);
}

QPainterPath MCDarkProgressIndicator::stripesPath(const QRectF &r, double w, double offset)
{
    QPainterPath path;
    const int last = int(std::floor(r.width() / (2 * w) + 2 * w)) + 1;
    for (int k = 0; k <= last; ++k) {
        const double x = r.left() + (2 * k - 2) * w + offset;
        // Each stripe leans right going up, as on screen in the platform's upward y axis.
        path.moveTo(x, r.bottom());
        path.lineTo(x + w, r.bottom());
        path.lineTo(x + w + 8, r.top());
        path.lineTo(x + 8, r.top());
        path.closeSubpath();
    }
    return path;
}

void MCDarkProgressIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    QPainterPath track;
    track.addRoundedRect(bezelRect(bounds), 3.0, 3.0);
    painter.fillPath(track, colorWithBrightness(0.2));
    painter.strokePath(track, QPen(colorWithBrightness(0.5), 1.0));
    const double share = fraction(m_value, m_minValue, m_maxValue, m_indeterminate);
    if (!(share > 0) && !m_indeterminate)
        return;
    const QRectF progress = progressRect(bounds, share);
    QPainterPath fill;
    fill.addRoundedRect(progress, 2.0, 2.0);
    if (m_indeterminate) {
        painter.setClipPath(fill);
        painter.fillPath(stripesPath(progress, kStripeWidth, m_progressOffset), colorWithBrightness(0.5));
    } else {
        painter.fillPath(fill, colorWithBrightness(0.5));
    }
}

// Spinner -----------------------------------------------------------------------------------

MCWhiteSpinningProgress::MCWhiteSpinningProgress(QWidget *parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
    setRange(0, 0);
    setAccessibleName(tr("Progress"));
    m_timer.setInterval(kAnimationInterval);
    connect(&m_timer, &QTimer::timeout, this, &MCWhiteSpinningProgress::updateFrame);
}

void MCWhiteSpinningProgress::setDoubleValue(double value)
{
    m_value = value;
    update();
}

void MCWhiteSpinningProgress::setMaxValue(double value)
{
    m_maxValue = value;
    update();
}

void MCWhiteSpinningProgress::setIndeterminate(bool indeterminate)
{
    if (!indeterminate && m_animating)
        stopAnimation();
    m_indeterminate = indeterminate;
    setRange(0, indeterminate ? 0 : 100);
    update();
}

void MCWhiteSpinningProgress::setUsesThreadedAnimation(bool threaded)
{
    m_threaded = threaded;
    // The mechanism is the same timer either way; a running animation restarts as it would
    // when the mode changes.
    if (m_animating) {
        actuallyStopAnimation();
        actuallyStartAnimation();
    }
}

void MCWhiteSpinningProgress::startAnimation()
{
    if (!m_indeterminate || m_animating)
        return;
    actuallyStartAnimation();
    m_animating = true;
    update();
}

void MCWhiteSpinningProgress::stopAnimation()
{
    actuallyStopAnimation();
    m_animating = false;
    update();
}

void MCWhiteSpinningProgress::actuallyStartAnimation()
{
    actuallyStopAnimation();
    if (!isVisible())
        return; // starts when shown
    m_timer.start();
}

void MCWhiteSpinningProgress::actuallyStopAnimation()
{
    m_timer.stop();
    update();
}

void MCWhiteSpinningProgress::updateFrame()
{
    m_position = m_position < 1 ? 11 : m_position - 1;
    update();
}

void MCWhiteSpinningProgress::showEvent(QShowEvent *event)
{
    QProgressBar::showEvent(event);
    if (m_animating)
        actuallyStartAnimation();
}

void MCWhiteSpinningProgress::hideEvent(QHideEvent *event)
{
    actuallyStopAnimation();
    QProgressBar::hideEvent(event);
}

double MCWhiteSpinningProgress::spokeAlpha(int spoke, bool animating)
{
    return animating ? spoke / 15.0 : 0.2;
}

double MCWhiteSpinningProgress::rotationForPosition(qint64 position)
{
    return -double(position) * 30.0;
}

void MCWhiteSpinningProgress::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = qMin(width(), height());
    painter.translate(width() * 0.5, height() * 0.5);
    // Drawn with the y axis pointing up, so the wheel turns as designed (counter-clockwise).
    painter.scale(1, -1);
    if (m_indeterminate) {
        painter.rotate(rotationForPosition(m_position));
        const QLineF spoke(0, 0.234375 * s, 0, 0.421875 * s);
        for (int i = 0; i < 12; ++i) {
            painter.setPen(QPen(colorWithWhite(1.0, spokeAlpha(i, m_animating)), 0.0859375 * s, Qt::SolidLine,
                                Qt::RoundCap));
            painter.drawLine(spoke);
            painter.rotate(0.5235154166666667 * 180.0 / M_PI);
        }
        return;
    }
    // Determinate: a thin ring with a pie of the share, in white.
    const double line = 0.01 * s + 1;
    const double radius = (s - line) / 2.1;
    painter.setPen(QPen(colorWithWhite(1.0, 0.8), line));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(0, 0), radius, radius);
    const double share = m_maxValue > 0 ? qBound(0.0, m_value / m_maxValue, 1.0) : 0.0;
    if (share > 0) {
        QPainterPath pie;
        pie.moveTo(0, 0);
        // From the top, clockwise on screen (the arc's angles run against the flipped axis).
        pie.arcTo(QRectF(-radius, -radius, 2 * radius, 2 * radius), -90, share * 360.0);
        pie.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.fillPath(pie, colorWithWhite(1.0, 0.8));
    }
}
