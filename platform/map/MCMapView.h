#pragma once

// The offline map: the world drawn from the outlines we ship (MCWorldMap), panned by dragging,
// zoomed with the mouse wheel or the keyboard, with pins that the user may drag. Nothing is
// ever fetched from a network.
//
//     auto *map = new MCMapView(container);
//     map->setDelegate(this);                     // told when the map has loaded, of clicks...
//     // ...then, in mapViewDidFinishLoadingMap():
//     map->initMapType(0, pin->coordinate(), 14, true);
//     map->addAnnotation(pin);                    // asks the delegate for the pin's view
//
// The map "loads" on the event loop's next pass after it is made (the world is read once per
// process); until then annotations may be added and the centre set, and the delegate hears
// mapViewDidFinishLoadingMap() once loading is done. Map type 0 is the map, 1 (and any other)
// the same world in the colours of a view from space.
//
// Mouse: a left drag on a draggable pin moves the pin, elsewhere it moves the map; a double
// click and a right click report their coordinate to the delegate; the wheel zooms about the
// pointer (with scroll-to-zoom off, only while Control is held, so a map inside a scrolling
// list lets the list scroll). Keyboard: the arrows pan, + and - zoom, Escape cancels a pin drag.
//
// Every callback runs on the main thread. After close() the map tells its delegate nothing.
// The operations its owners call are virtual, so a test can record them.
#include "platform/location/CLLocation.h"
#include "platform/map/MCMapGeometry.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class MCWorldMap;
class MCMapView;

// The states of a pin drag, in the order a drag passes through them.
enum MCMapPinDragState : qint64 {
    MCMapPinDragStateNone = 0,
    MCMapPinDragStateStarting = 1,
    MCMapPinDragStateDragging = 2,
    MCMapPinDragStateEnding = 3,
    MCMapPinDragStateCanceling = 4,
};

// A place marked on the map.
class MCMapPinAnnotation
{
public:
    MCMapPinAnnotation() = default;
    explicit MCMapPinAnnotation(const CLLocationCoordinate2D &coordinate) : m_coordinate(coordinate) {}

    CLLocationCoordinate2D coordinate() const { return m_coordinate; }
    void setCoordinate(const CLLocationCoordinate2D &coordinate) { m_coordinate = coordinate; }

private:
    CLLocationCoordinate2D m_coordinate;
};

// How the map shows one annotation: a red pin, which may fall into place when added and may
// be dragged.
class MCMapPinAnnotationView
{
public:
    explicit MCMapPinAnnotationView(std::shared_ptr<MCMapPinAnnotation> annotation);

    const std::shared_ptr<MCMapPinAnnotation> &annotation() const { return m_annotation; }
    bool animatesDrop() const { return m_animatesDrop; }
    void setAnimatesDrop(bool animates) { m_animatesDrop = animates; }
    bool isDraggable() const { return m_draggable; }
    void setDraggable(bool draggable) { m_draggable = draggable; }
    // An MCMapPinDragState; the map sets it after telling its delegate of the change.
    qint64 dragState() const { return m_dragState; }
    void setDragState(qint64 state) { m_dragState = state; }

private:
    std::shared_ptr<MCMapPinAnnotation> m_annotation;
    bool m_animatesDrop = false;
    bool m_draggable = false;
    qint64 m_dragState = MCMapPinDragStateNone;
};

// What a map tells the one who shows it. Every method is optional.
class MCMapViewDelegate
{
public:
    virtual ~MCMapViewDelegate() = default;
    // The view for an annotation being added; none gives a plain pin that cannot be dragged.
    virtual std::unique_ptr<MCMapPinAnnotationView> mapViewViewForAnnotation(
        MCMapView *mapView, const std::shared_ptr<MCMapPinAnnotation> &annotation);
    virtual void mapViewUserDidRightClickAtCoordinate(MCMapView *mapView, const CLLocationCoordinate2D &coordinate);
    virtual void mapViewUserDidDoubleClickAtCoordinate(MCMapView *mapView, const CLLocationCoordinate2D &coordinate);
    // Before the pin view's dragState() becomes `newState`. At the end of a drag the pin's
    // annotation already has its new coordinate and the states go Ending (3), then None (0);
    // a drag that is cancelled, or a press that moved nothing, goes Canceling, then None.
    virtual void mapViewAnnotationViewWillChangeDragState(MCMapView *mapView, MCMapPinAnnotationView *view,
                                                          qint64 newState);
    virtual void mapViewDidFinishLoadingMap(MCMapView *mapView);
};

class MCMapView : public QWidget
{
    Q_OBJECT
public:
    // The duration of the animated centring and of a pin's drop, in milliseconds.
    static constexpr int kAnimationDuration = 250;

    // A map with the given frame in its parent.
    explicit MCMapView(const QRect &frame, QWidget *parent = nullptr);
    explicit MCMapView(QWidget *parent = nullptr) : MCMapView(QRect(), parent) {}
    ~MCMapView() override;

    MCMapViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCMapViewDelegate *delegate) { m_delegate = delegate; } // not owned

    // Sets the map type, the centre, the zoom (held to the zooms the offline data serves, so
    // 14 shows the closest view there is) and whether the wheel zooms without Control.
    virtual void initMapType(qint64 mapType, const CLLocationCoordinate2D &center, qint64 zoom, bool scrollToZoom);
    // Centres the map; with animation the picture glides there, but centerCoordinate()
    // answers the new centre at once.
    virtual void setCenterCoordinate(const CLLocationCoordinate2D &center, bool animated);
    CLLocationCoordinate2D centerCoordinate() const { return m_viewport.center; }
    double zoom() const { return m_viewport.zoom; }
    void setZoom(double zoom);
    qint64 mapType() const { return m_mapType; }
    virtual void setMapType(qint64 mapType);
    bool scrollToZoom() const { return m_scrollToZoom; }
    // What the map shows once any animation has ended.
    MCMapViewport viewport() const;

    // Adds a pin, asking the delegate for its view; an annotation already on the map is left.
    virtual void addAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation);
    virtual void removeAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation);
    std::vector<std::shared_ptr<MCMapPinAnnotation>> annotations() const;
    MCMapPinAnnotationView *viewForAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation) const;
    // Where a pin's tip shows in the widget (during a drag, where it is being dragged).
    QPointF pointForAnnotation(const std::shared_ptr<MCMapPinAnnotation> &annotation) const;

    // Looking up an address needs a service on the network, which the map never asks: it
    // shows nothing and leaves the map where it is.
    virtual void showAddress(const QString &address);

    bool isLoaded() const { return m_loaded; }
    // Ends the map's work: no more callbacks, no pins, no animation; the widget closes.
    virtual void close();
    bool isClosed() const { return m_closed; }

    QSize sizeHint() const override { return QSize(300, 200); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Pin
    {
        std::shared_ptr<MCMapPinAnnotation> annotation;
        std::unique_ptr<MCMapPinAnnotationView> view;
        QElapsedTimer dropClock; // running while the pin falls into place
    };
    enum class Tracking { None, Panning, DraggingPin };

    void loadMap();
    MCMapViewport displayedViewport() const;
    void setViewport(const MCMapViewport &viewport);
    Pin *pinAt(const QPointF &point);
    Pin *pinFor(const MCMapPinAnnotationView *view);
    void changeDragState(MCMapPinAnnotationView *view, qint64 state);
    void endPinDrag(bool cancelled);
    void stepAnimations();
    bool isAnimating() const;
    void paintPin(QPainter &painter, const Pin &pin) const;

    MCMapViewDelegate *m_delegate = nullptr;
    std::shared_ptr<const MCWorldMap> m_world;
    MCMapViewport m_viewport;
    qint64 m_mapType = 0;
    bool m_scrollToZoom = true;
    bool m_loaded = false;
    bool m_closed = false;
    std::vector<Pin> m_pins;

    // The animated centring: from where the picture started to m_viewport's centre.
    CLLocationCoordinate2D m_animationStart;
    QElapsedTimer m_centerClock;
    QTimer m_animationTimer;

    Tracking m_tracking = Tracking::None;
    QPointF m_lastMousePoint;
    MCMapPinAnnotationView *m_draggedView = nullptr;
    QPointF m_dragTip;      // where the dragged pin's tip is
    QPointF m_dragGrab;     // the pointer's offset from the tip
    bool m_dragMoved = false;
};
