#pragma once

// A drop area that hands drag and drop to a delegate and draws its own highlight, and the two
// small window classes of the same family: a borderless child window kept over a view of
// another window, and a clear borderless window that can take the keyboard.
#include <QColor>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class MCOverlayDroppableView;
class QMimeData;

// What a drop area asks its owner; every answer has a default.
class MCOverlayDroppableViewDelegate
{
public:
    virtual ~MCOverlayDroppableViewDelegate();
    // The MIME types the area accepts; none by default, so nothing can be dropped.
    virtual QStringList draggedTypesForOverlayView(MCOverlayDroppableView *view);
    // The operation a drag would take: Qt::IgnoreAction (none) refuses it.
    virtual Qt::DropAction overlayViewDraggingEntered(MCOverlayDroppableView *view, const QMimeData *data);
    virtual Qt::DropAction overlayViewDraggingUpdated(MCOverlayDroppableView *view, const QMimeData *data);
    // The drop itself; answers whether it was taken.
    virtual bool overlayViewPerformDragOperation(MCOverlayDroppableView *view, const QMimeData *data);
};

// The fill of a drop area in a state; an invalid colour draws nothing.
QColor MCOverlayDroppableViewFillColor(bool solid, bool highlighted);

class MCOverlayDroppableView : public QWidget
{
    Q_OBJECT
public:
    explicit MCOverlayDroppableView(QWidget *parent = nullptr);
    ~MCOverlayDroppableView() override;

    MCOverlayDroppableViewDelegate *delegate() const { return m_delegate; }
    // A different delegate replaces the accepted types by the ones it names; the same one
    // again does nothing.
    void setDelegate(MCOverlayDroppableViewDelegate *delegate);
    QStringList registeredDraggedTypes() const { return m_draggedTypes; }

    // A solid area paints its background and takes clicks; a clear one draws only its drop
    // highlight and passes clicks on to the view it lies in.
    bool isSolid() const { return m_solid; }
    void setSolid(bool solid);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

    // The drag steps, also driven by tests.
    Qt::DropAction draggingEntered(const QMimeData *data);
    Qt::DropAction draggingUpdated(const QMimeData *data);
    bool performDragOperation(const QMimeData *data);
    void draggingExited();

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool carriesRegisteredType(const QMimeData *data) const;

    MCOverlayDroppableViewDelegate *m_delegate = nullptr;
    QStringList m_draggedTypes;
    bool m_solid = false;
    bool m_highlighted = false;
};

// A borderless window without shadow kept over a view of another window: it follows the
// view's place on screen while attached. Made by code that wants a floating layer.
class MCOverlayWindow : public QWidget
{
    Q_OBJECT
public:
    // Nothing for no view; otherwise a window of the view's size holding it.
    static MCOverlayWindow *overlayWindowWithContentView(QWidget *view);
    explicit MCOverlayWindow(QWidget *contentView = nullptr);
    ~MCOverlayWindow() override;

    // Places itself over `view` (a view of `window`) and follows it until detached.
    void attachToWindow(QWidget *window, QWidget *view);
    void detach();
    // Moves over the view again (after the view moved or resized).
    void parentViewDidChangeFrame();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_parentView;
};

// A clear, borderless window that can become the active window.
class MCTransparentWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MCTransparentWindow(QWidget *parent = nullptr);
};
