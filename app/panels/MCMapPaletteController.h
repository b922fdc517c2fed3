#pragma once

// The shared floating map palette: a tool window with a larger map and one pin, a search field,
// a switch between the map and the view from space, a button that centres the map on the pin
// and the pin's coordinate written out below the map.
//
// Two kinds of caller. A GPS location panel shows it with itself as target and an action: the
// user may then move the pin (right click, double click or drag), and each move calls the
// action with the palette, which reads the new point back with pinPoint(). The photo browser
// shows it with no target and no action: the pin then stays where it is put.
//
//   MCMapPaletteController &palette = MCMapPaletteController::sharedInstance();
//   palette.showPaletteWithTarget(this, [this](MCMapPaletteController *sender) { ... });
//   palette.setPinToPoint(CLLocationCoordinate2DMake(latitude, longitude)); // target first, then pin
//   ...
//   if (MCMapPaletteController *palette = MCMapPaletteController::sharedInstanceIfExists())
//       palette->hidePalette();
//
// The target is watched, not owned: a target that goes away takes its action with it. Hiding
// the palette or closing its window drops both. Main thread only.
#include "platform/location/CLLocation.h"
#include "platform/map/MCMapView.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QWidget;
class MCSegmentedControl;

// The pin as the palette writes it: "48.850000° N, 2.350000° E" (six decimals, about a tenth
// of a metre); "No location" without a pin, "Invalid location" for a latitude outside ±90°, a
// longitude outside ±180° or a value that is not a number.
QString MCMapPaletteCoordinateText(const std::optional<CLLocationCoordinate2D> &pin);

class MCMapPaletteController : public QObject, public MCMapViewDelegate
{
    Q_OBJECT
public:
    // Told, with the palette as sender, of every pin the user places.
    using Action = std::function<void(MCMapPaletteController *sender)>;

    // The one palette, made on first use.
    static MCMapPaletteController &sharedInstance();
    // The palette when it has been made, else null.
    static MCMapPaletteController *sharedInstanceIfExists();

    ~MCMapPaletteController() override;

    // Keeps the target (watched) and the action, centres the window on the screen of the active
    // window and brings it to the front with the keyboard.
    void showPaletteWithTarget(QObject *target, Action action);
    // Drops target and action and orders the window out.
    void hidePalette();
    // The window is closing: target and action are dropped.
    void windowWillClose();
    // Only with both a target and an action may the user move the pin.
    bool canDragAnnotation() const;

    // Places the pin. Before the map has loaded this only records the point; afterwards the map
    // is centred on it and the pin put there afresh (with a view that may be dragged or not, as
    // the target now allows). The target is not told.
    void setPinToPoint(const CLLocationCoordinate2D &point);
    // The pin's coordinate; kCLLocationCoordinate2DInvalid without a pin.
    CLLocationCoordinate2D pinPoint() const;

    // The window's controls: the search text goes to the map as it is, segment 0 shows the map
    // (type 0) and any other the view from space (type 1), show-pin centres on the pin.
    void searchDidChange(const QString &text);
    void switchMapSatelite(qint64 selectedSegment);
    void showPin();

    // MCMapViewDelegate
    std::unique_ptr<MCMapPinAnnotationView> mapViewViewForAnnotation(
        MCMapView *mapView, const std::shared_ptr<MCMapPinAnnotation> &annotation) override;
    void mapViewUserDidRightClickAtCoordinate(MCMapView *mapView, const CLLocationCoordinate2D &coordinate) override;
    void mapViewUserDidDoubleClickAtCoordinate(MCMapView *mapView, const CLLocationCoordinate2D &coordinate) override;
    void mapViewAnnotationViewWillChangeDragState(MCMapView *mapView, MCMapPinAnnotationView *view,
                                                  qint64 newState) override;
    void mapViewDidFinishLoadingMap(MCMapView *mapView) override;

    bool isPaletteVisible() const;
    bool isWindowLoaded() const { return bool(m_window); }
    bool isMapInitialized() const { return m_isMapInitialized; }
    bool hasTarget() const { return canDragAnnotation(); }
    const std::shared_ptr<MCMapPinAnnotation> &pinAnnotation() const { return m_pinAnnotation; }

    // The window, loaded on first use, and its parts.
    QWidget *window();
    MCMapView *mapView();
    QLabel *coordinateLabel();
    QLineEdit *searchField();
    MCSegmentedControl *mapTypeControl();

private:
    explicit MCMapPaletteController(QObject *parent);
    void loadWindow();
    void updateCoordinateLabel();
    void placePinOnMap(const CLLocationCoordinate2D &coordinate);
    void sendAction();

    QPointer<QObject> m_target;
    Action m_action;
    std::shared_ptr<MCMapPinAnnotation> m_pinAnnotation;
    bool m_isMapInitialized = false;
    QPointer<QWidget> m_window;
    QPointer<MCMapView> m_mapView;
    QPointer<QLabel> m_coordinateLabel;
    QPointer<QLineEdit> m_searchField;
    QPointer<MCSegmentedControl> m_mapTypeControl;
};
