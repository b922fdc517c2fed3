#pragma once

// The kit's own popover: a small dark panel with a rounded body and an optional triangular
// arrow that points at a rectangle of a view. It prefers the caller's arrow direction, falls
// back to the opposite side, then to the perpendicular side with more room, and is always
// pulled inside the visible part of the screen. It opens with a zoom (a snapshot grows from a
// quarter of its size past full size and settles, in 0.25 s) and closes with a fade, on
// performClose(), on Escape and when its window stops being the active window.
//
// MCPopover is what the caller holds; MCPopoverWindow the frameless tool window that shows it;
// MCPopoverWindowFrame the window's content, which draws the body and holds the caller's view.
//
// Geometry is in Qt's screen and widget coordinates (y grows downward): "above" the anchor is
// towards smaller y. The placement and the body's outline are pure functions below, so they
// can be checked by tables without a window.
#include <QElapsedTimer>
#include <QObject>
#include <QPainterPath>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <memory>

#include "halvard/ui/MCViewController.h"
class QLabel;
class QAbstractAnimation;
class QPropertyAnimation;

// Arrow directions: where the arrow sits on the body, and so where the body is placed.
enum MCPopoverArrowDirection : unsigned {
    MCPopoverArrowNone = 0,   // no placement: an empty frame
    MCPopoverArrowLeft = 1,   // body to the right of the anchor, centred vertically on it
    MCPopoverArrowRight = 2,  // body to the left of the anchor
    MCPopoverArrowTop = 3,    // body below the anchor, centred horizontally
    MCPopoverArrowBottom = 4, // body above the anchor
};

namespace MCPopoverGeometry {

inline constexpr double kCornerRadius = 4.0;
inline constexpr double kArrowWidth = 23.0;  // the triangle's base
inline constexpr double kArrowHeight = 12.0; // tip to base; also the margin around the content

// The direction on the other side: 1<->2, 3<->4; 0 for anything else.
unsigned oppositeArrowDirection(unsigned direction);
// The window frame around a content rectangle: outset by the arrow height on every side.
QRectF frameRectForContentRect(const QRectF &content);
// The content rectangle in the window's own coordinates: (0, 0, frame size) inset by 12.
QRectF contentRectForFrameRect(const QRectF &frame);
// Whether `outer` holds `inner` wholly; an empty `inner` is never held.
bool rectContainsRect(const QRectF &outer, const QRectF &inner);
// Rounds outward to whole pixels; an empty rectangle gives the empty rectangle at the origin.
QRectF integralRect(const QRectF &rect);

// The window frame (screen coordinates) for a content size pointing in `direction` at
// `anchor`. With `strict`, a frame that `visible` does not hold is pulled inside it: the left
// and bottom edges first, then the right and top edges win. A direction outside 1-4 gives the
// empty rectangle at the origin.
QRectF popoverFrame(const QRectF &anchor, const QSizeF &contentSize, unsigned direction, bool strict,
                    const QRectF &visible);
// The direction to use for `preferred`: the preferred one if its frame fits in `visible`, else
// the opposite, else the perpendicular side with more room (ties go to 4 and to 2), each with
// an arrow; when nothing fits, the preferred direction without an arrow.
unsigned arrowDirection(const QRectF &anchor, const QSizeF &contentSize, unsigned preferred, const QRectF &visible,
                        bool *withArrow);

// The frames of the zoom-in: from a quarter of the target's size, past it (1.1) and back to it.
struct ZoomFrames {
    QRectF start;
    QRectF overshoot;
    QRectF target;
};
ZoomFrames zoomFrames(const QRectF &anchor, const QRectF &target, unsigned direction, const QRectF &visible);

// The body with its arrow for a window of `bounds`: a rounded rectangle 12 inside the bounds
// whose arrow tip (when `hasArrow` and the direction is 1-4) touches the bounds' edge.
QPainterPath popoverPath(const QRectF &bounds, unsigned direction, bool hasArrow);
// The three corners of the arrow (base, tip, base) for `bounds`; empty for direction 0.
QPolygonF arrowPolygon(const QRectF &bounds, unsigned direction);

} // namespace MCPopoverGeometry

class MCPopover;

// Hears the popover's life; every message is optional.
class MCPopoverDelegate
{
public:
    virtual ~MCPopoverDelegate() = default;
    virtual void popoverWillShow(MCPopover *) {}
    virtual void popoverDidShow(MCPopover *) {}
    virtual void popoverWillClose(MCPopover *) {}
    virtual void popoverDidClose(MCPopover *) {}
};

// The window's content: draws the body (theme 0.22 / 0.95, outlined 1 pixel in theme
// 0.35 / 0.95) and keeps the caller's view 12 inside its edges.
class MCPopoverWindowFrame : public QWidget
{
    Q_OBJECT
public:
    explicit MCPopoverWindowFrame(QWidget *parent = nullptr);

    static double cornerRadius() { return MCPopoverGeometry::kCornerRadius; }
    static QSizeF arrowSize() { return {MCPopoverGeometry::kArrowWidth, MCPopoverGeometry::kArrowHeight}; }
    QColor backgroundColor() const;
    QColor borderColor() const;
    double borderWidth() const { return 1.0; }
    QPainterPath popoverBezierPathWithRect(const QRectF &rect) const;

    unsigned arrowDirection() const { return m_arrowDirection; }
    void setArrowDirection(unsigned direction);
    bool hasArrow() const { return m_hasArrow; }
    void setHasArrow(bool hasArrow);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    unsigned m_arrowDirection = 0;
    bool m_hasArrow = false;
};

// The frameless tool window that shows a popover and runs its zoom-in and fade-out.
class MCPopoverWindow : public QWidget
{
    Q_OBJECT
public:
    MCPopoverWindow();
    ~MCPopoverWindow() override;

    MCPopoverWindowFrame *frameView() const { return m_frameView; }
    QWidget *popoverContentView() const { return m_popoverContentView; }
    void setPopoverContentView(QWidget *view);
    MCPopover *popover() const { return m_popover; }
    void setPopover(MCPopover *popover);

    QRectF contentRectForFrameRect(const QRectF &frame) const
    {
        return MCPopoverGeometry::contentRectForFrameRect(frame);
    }
    QRectF frameRectForContentRect(const QRectF &content) const
    {
        return MCPopoverGeometry::frameRectForContentRect(content);
    }

    // Visible on screen, or its zoom window is.
    bool isPopoverVisible() const;
    bool isZooming() const { return m_zoomWindow != nullptr; }
    QWidget *zoomWindow() const { return m_zoomWindow; }

    // A plain window at `rect` showing a snapshot of this window, scaled with it.
    QWidget *createZoomWindowWithRect(const QRectF &rect);
    void presentAnimated();
    void dismissAnimated();
    // Escape: asks the popover to close.
    void cancelOperation();

    static constexpr int kAnimationDuration = 250; // ms, zoom-in and fade-out alike

signals:
    // The fade-out stopped; the popover checks the opacity.
    void alphaAnimationDidStop();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    void finishPresenting();

    MCPopoverWindowFrame *m_frameView;
    QPointer<QWidget> m_popoverContentView;
    QWidget *m_zoomWindow = nullptr;
    QAbstractAnimation *m_zoomAnimation = nullptr;
    QPropertyAnimation *m_fadeAnimation = nullptr;
    QPointer<MCPopover> m_popover;
};

// The controller the caller holds. Give it a content view controller, call awakeFromNib() to
// build the window, then show it relative to a rectangle of a view.
class MCPopover : public QObject
{
    Q_OBJECT
public:
    explicit MCPopover(QObject *parent = nullptr);
    ~MCPopover() override;

    // Builds the window around the content view controller's view.
    void awakeFromNib();

    // Shows the popover pointing at `rect` (in `view`'s coordinates), preferring `direction`
    // (1-4). Ignored while shown or zooming.
    void showRelativeToRect(const QRectF &rect, QWidget *view, unsigned direction);
    // Closes with a fade when the window is visible; otherwise does nothing.
    void performClose();
    bool isShown() const;

    QSizeF contentSize() const { return m_contentSize; }
    // Re-places and resizes the window for the new size (nothing visible before the first show).
    void setContentSize(const QSizeF &size);
    unsigned arrowDirection() const;
    void setArrowDirection(unsigned direction);
    bool hasArrow() const;
    void setHasArrow(bool hasArrow);

    // The frame for a content size in a direction, for the anchor of the last show.
    QRectF popoverFrameWithSize(const QSizeF &size, unsigned direction, bool strictToScreen) const;
    unsigned arrowDirectionWithPreferredArrowDirection(unsigned preferred, bool *withArrow) const;

    // The ends of the zoom-in and of the fade-out.
    void performShowPopover();
    void performClosePopover();

    // Owned: a controller without a parent becomes this popover's child.
    MCViewController *contentViewController() const { return m_contentViewController; }
    void setContentViewController(MCViewController *controller);
    MCPopoverDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCPopoverDelegate *delegate) { m_delegate = delegate; } // not owned

    MCPopoverWindow *popoverWindow() const { return m_popoverWindow.get(); }
    QRectF screenRect() const { return m_screenRect; }
    QWidget *positionView() const { return m_positionView; }
    // The visible frame of the anchor view's screen; empty when the view is not on screen.
    QRectF visibleScreenFrame() const;

    // The window stopped being the active window (clicking elsewhere).
    void windowDidResignKey();

private:
    void animationDidStop();

    std::unique_ptr<MCPopoverWindow> m_popoverWindow;
    QRectF m_screenRect;
    QRectF m_viewRect;
    QSizeF m_contentSize;
    QPointer<QWidget> m_positionView;
    QPointer<MCViewController> m_contentViewController;
    MCPopoverDelegate *m_delegate = nullptr;
    bool m_closing = false;
};
