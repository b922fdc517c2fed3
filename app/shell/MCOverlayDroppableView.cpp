#include "app/shell/MCOverlayDroppableView.h"

#include "app/uikit/MCColorQuillon.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QMimeData>
#include <QPainter>
#include <QVBoxLayout>

MCOverlayDroppableViewDelegate::~MCOverlayDroppableViewDelegate() = default;

QStringList MCOverlayDroppableViewDelegate::draggedTypesForOverlayView(MCOverlayDroppableView *)
{
    return {};
}

Qt::DropAction MCOverlayDroppableViewDelegate::overlayViewDraggingEntered(MCOverlayDroppableView *, const QMimeData *)
{
    return Qt::IgnoreAction;
}

Qt::DropAction MCOverlayDroppableViewDelegate::overlayViewDraggingUpdated(MCOverlayDroppableView *, const QMimeData *)
{
    return Qt::IgnoreAction;
}

bool MCOverlayDroppableViewDelegate::overlayViewPerformDragOperation(MCOverlayDroppableView *, const QMimeData *)
{
    return false;
}

QColor MCOverlayDroppableViewFillColor(bool solid, bool highlighted)
{
    if (solid)
        return MCColorQuillon::colorWithBrightness(highlighted ? 0.3 : 0.2, 1.0);
    if (highlighted)
        return MCColorQuillon::colorWithWhite(0.0, 0.67);
    return {};
}

MCOverlayDroppableView::MCOverlayDroppableView(QWidget *parent) : QWidget(parent)
{
    setAccessibleName(tr("Drop area"));
    // Only the area takes the keyboard: its owner makes it the first responder.
    setFocusPolicy(Qt::ClickFocus);
}

MCOverlayDroppableView::~MCOverlayDroppableView() = default;

void MCOverlayDroppableView::setDelegate(MCOverlayDroppableViewDelegate *delegate)
{
    if (delegate == m_delegate)
        return;
    m_draggedTypes.clear();
    m_delegate = delegate;
    if (m_delegate)
        m_draggedTypes = m_delegate->draggedTypesForOverlayView(this);
    setAcceptDrops(!m_draggedTypes.isEmpty());
}

void MCOverlayDroppableView::setSolid(bool solid)
{
    if (solid == m_solid)
        return;
    m_solid = solid;
    update();
}

void MCOverlayDroppableView::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

bool MCOverlayDroppableView::carriesRegisteredType(const QMimeData *data) const
{
    if (!data)
        return false;
    for (const QString &type : m_draggedTypes)
        if (data->hasFormat(type))
            return true;
    return false;
}

Qt::DropAction MCOverlayDroppableView::draggingEntered(const QMimeData *data)
{
    const Qt::DropAction action = m_delegate ? m_delegate->overlayViewDraggingEntered(this, data) : Qt::IgnoreAction;
    if (action != Qt::IgnoreAction)
        setHighlighted(true);
    return action;
}

Qt::DropAction MCOverlayDroppableView::draggingUpdated(const QMimeData *data)
{
    return m_delegate ? m_delegate->overlayViewDraggingUpdated(this, data) : Qt::IgnoreAction;
}

bool MCOverlayDroppableView::performDragOperation(const QMimeData *data)
{
    // The drag ends here whatever the answer.
    setHighlighted(false);
    return m_delegate && m_delegate->overlayViewPerformDragOperation(this, data);
}

void MCOverlayDroppableView::draggingExited()
{
    setHighlighted(false);
}

void MCOverlayDroppableView::paintEvent(QPaintEvent *)
{
    const QColor fill = MCOverlayDroppableViewFillColor(m_solid, m_highlighted);
    if (!fill.isValid())
        return;
    QPainter painter(this);
    painter.fillRect(rect(), fill);
}

void MCOverlayDroppableView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!carriesRegisteredType(event->mimeData())) {
        event->ignore();
        return;
    }
    const Qt::DropAction action = draggingEntered(event->mimeData());
    if (action == Qt::IgnoreAction || !(event->possibleActions() & action)) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void MCOverlayDroppableView::dragMoveEvent(QDragMoveEvent *event)
{
    const Qt::DropAction action = draggingUpdated(event->mimeData());
    if (action == Qt::IgnoreAction || !(event->possibleActions() & action)) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void MCOverlayDroppableView::dragLeaveEvent(QDragLeaveEvent *)
{
    draggingExited();
}

void MCOverlayDroppableView::dropEvent(QDropEvent *event)
{
    if (performDragOperation(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

// A clear area passes clicks on to the view it lies in.
void MCOverlayDroppableView::mousePressEvent(QMouseEvent *event)
{
    if (m_solid)
        QWidget::mousePressEvent(event);
    else
        event->ignore();
}

void MCOverlayDroppableView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_solid)
        QWidget::mouseReleaseEvent(event);
    else
        event->ignore();
}

void MCOverlayDroppableView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_solid)
        QWidget::mouseDoubleClickEvent(event);
    else
        event->ignore();
}

// ---------------------------------------------------------------- overlay windows

MCOverlayWindow *MCOverlayWindow::overlayWindowWithContentView(QWidget *view)
{
    return view ? new MCOverlayWindow(view) : nullptr;
}

MCOverlayWindow::MCOverlayWindow(QWidget *contentView)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
{
    if (contentView) {
        resize(contentView->size());
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(contentView);
    }
}

MCOverlayWindow::~MCOverlayWindow()
{
    if (m_parentView)
        m_parentView->removeEventFilter(this);
}

void MCOverlayWindow::attachToWindow(QWidget *window, QWidget *view)
{
    if (!window || !view)
        return;
    detach();
    // A child window of the given window stays above it and moves between desktops with it.
    setParent(window, windowFlags());
    m_parentView = view;
    view->installEventFilter(this);
    if (window != view)
        window->installEventFilter(this);
    parentViewDidChangeFrame();
    show();
    raise();
}

void MCOverlayWindow::detach()
{
    if (m_parentView) {
        m_parentView->removeEventFilter(this);
        if (QWidget *window = m_parentView->window())
            window->removeEventFilter(this);
    }
    m_parentView = nullptr;
    hide();
    setParent(nullptr, windowFlags());
}

void MCOverlayWindow::parentViewDidChangeFrame()
{
    if (!m_parentView)
        return;
    setGeometry(QRect(m_parentView->mapToGlobal(QPoint(0, 0)), m_parentView->size()));
}

bool MCOverlayWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        parentViewDidChangeFrame();
    return QWidget::eventFilter(watched, event);
}

MCTransparentWindow::MCTransparentWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
}
