#include "app/uikit/MCPopover.h"

#include "app/uikit/MCColorQuillon.h"
#include "halvard/ui/MCViewController.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace MCPopoverGeometry {

unsigned oppositeArrowDirection(unsigned direction)
{
    static const unsigned opposite[] = {2, 1, 4, 3};
    return direction >= 1 && direction <= 4 ? opposite[direction - 1] : 0;
}

QRectF frameRectForContentRect(const QRectF &content)
{
    return content.adjusted(-kArrowHeight, -kArrowHeight, kArrowHeight, kArrowHeight);
}

QRectF contentRectForFrameRect(const QRectF &frame)
{
    return QRectF(0, 0, frame.width(), frame.height()).adjusted(kArrowHeight, kArrowHeight, -kArrowHeight, -kArrowHeight);
}

bool rectContainsRect(const QRectF &outer, const QRectF &inner)
{
    if (inner.width() <= 0 || inner.height() <= 0)
        return false;
    return inner.left() >= outer.left() && inner.right() <= outer.right() && inner.top() >= outer.top() &&
           inner.bottom() <= outer.bottom();
}

QRectF integralRect(const QRectF &rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return QRectF();
    const double left = std::floor(rect.left()), top = std::floor(rect.top());
    return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

QRectF popoverFrame(const QRectF &anchor, const QSizeF &contentSize, unsigned direction, bool strict,
                    const QRectF &visible)
{
    const QRectF size = frameRectForContentRect(QRectF(QPointF(0, 0), contentSize));
    const double w = size.width(), h = size.height();
    const QPointF mid = anchor.center();
    double x = 0, y = 0;
    switch (direction) {
    // Centred on the anchor; an odd extent leaves the extra pixel above or to the right, as
    // when the popover is placed in a y-up screen.
    case MCPopoverArrowLeft: x = anchor.right(), y = mid.y() - (h - std::floor(h / 2)); break;
    case MCPopoverArrowRight: x = anchor.left() - w, y = mid.y() - (h - std::floor(h / 2)); break;
    case MCPopoverArrowTop: x = mid.x() - std::floor(w / 2), y = anchor.bottom(); break;
    case MCPopoverArrowBottom: x = mid.x() - std::floor(w / 2), y = anchor.top() - h; break;
    default: return QRectF();
    }
    QRectF frame(x, y, w, h);
    if (strict && !rectContainsRect(visible, frame)) {
        // Left and bottom edges first, then the right and top edges win.
        frame.moveLeft(std::max(frame.left(), visible.left()));
        if (frame.bottom() > visible.bottom())
            frame.moveBottom(visible.bottom());
        if (frame.right() > visible.right())
            frame.moveRight(visible.right());
        if (frame.top() < visible.top())
            frame.moveTop(visible.top());
    }
    return integralRect(frame);
}

unsigned arrowDirection(const QRectF &anchor, const QSizeF &contentSize, unsigned preferred, const QRectF &visible,
                        bool *withArrow)
{
    auto fits = [&](unsigned direction) {
        return rectContainsRect(visible, popoverFrame(anchor, contentSize, direction, false, visible));
    };
    auto answer = [withArrow](unsigned direction, bool arrow) {
        if (withArrow)
            *withArrow = arrow;
        return direction;
    };
    if (fits(preferred))
        return answer(preferred, true);
    const unsigned opposite = oppositeArrowDirection(preferred);
    if (opposite && fits(opposite))
        return answer(opposite, true);
    unsigned perpendicular = 0;
    if (preferred == MCPopoverArrowLeft || preferred == MCPopoverArrowRight) {
        const double below = visible.bottom() - anchor.bottom();
        const double above = anchor.top() - visible.top();
        perpendicular = below > above ? MCPopoverArrowTop : MCPopoverArrowBottom;
    } else if (preferred == MCPopoverArrowTop || preferred == MCPopoverArrowBottom) {
        const double right = visible.right() - anchor.right();
        const double left = anchor.left() - visible.left();
        perpendicular = right > left ? MCPopoverArrowLeft : MCPopoverArrowRight;
    }
    if (perpendicular && fits(perpendicular))
        return answer(perpendicular, true);
    return answer(preferred, false);
}

ZoomFrames zoomFrames(const QRectF &anchor, const QRectF &target, unsigned direction, const QRectF &visible)
{
    auto scaled = [&](double factor) {
        const QSizeF size(std::trunc(factor * target.width()), std::trunc(factor * target.height()));
        return popoverFrame(anchor, size, direction, true, visible);
    };
    return {scaled(0.25), scaled(1.1), target};
}

QPolygonF arrowPolygon(const QRectF &bounds, unsigned direction)
{
    const double r = kCornerRadius, w = kArrowWidth, h = kArrowHeight;
    const QRectF inner = bounds.adjusted(r + h, r + h, -(r + h), -(r + h));
    const double cx = inner.center().x(), cy = inner.center().y();
    switch (direction) {
    case MCPopoverArrowTop:
        return QPolygonF({QPointF(std::floor(cx - w / 2), inner.top() - r), QPointF(std::floor(cx), inner.top() - r - h),
                          QPointF(std::floor(cx + w / 2), inner.top() - r)});
    case MCPopoverArrowRight:
        return QPolygonF({QPointF(inner.right() + r, std::floor(cy - w / 2)),
                          QPointF(inner.right() + r + h, std::floor(cy)),
                          QPointF(inner.right() + r, std::floor(cy + w / 2))});
    case MCPopoverArrowBottom:
        return QPolygonF({QPointF(std::floor(cx + w / 2), inner.bottom() + r),
                          QPointF(std::floor(cx), inner.bottom() + r + h),
                          QPointF(std::floor(cx - w / 2), inner.bottom() + r)});
    case MCPopoverArrowLeft:
        return QPolygonF({QPointF(inner.left() - r, std::floor(cy + w / 2)), QPointF(inner.left() - r - h, std::floor(cy)),
                          QPointF(inner.left() - r, std::floor(cy - w / 2))});
    default: return {};
    }
}

QPainterPath popoverPath(const QRectF &bounds, unsigned direction, bool hasArrow)
{
    const double r = kCornerRadius, h = kArrowHeight;
    const QRectF inner = bounds.adjusted(r + h, r + h, -(r + h), -(r + h));
    auto corner = [r](const QPointF &centre) { return QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r); };
    auto arrow = [&](QPainterPath &path, unsigned side) {
        if (hasArrow && direction == side)
            for (const QPointF &point : arrowPolygon(bounds, side))
                path.lineTo(point);
    };
    // Clockwise on screen from the top-left corner; each edge carries its arrow.
    QPainterPath path;
    path.arcMoveTo(corner(inner.topLeft()), 180);
    path.arcTo(corner(inner.topLeft()), 180, -90);
    arrow(path, MCPopoverArrowTop);
    path.arcTo(corner(inner.topRight()), 90, -90);
    arrow(path, MCPopoverArrowRight);
    path.arcTo(corner(inner.bottomRight()), 0, -90);
    arrow(path, MCPopoverArrowBottom);
    path.arcTo(corner(inner.bottomLeft()), 270, -90);
    arrow(path, MCPopoverArrowLeft);
    path.closeSubpath();
    return path;
}

} // namespace MCPopoverGeometry

using namespace MCPopoverGeometry;

// Frame view ------------------------------------------------------------------------------

MCPopoverWindowFrame::MCPopoverWindowFrame(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

QColor MCPopoverWindowFrame::backgroundColor() const
{
    return MCColorQuillon::colorWithBrightness(0.22, 0.95);
}

QColor MCPopoverWindowFrame::borderColor() const
{
    return MCColorQuillon::colorWithBrightness(0.35, 0.95);
}

QPainterPath MCPopoverWindowFrame::popoverBezierPathWithRect(const QRectF &rect) const
{
    return popoverPath(rect, m_arrowDirection, m_hasArrow);
}

void MCPopoverWindowFrame::setArrowDirection(unsigned direction)
{
    m_arrowDirection = direction;
    update();
}

void MCPopoverWindowFrame::setHasArrow(bool hasArrow)
{
    m_hasArrow = hasArrow;
    update();
}

void MCPopoverWindowFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = popoverBezierPathWithRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.fillPath(path, backgroundColor());
    QPen pen(borderColor(), borderWidth());
    pen.setJoinStyle(Qt::RoundJoin);
    painter.strokePath(path, pen);
}

void MCPopoverWindowFrame::resizeEvent(QResizeEvent *)
{
    const QRect content = contentRectForFrameRect(QRectF(rect())).toRect();
    for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        child->setGeometry(content);
}

// Window ----------------------------------------------------------------------------------

MCPopoverWindow::MCPopoverWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
    , m_frameView(new MCPopoverWindowFrame(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frameView);
    setAccessibleName(tr("Popover"));
}

MCPopoverWindow::~MCPopoverWindow()
{
    delete m_zoomWindow;
}

void MCPopoverWindow::setPopoverContentView(QWidget *view)
{
    if (view == m_popoverContentView)
        return;
    if (m_popoverContentView && m_popoverContentView->parent() == m_frameView)
        m_popoverContentView->setParent(nullptr);
    m_popoverContentView = view;
    if (!view)
        return;
    view->setParent(m_frameView);
    view->setGeometry(contentRectForFrameRect(QRectF(geometry())).toRect());
    view->show();
}

void MCPopoverWindow::setPopover(MCPopover *popover)
{
    m_popover = popover;
    if (!popover || !popover->contentViewController())
        return;
    QWidget *view = popover->contentViewController()->view();
    if (!view)
        return;
    const QRectF frame = frameRectForContentRect(QRectF(QPointF(0, 0), view->size()));
    resize(frame.size().toSize());
    setPopoverContentView(view);
}

bool MCPopoverWindow::isPopoverVisible() const
{
    return isVisible() || (m_zoomWindow && m_zoomWindow->isVisible());
}

QWidget *MCPopoverWindow::createZoomWindowWithRect(const QRectF &rect)
{
    // A window that was never shown has no laid-out content to snapshot yet.
    if (!testAttribute(Qt::WA_WState_Created) || !m_frameView->testAttribute(Qt::WA_WState_Polished)) {
        ensurePolished();
        m_frameView->ensurePolished();
    }
    if (layout())
        layout()->activate();
    m_frameView->resize(size());
    const QPixmap snapshot = m_frameView->grab();
    auto *zoom = new QLabel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    zoom->setAttribute(Qt::WA_TranslucentBackground);
    zoom->setAttribute(Qt::WA_ShowWithoutActivating);
    zoom->setScaledContents(true);
    zoom->setPixmap(snapshot);
    zoom->setGeometry(rect.toRect());
    if (windowHandle() && windowHandle()->transientParent()) {
        zoom->winId();
        zoom->windowHandle()->setTransientParent(windowHandle()->transientParent());
    }
    return zoom;
}

void MCPopoverWindow::presentAnimated()
{
    if (isPopoverVisible())
        return;
    const QRectF target = geometry();
    const QRectF anchor = m_popover ? m_popover->screenRect() : QRectF();
    const QRectF visible = m_popover ? m_popover->visibleScreenFrame() : QRectF();
    const ZoomFrames frames = zoomFrames(anchor, target, m_frameView->arrowDirection(), visible);

    m_zoomWindow = createZoomWindowWithRect(frames.start);
    m_zoomWindow->setWindowOpacity(0.0);
    m_zoomWindow->show();
    m_zoomWindow->raise();

    auto *group = new QParallelAnimationGroup(this);
    auto *frame = new QPropertyAnimation(m_zoomWindow, "geometry", group);
    frame->setDuration(kAnimationDuration);
    frame->setKeyValueAt(0.0, frames.start.toRect());
    frame->setKeyValueAt(0.5, frames.overshoot.toRect());
    frame->setKeyValueAt(1.0, frames.target.toRect());
    auto *alpha = new QPropertyAnimation(m_zoomWindow, "windowOpacity", group);
    alpha->setDuration(kAnimationDuration);
    alpha->setStartValue(0.0);
    alpha->setEndValue(1.0);
    group->addAnimation(frame);
    group->addAnimation(alpha);
    m_zoomAnimation = group;
    connect(group, &QAbstractAnimation::finished, this, &MCPopoverWindow::finishPresenting);
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void MCPopoverWindow::finishPresenting()
{
    m_zoomAnimation = nullptr;
    setWindowOpacity(1.0);
    show();
    raise();
    activateWindow();
    setFocus(Qt::PopupFocusReason);
    if (m_zoomWindow) {
        m_zoomWindow->close();
        m_zoomWindow->deleteLater();
        m_zoomWindow = nullptr;
    }
    if (m_popover)
        m_popover->performShowPopover();
}

void MCPopoverWindow::dismissAnimated()
{
    if (m_zoomAnimation) {
        // Closing while the zoom runs: the zoom window goes, and the popover window (not yet
        // shown) is already transparent as far as the user can tell.
        m_zoomAnimation->stop();
        delete m_zoomAnimation;
        m_zoomAnimation = nullptr;
    }
    if (m_zoomWindow) {
        m_zoomWindow->close();
        m_zoomWindow->deleteLater();
        m_zoomWindow = nullptr;
    }
    if (!isVisible()) {
        setWindowOpacity(0.0);
        emit alphaAnimationDidStop();
        return;
    }
    delete m_fadeAnimation;
    m_fadeAnimation = new QPropertyAnimation(this, "windowOpacity", this);
    m_fadeAnimation->setDuration(kAnimationDuration);
    m_fadeAnimation->setStartValue(windowOpacity());
    m_fadeAnimation->setEndValue(0.0);
    connect(m_fadeAnimation, &QAbstractAnimation::finished, this, [this] {
        m_fadeAnimation->deleteLater();
        m_fadeAnimation = nullptr;
        emit alphaAnimationDidStop();
    });
    m_fadeAnimation->start();
}

void MCPopoverWindow::cancelOperation()
{
    if (m_popover)
        m_popover->performClose();
}

void MCPopoverWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cancelOperation();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MCPopoverWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate && isVisible() && m_popover)
        m_popover->windowDidResignKey();
    return QWidget::event(event);
}

// Popover -----------------------------------------------------------------------------------

MCPopover::MCPopover(QObject *parent)
    : QObject(parent)
{
}

MCPopover::~MCPopover()
{
    if (m_popoverWindow)
        m_popoverWindow->setPopover(nullptr);
}

void MCPopover::setContentViewController(MCViewController *controller)
{
    if (controller && !controller->parent())
        controller->setParent(this);
    m_contentViewController = controller;
    if (m_popoverWindow && controller)
        m_popoverWindow->setPopover(this);
}

void MCPopover::awakeFromNib()
{
    QWidget *view = m_contentViewController ? m_contentViewController->view() : nullptr;
    const QSizeF size = view ? QSizeF(view->size()) : QSizeF(0, 0);
    m_popoverWindow = std::make_unique<MCPopoverWindow>();
    m_popoverWindow->resize(frameRectForContentRect(QRectF(QPointF(0, 0), size)).size().toSize());
    m_popoverWindow->setPopover(this);
    m_popoverWindow->setPopoverContentView(view);
    connect(m_popoverWindow.get(), &MCPopoverWindow::alphaAnimationDidStop, this, &MCPopover::animationDidStop);
    setContentSize(size);
}

QRectF MCPopover::visibleScreenFrame() const
{
    QWidget *window = m_positionView ? m_positionView->window() : nullptr;
    if (!window || !window->isVisible())
        return QRectF();
    QScreen *screen = window->screen();
    return screen ? QRectF(screen->availableGeometry()) : QRectF();
}

QRectF MCPopover::popoverFrameWithSize(const QSizeF &size, unsigned direction, bool strictToScreen) const
{
    return popoverFrame(m_screenRect, size, direction, strictToScreen, visibleScreenFrame());
}

unsigned MCPopover::arrowDirectionWithPreferredArrowDirection(unsigned preferred, bool *withArrow) const
{
    return MCPopoverGeometry::arrowDirection(m_screenRect, m_contentSize, preferred, visibleScreenFrame(), withArrow);
}

unsigned MCPopover::arrowDirection() const
{
    return m_popoverWindow ? m_popoverWindow->frameView()->arrowDirection() : 0;
}

void MCPopover::setArrowDirection(unsigned direction)
{
    if (m_popoverWindow)
        m_popoverWindow->frameView()->setArrowDirection(direction);
}

bool MCPopover::hasArrow() const
{
    return m_popoverWindow && m_popoverWindow->frameView()->hasArrow();
}

void MCPopover::setHasArrow(bool hasArrow)
{
    if (m_popoverWindow)
        m_popoverWindow->frameView()->setHasArrow(hasArrow);
}

bool MCPopover::isShown() const
{
    return m_popoverWindow && m_popoverWindow->isPopoverVisible();
}

void MCPopover::setContentSize(const QSizeF &size)
{
    m_contentSize = size;
    if (!m_popoverWindow)
        return;
    const QRectF frame = popoverFrameWithSize(size, arrowDirection(), true);
    // Before the first show the direction is 0 and the frame empty: nothing to place yet.
    if (!frame.isEmpty())
        m_popoverWindow->setGeometry(frame.toRect());
}

void MCPopover::showRelativeToRect(const QRectF &rect, QWidget *view, unsigned direction)
{
    if (!m_popoverWindow)
        awakeFromNib();
    if (isShown() || !view)
        return;
    m_positionView = view;
    m_viewRect = rect;
    m_screenRect = QRectF(view->mapToGlobal(rect.topLeft()), rect.size());
    m_closing = false;

    bool withArrow = false;
    const unsigned chosen = arrowDirectionWithPreferredArrowDirection(direction, &withArrow);
    setArrowDirection(chosen);
    setHasArrow(withArrow);

    const QRectF frame = popoverFrameWithSize(m_contentSize, chosen, true);
    // Kept above the anchor's window without being owned by it.
    QWidget *anchorWindow = view->window();
    m_popoverWindow->winId();
    if (anchorWindow->windowHandle())
        m_popoverWindow->windowHandle()->setTransientParent(anchorWindow->windowHandle());
    m_popoverWindow->setGeometry(frame.toRect());

    if (m_delegate)
        m_delegate->popoverWillShow(this);
    m_popoverWindow->presentAnimated();
}

void MCPopover::performShowPopover()
{
    if (m_delegate)
        m_delegate->popoverDidShow(this);
}

void MCPopover::performClose()
{
    if (!m_popoverWindow || !m_popoverWindow->isPopoverVisible() || m_closing)
        return;
    m_closing = true;
    if (m_delegate)
        m_delegate->popoverWillClose(this);
    m_popoverWindow->dismissAnimated();
}

void MCPopover::windowDidResignKey()
{
    performClose();
}

void MCPopover::animationDidStop()
{
    if (m_popoverWindow && m_popoverWindow->windowOpacity() == 0.0)
        performClosePopover();
}

void MCPopover::performClosePopover()
{
    m_popoverWindow->hide();
    m_popoverWindow->setWindowOpacity(1.0);
    m_positionView = nullptr;
    m_closing = false;
    if (m_delegate)
        m_delegate->popoverDidClose(this);
}
