#pragma once

// The editor of a "Set GPS Location" stage, conversion (MCConvertSetGPS, ID 401) and metadata
// editing (MCEditMetadataSetGPS, ID 7) alike: a small map with one draggable pin at the stage's
// position, a latitude and a longitude field with stepping arrows, a button that centres the
// map on the pin, one that opens the larger map palette, and the stage's "only if missing"
// switch.
//
// Whatever the user does ends in the stage's "latitude" and "longitude" (through the stage's
// undoable setters), and every change of those two moves the pin on the small map and in the
// visible palette:
// - typing or stepping a field sets the value; the small map follows the pin;
// - a right click or a double click on the small map, or a drop of its pin, sets both values
//   where the map says; the map stays where it is;
// - a pin moved in the palette (opened from here) sets both values and centres the small map.
// Coordinates from the map or the palette are wrapped into ±180° of longitude and clamped to
// ±90° of latitude first; a coordinate that is not a number is ignored. Typed values outside
// the stage's limits, or text that is no number, are refused (the field shows the stage's
// value again); an emptied field hands the stage a nil value, which the stage makes 0.
// One press on a field (however long an arrow is held) is at most one undo step.
//
// The panel classes of both registries own one of these and put its view in theirs.
//
//     MCGPSLocationPanel panel(stage);
//     QWidget *view = panel.loadView(parent);
//
// Main thread only.
#include "app/panels/MCMapPaletteController.h"
#include "app/uikit/MCStepperTextField.h"
#include "platform/core/MCObservable.h"
#include "platform/map/MCMapView.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class MCConvertStage;
class QAbstractButton;

class MCGPSLocationPanel : public QObject, public MCMapViewDelegate, public MCStepperTextFieldDelegate
{
    Q_OBJECT
public:
    // The fields' step and the fraction digits they show (a tenth of a metre).
    static constexpr double kIncrement = 0.1;
    static constexpr int kFractionDigits = 6;
    // The zoom the small map opens at (the closest the offline map has stands in for it).
    static constexpr qint64 kInitialZoom = 14;

    // `stage` holds "latitude" and "longitude" (degrees) and "setsOnlyIfMissing". Observing
    // starts here.
    explicit MCGPSLocationPanel(std::shared_ptr<MCConvertStage> stage, QObject *parent = nullptr);
    // Stops observing and closes the map.
    ~MCGPSLocationPanel() override;

    // Builds the view once (later calls answer the same one): the map container, the fields
    // with the stage's limits, the buttons; then makes the map and the pin (not yet on the map,
    // which adds it when it has loaded).
    QWidget *loadView(QWidget *parent = nullptr);
    QWidget *view() const { return m_view; }

    const std::shared_ptr<MCConvertStage> &stage() const { return m_stage; }
    MCMapView *mapView() const { return m_mapView; }
    QWidget *mapViewContainer() const { return m_mapViewContainer; }
    const std::shared_ptr<MCMapPinAnnotation> &pinAnnotation() const { return m_pinAnnotation; }
    MCStepperTextField *latitudeTextField() const { return m_latitudeTextField; }
    MCStepperTextField *longitudeTextField() const { return m_longitudeTextField; }
    QAbstractButton *showPinButton() const { return m_showPinButton; }
    QAbstractButton *largerMapButton() const { return m_largerMapButton; }
    bool isMapInitialized() const { return m_isMapInitialized; }

    // Actions.
    void showPinDidClick();
    void showLargerMap();
    void mapPaletteDidChangePin(MCMapPaletteController *sender);

    // MCMapViewDelegate
    std::unique_ptr<MCMapPinAnnotationView> mapViewViewForAnnotation(
        MCMapView *mapView, const std::shared_ptr<MCMapPinAnnotation> &annotation) override;
    void mapViewUserDidRightClickAtCoordinate(MCMapView *mapView, const CLLocationCoordinate2D &coordinate) override;
    void mapViewUserDidDoubleClickAtCoordinate(MCMapView *mapView, const CLLocationCoordinate2D &coordinate) override;
    void mapViewAnnotationViewWillChangeDragState(MCMapView *mapView, MCMapPinAnnotationView *view,
                                                  qint64 newState) override;
    void mapViewDidFinishLoadingMap(MCMapView *mapView) override;

    // MCStepperTextFieldDelegate
    void stepperTextFieldWillStartTracking(MCStepperTextField *field) override;
    void stepperTextFieldDidFinishTracking(MCStepperTextField *field) override;

protected:
    // Makes the small map; a test answers a map that records what it is told.
    virtual MCMapView *newMapView(const QRect &frame, QWidget *parent);

private:
    double latitude() const;
    double longitude() const;
    // Writes a coordinate from the map or the palette into the stage, latitude first;
    // false (nothing written) when it is not a number.
    bool setStageCoordinate(const CLLocationCoordinate2D &coordinate);
    void stageCoordinateDidChange();
    void showStageValue(MCStepperTextField *field, const QString &key);
    void fieldValueDidChange(MCStepperTextField *field, const QString &key);
    static MCMapPaletteController *visiblePalette();

    std::shared_ptr<MCConvertStage> m_stage;
    std::vector<MCObservation> m_observations;
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_mapViewContainer;
    QPointer<MCMapView> m_mapView;
    QPointer<MCStepperTextField> m_latitudeTextField;
    QPointer<MCStepperTextField> m_longitudeTextField;
    QPointer<QAbstractButton> m_showPinButton;
    QPointer<QAbstractButton> m_largerMapButton;
    std::shared_ptr<MCMapPinAnnotation> m_pinAnnotation;
    bool m_skipsUpdate = false;
    bool m_skipsCenteringMap = false;
    bool m_isMapInitialized = false;
    bool m_showingStageValue = false;
    double m_tempValue = 0.0;
};
