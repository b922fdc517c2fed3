#include "app/panels/MCGPSLocationPanel.h"

#include "app/engine/pipeline/MCConvertStage.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCCheckboxCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "platform/core/MCUndoManager.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MCGPSLocationPanel", text);
}

const QString &latitudeKey()
{
    return MCConvertSetGPS::kLatitudeKey;
}

const QString &longitudeKey()
{
    return MCConvertSetGPS::kLongitudeKey;
}

constexpr int kMapHeight = 150;
// The width the view is first laid out at, before a stage table cell gives it its own.
constexpr int kDefaultWidth = 340;

QLabel *fieldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(MCControlFont(MCControlSize::Small));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(0.8));
    label->setPalette(palette);
    return label;
}

} // namespace

MCGPSLocationPanel::MCGPSLocationPanel(std::shared_ptr<MCConvertStage> stage, QObject *parent)
    : QObject(parent), m_stage(std::move(stage))
{
    if (!m_stage)
        throw std::invalid_argument("*** MCGPSLocationPanel: stage must not be nil");
    m_observations = m_stage->observeKeys({latitudeKey(), longitudeKey()},
                                          [this](MCObservable &object, const QString &, const MCKeyValueChange &) {
                                              if (&object == m_stage.get())
                                                  stageCoordinateDidChange();
                                          });
}

MCGPSLocationPanel::~MCGPSLocationPanel()
{
    m_observations.clear();
    if (m_mapView) {
        m_mapView->setDelegate(nullptr);
        m_mapView->close();
    }
    for (MCStepperTextField *field : {m_latitudeTextField.data(), m_longitudeTextField.data()}) {
        if (field)
            field->setDelegate(nullptr);
    }
}

double MCGPSLocationPanel::latitude() const
{
    return m_stage->doubleValue(latitudeKey());
}

double MCGPSLocationPanel::longitude() const
{
    return m_stage->doubleValue(longitudeKey());
}

MCMapView *MCGPSLocationPanel::newMapView(const QRect &frame, QWidget *parent)
{
    return new MCMapView(frame, parent);
}

QWidget *MCGPSLocationPanel::loadView(QWidget *parent)
{
    if (m_view)
        return m_view;
    auto *view = new QWidget(parent);
    view->setObjectName(QStringLiteral("MCGPSLocationPanel"));
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(10, 6, 10, 8);
    layout->setSpacing(6);

    auto *container = new QWidget(view);
    container->setMinimumHeight(kMapHeight);
    container->setAccessibleName(tr("Map"));
    layout->addWidget(container);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(4);
    auto *latitudeField = new MCStepperTextField(view);
    auto *longitudeField = new MCStepperTextField(view);
    latitudeField->setAccessibleName(tr("Latitude"));
    longitudeField->setAccessibleName(tr("Longitude"));
    fields->addWidget(fieldLabel(tr("Latitude"), view), 0, 0);
    fields->addWidget(fieldLabel(tr("Longitude"), view), 0, 1);
    fields->addWidget(latitudeField, 1, 0);
    fields->addWidget(longitudeField, 1, 1);
    layout->addLayout(fields);

    auto *buttons = new QHBoxLayout;
    auto *showPin = new MCDarkButtonCell(tr("Show Pin"), view);
    auto *largerMap = new MCDarkButtonCell(tr("Larger Map…"), view);
    showPin->setAccessibleName(tr("Show Pin"));
    largerMap->setAccessibleName(tr("Larger Map"));
    auto *onlyIfMissing = new MCDarkCheckboxCell(tr("Only if missing"), view);
    onlyIfMissing->setAccessibleName(tr("Only if the photo has no location"));
    onlyIfMissing->setChecked(m_stage->valueForKey(MCConvertSetGPS::kSetsOnlyIfMissingKey).toBool());
    buttons->addWidget(showPin);
    buttons->addWidget(largerMap);
    buttons->addStretch(1);
    buttons->addWidget(onlyIfMissing);
    layout->addLayout(buttons);

    m_view = view;
    m_mapViewContainer = container;
    m_latitudeTextField = latitudeField;
    m_longitudeTextField = longitudeField;
    m_showPinButton = showPin;
    m_largerMapButton = largerMap;

    connect(showPin, &QAbstractButton::clicked, this, &MCGPSLocationPanel::showPinDidClick);
    connect(largerMap, &QAbstractButton::clicked, this, &MCGPSLocationPanel::showLargerMap);
    connect(onlyIfMissing, &QAbstractButton::toggled, this, [this](bool checked) {
        m_stage->setValueForKey(MCConvertSetGPS::kSetsOnlyIfMissingKey, checked);
    });
    m_observations.push_back(m_stage->observe(
        MCConvertSetGPS::kSetsOnlyIfMissingKey,
        [onlyIfMissing = QPointer<QAbstractButton>(onlyIfMissing)](MCObservable &object, const QString &key,
                                                                     const MCKeyValueChange &) {
            if (onlyIfMissing)
                onlyIfMissing->setChecked(object.valueForKey(key).toBool());
        }));

    // The fields: the stage's limits for the arrows, a tenth of a degree a step.
    const auto setUpField = [this](MCStepperTextField *field, const QString &key) {
        field->setMinValue(m_stage->minimumForKey(key));
        field->setMaxValue(m_stage->maximumForKey(key));
        field->setIncrement(kIncrement);
        field->setDelegate(this);
        showStageValue(field, key);
        connect(field, &MCStepperTextFieldCell::objectValueChanged, this,
                [this, field, key] { fieldValueDidChange(field, key); });
    };
    setUpField(latitudeField, latitudeKey());
    setUpField(longitudeField, longitudeKey());

    // The map fills its container; the pin waits for the map to load.
    container->resize(kDefaultWidth, kMapHeight);
    MCMapView *map = newMapView(container->rect(), container);
    map->setAccessibleName(tr("Map"));
    auto *containerLayout = new QVBoxLayout(container);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    containerLayout->addWidget(map);
    map->setDelegate(this);
    m_mapView = map;
    m_pinAnnotation = std::make_shared<MCMapPinAnnotation>(CLLocationCoordinate2DMake(latitude(), longitude()));
    return view;
}

MCMapPaletteController *MCGPSLocationPanel::visiblePalette()
{
    MCMapPaletteController *palette = MCMapPaletteController::sharedInstanceIfExists();
    return palette && palette->isWindowLoaded() && palette->isPaletteVisible() ? palette : nullptr;
}

void MCGPSLocationPanel::stageCoordinateDidChange()
{
    showStageValue(m_latitudeTextField, latitudeKey());
    showStageValue(m_longitudeTextField, longitudeKey());
    if (m_skipsUpdate || !m_pinAnnotation)
        return;
    m_pinAnnotation->setCoordinate(CLLocationCoordinate2DMake(latitude(), longitude()));
    if (m_isMapInitialized && m_mapView) {
        m_mapView->removeAnnotation(m_pinAnnotation);
        m_mapView->addAnnotation(m_pinAnnotation);
        if (!m_skipsCenteringMap)
            m_mapView->setCenterCoordinate(m_pinAnnotation->coordinate(), false);
    }
    if (MCMapPaletteController *palette = visiblePalette())
        palette->setPinToPoint(m_pinAnnotation->coordinate());
}

bool MCGPSLocationPanel::setStageCoordinate(const CLLocationCoordinate2D &coordinate)
{
    const std::optional<CLLocationCoordinate2D> stored = MCNormalizedCoordinate(coordinate);
    if (!stored)
        return false;
    m_stage->setValueForKey(latitudeKey(), stored->latitude);
    m_stage->setValueForKey(longitudeKey(), stored->longitude);
    return true;
}

void MCGPSLocationPanel::mapViewDidFinishLoadingMap(MCMapView *)
{
    if (!m_mapView)
        return;
    if (!m_isMapInitialized) {
        m_mapView->initMapType(0, m_pinAnnotation->coordinate(), kInitialZoom, false);
        m_mapView->addAnnotation(m_pinAnnotation);
    } else {
        m_mapView->setCenterCoordinate(m_pinAnnotation->coordinate(), false);
        m_mapView->removeAnnotation(m_pinAnnotation);
        m_mapView->addAnnotation(m_pinAnnotation);
    }
    m_isMapInitialized = true;
}

std::unique_ptr<MCMapPinAnnotationView> MCGPSLocationPanel::mapViewViewForAnnotation(
    MCMapView *, const std::shared_ptr<MCMapPinAnnotation> &annotation)
{
    auto view = std::make_unique<MCMapPinAnnotationView>(annotation);
    view->setAnimatesDrop(true);
    view->setDraggable(true);
    return view;
}

void MCGPSLocationPanel::mapViewUserDidRightClickAtCoordinate(MCMapView *, const CLLocationCoordinate2D &coordinate)
{
    // The observer moves the pin (and the palette's) but leaves the map where it is.
    m_skipsCenteringMap = true;
    setStageCoordinate(coordinate);
    m_skipsCenteringMap = false;
}

void MCGPSLocationPanel::mapViewUserDidDoubleClickAtCoordinate(MCMapView *mapView,
                                                               const CLLocationCoordinate2D &coordinate)
{
    mapViewUserDidRightClickAtCoordinate(mapView, coordinate);
}

void MCGPSLocationPanel::mapViewAnnotationViewWillChangeDragState(MCMapView *, MCMapPinAnnotationView *view,
                                                                  qint64 newState)
{
    if (newState != MCMapPinDragStateNone || view->dragState() != MCMapPinDragStateEnding)
        return;
    // The pin already stands where it was dropped: the observer has nothing to move.
    m_skipsUpdate = true;
    const bool stored = setStageCoordinate(view->annotation()->coordinate());
    m_skipsUpdate = false;
    if (!stored)
        return;
    // What the stage holds (wrapped and clamped) is where the pin stands.
    m_pinAnnotation->setCoordinate(CLLocationCoordinate2DMake(latitude(), longitude()));
    if (MCMapPaletteController *palette = visiblePalette())
        palette->setPinToPoint(m_pinAnnotation->coordinate());
}

void MCGPSLocationPanel::showPinDidClick()
{
    if (m_mapView)
        m_mapView->setCenterCoordinate(CLLocationCoordinate2DMake(latitude(), longitude()), true);
}

void MCGPSLocationPanel::showLargerMap()
{
    MCMapPaletteController &palette = MCMapPaletteController::sharedInstance();
    // The target first: the pin view the palette makes for the pin is then draggable.
    palette.showPaletteWithTarget(this, [this](MCMapPaletteController *sender) { mapPaletteDidChangePin(sender); });
    palette.setPinToPoint(CLLocationCoordinate2DMake(latitude(), longitude()));
}

void MCGPSLocationPanel::mapPaletteDidChangePin(MCMapPaletteController *)
{
    const CLLocationCoordinate2D point = MCMapPaletteController::sharedInstance().pinPoint();
    if (!CLLocationCoordinate2DIsValid(point))
        return;
    m_skipsUpdate = true;
    setStageCoordinate(point);
    m_skipsUpdate = false;
    m_pinAnnotation->setCoordinate(point);
    if (m_mapView) {
        m_mapView->setCenterCoordinate(point, false);
        m_mapView->removeAnnotation(m_pinAnnotation);
        m_mapView->addAnnotation(m_pinAnnotation);
    }
}

void MCGPSLocationPanel::stepperTextFieldWillStartTracking(MCStepperTextField *field)
{
    if (field == m_latitudeTextField)
        m_tempValue = latitude();
    else if (field == m_longitudeTextField)
        m_tempValue = longitude();
    if (const std::shared_ptr<MCUndoManager> undo = m_stage->undoManager())
        undo->disableUndoRegistration();
}

void MCGPSLocationPanel::stepperTextFieldDidFinishTracking(MCStepperTextField *field)
{
    const std::shared_ptr<MCUndoManager> undo = m_stage->undoManager();
    if (!undo)
        return;
    undo->enableUndoRegistration();
    const QString key = field == m_latitudeTextField ? latitudeKey()
                        : field == m_longitudeTextField ? longitudeKey()
                                                        : QString();
    if (key.isEmpty() || m_stage->doubleValue(key) == m_tempValue)
        return;
    // One inverse for the whole press: the setter with the value from before it.
    std::weak_ptr<MCConvertStage> stage = m_stage;
    undo->registerUndo(m_stage.get(), [stage, key, value = m_tempValue] {
        if (const std::shared_ptr<MCConvertStage> strong = stage.lock())
            strong->setValueForKey(key, value);
    });
}

void MCGPSLocationPanel::showStageValue(MCStepperTextField *field, const QString &key)
{
    if (!field)
        return;
    m_showingStageValue = true;
    field->setObjectValue(QString::number(m_stage->doubleValue(key), 'f', kFractionDigits));
    m_showingStageValue = false;
}

void MCGPSLocationPanel::fieldValueDidChange(MCStepperTextField *field, const QString &key)
{
    if (m_showingStageValue)
        return;
    const QVariant value = field->objectValue();
    if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty()) {
        // The stage makes a nil value 0 on the main queue's next turn; the field shows it then.
        m_stage->setValueForKey(key, QVariant());
        return;
    }
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (isNumber && std::isfinite(number) && number >= m_stage->minimumForKey(key) &&
        number <= m_stage->maximumForKey(key))
        m_stage->setValueForKey(key, number);
    // Whatever the stage holds now is what the field shows (a refused value is replaced).
    showStageValue(field, key);
}
