#include "app/panels/MCMapPaletteController.h"

#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "app/uikit/MCPaletteWindow.h"
#include "app/uikit/MCSegmentedControl.h"
#include "app/uikit/MCTextFieldCell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MCMapPaletteController", text);
}

QPointer<MCMapPaletteController> &sharedPalette()
{
    static QPointer<MCMapPaletteController> palette;
    return palette;
}

constexpr QSize kPaletteSize(520, 440);
// The zoom the map opens at: a town's streets, or the closest view the offline data has.
constexpr qint64 kInitialZoom = 14;

} // namespace

QString MCMapPaletteCoordinateText(const std::optional<CLLocationCoordinate2D> &pin)
{
    if (!pin)
        return tr("No location");
    if (!CLLocationCoordinate2DIsValid(*pin))
        return tr("Invalid location");
    const double latitude = pin->latitude, longitude = pin->longitude;
    // The hemisphere letters carry the sign; a coordinate of zero counts as north or east.
    return tr("%1° %2, %3° %4")
        .arg(QString::number(std::abs(latitude), 'f', 6), latitude < 0 ? tr("S") : tr("N"),
             QString::number(std::abs(longitude), 'f', 6), longitude < 0 ? tr("W") : tr("E"));
}

MCMapPaletteController &MCMapPaletteController::sharedInstance()
{
    if (!sharedPalette())
        sharedPalette() = new MCMapPaletteController(qApp);
    return *sharedPalette();
}

MCMapPaletteController *MCMapPaletteController::sharedInstanceIfExists()
{
    return sharedPalette();
}

MCMapPaletteController::MCMapPaletteController(QObject *parent) : QObject(parent) {}

MCMapPaletteController::~MCMapPaletteController()
{
    if (m_mapView)
        m_mapView->close();
    delete m_window;
}

QWidget *MCMapPaletteController::window()
{
    if (!m_window)
        loadWindow();
    return m_window;
}

MCMapView *MCMapPaletteController::mapView()
{
    window();
    return m_mapView;
}

QLabel *MCMapPaletteController::coordinateLabel()
{
    window();
    return m_coordinateLabel;
}

QLineEdit *MCMapPaletteController::searchField()
{
    window();
    return m_searchField;
}

MCSegmentedControl *MCMapPaletteController::mapTypeControl()
{
    window();
    return m_mapTypeControl;
}

void MCMapPaletteController::loadWindow()
{
    auto *window = new MCPaletteWindow([controller = QPointer<MCMapPaletteController>(this)] {
        if (controller)
            controller->windowWillClose();
    });
    window->setObjectName(QStringLiteral("MCMapPaletteController"));
    window->setWindowTitle(tr("Location"));
    window->setAccessibleName(tr("Location"));
    window->resize(kPaletteSize);
    window->setMinimumSize(320, 260);
    window->setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(8, 8, 8, 6);
    layout->setSpacing(6);
    auto *bar = new QHBoxLayout;
    bar->setSpacing(8);
    auto *search = new MCDarkTextFieldCell(window);
    search->setPlaceholderText(tr("Search"));
    search->setAccessibleName(tr("Search address"));
    search->setClearButtonEnabled(true);
    bar->addWidget(search, 1);
    auto *mapType = new MCBlackSegmentCell(window);
    mapType->setSegmentCount(2);
    mapType->setLabel(tr("Map"), 0);
    mapType->setLabel(tr("Satellite"), 1);
    mapType->setSelectedSegment(0);
    mapType->setAccessibleName(tr("Map type"));
    bar->addWidget(mapType);
    auto *showPin = new MCDarkButtonCell(tr("Show Pin"), window);
    showPin->setAccessibleName(tr("Show Pin"));
    bar->addWidget(showPin);
    layout->addLayout(bar);

    auto *map = new MCMapView(window);
    map->setAccessibleName(tr("Map"));
    map->setDelegate(this);
    layout->addWidget(map, 1);

    auto *label = new QLabel(window);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(MCControlFont(MCControlSize::Small));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setAccessibleName(tr("Pin location"));
    layout->addWidget(label);

    m_window = window;
    m_mapView = map;
    // A new window has a new map, which its first load configures.
    m_isMapInitialized = false;
    m_coordinateLabel = label;
    m_searchField = search;
    m_mapTypeControl = mapType;

    // The search text goes to the map when it is entered, and when it is cleared.
    connect(search, &QLineEdit::returnPressed, this, [this, search] { searchDidChange(search->text()); });
    connect(search, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            searchDidChange(text);
    });
    connect(mapType, &MCSegmentedControl::selectedSegmentChanged, this, &MCMapPaletteController::switchMapSatelite);
    connect(showPin, &QAbstractButton::clicked, this, &MCMapPaletteController::showPin);

    const auto applyColors = [window, label] {
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, MCColorQuillon::backgroundDarkColor());
        palette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(0.9));
        window->setPalette(palette);
        label->setPalette(palette);
    };
    applyColors();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, window, applyColors);
    updateCoordinateLabel();
}

void MCMapPaletteController::showPaletteWithTarget(QObject *target, Action action)
{
    m_target = target;
    m_action = std::move(action);
    auto *palette = static_cast<MCPaletteWindow *>(window());
    // Centred on the screen the user works on.
    QScreen *screen = nullptr;
    if (QWidget *active = QApplication::activeWindow(); active && active != palette)
        screen = active->screen();
    palette->showCentred(screen ? screen : QGuiApplication::primaryScreen());
}

void MCMapPaletteController::hidePalette()
{
    m_target = nullptr;
    m_action = nullptr;
    if (m_window)
        m_window->hide();
}

void MCMapPaletteController::windowWillClose()
{
    m_target = nullptr;
    m_action = nullptr;
}

bool MCMapPaletteController::canDragAnnotation() const
{
    return m_target && m_action;
}

bool MCMapPaletteController::isPaletteVisible() const
{
    return m_window && m_window->isVisible();
}

void MCMapPaletteController::setPinToPoint(const CLLocationCoordinate2D &point)
{
    if (!m_pinAnnotation)
        m_pinAnnotation = std::make_shared<MCMapPinAnnotation>();
    m_pinAnnotation->setCoordinate(point);
    if (m_isMapInitialized && m_mapView) {
        m_mapView->setCenterCoordinate(point, false);
        // Added afresh, so the map asks for a view that reflects the current target.
        m_mapView->removeAnnotation(m_pinAnnotation);
        m_mapView->addAnnotation(m_pinAnnotation);
    }
    updateCoordinateLabel();
}

CLLocationCoordinate2D MCMapPaletteController::pinPoint() const
{
    return m_pinAnnotation ? m_pinAnnotation->coordinate() : kCLLocationCoordinate2DInvalid;
}

void MCMapPaletteController::searchDidChange(const QString &text)
{
    if (m_mapView)
        m_mapView->showAddress(text);
}

void MCMapPaletteController::switchMapSatelite(qint64 selectedSegment)
{
    if (m_mapView)
        m_mapView->setMapType(selectedSegment == 0 ? 0 : 1);
}

void MCMapPaletteController::showPin()
{
    if (m_pinAnnotation && m_mapView)
        m_mapView->setCenterCoordinate(m_pinAnnotation->coordinate(), true);
}

std::unique_ptr<MCMapPinAnnotationView> MCMapPaletteController::mapViewViewForAnnotation(
    MCMapView *, const std::shared_ptr<MCMapPinAnnotation> &annotation)
{
    auto view = std::make_unique<MCMapPinAnnotationView>(annotation);
    view->setAnimatesDrop(true);
    view->setDraggable(canDragAnnotation());
    return view;
}

void MCMapPaletteController::placePinOnMap(const CLLocationCoordinate2D &coordinate)
{
    m_pinAnnotation->setCoordinate(coordinate);
    if (m_mapView) {
        m_mapView->removeAnnotation(m_pinAnnotation);
        m_mapView->addAnnotation(m_pinAnnotation);
    }
}

void MCMapPaletteController::mapViewUserDidRightClickAtCoordinate(MCMapView *, const CLLocationCoordinate2D &coordinate)
{
    if (!canDragAnnotation())
        return;
    if (!m_pinAnnotation)
        m_pinAnnotation = std::make_shared<MCMapPinAnnotation>();
    placePinOnMap(coordinate);
    updateCoordinateLabel();
    sendAction();
}

void MCMapPaletteController::mapViewUserDidDoubleClickAtCoordinate(MCMapView *mapView,
                                                                   const CLLocationCoordinate2D &coordinate)
{
    mapViewUserDidRightClickAtCoordinate(mapView, coordinate);
}

void MCMapPaletteController::mapViewAnnotationViewWillChangeDragState(MCMapView *, MCMapPinAnnotationView *view,
                                                                      qint64 newState)
{
    if (newState != MCMapPinDragStateNone || view->dragState() != MCMapPinDragStateEnding || !canDragAnnotation() ||
        !m_pinAnnotation)
        return;
    m_pinAnnotation->setCoordinate(view->annotation()->coordinate());
    updateCoordinateLabel();
    sendAction();
}

void MCMapPaletteController::mapViewDidFinishLoadingMap(MCMapView *)
{
    if (!m_mapView)
        return;
    if (!m_isMapInitialized) {
        const CLLocationCoordinate2D center = m_pinAnnotation ? m_pinAnnotation->coordinate() : CLLocationCoordinate2D{};
        m_mapView->initMapType(0, center, kInitialZoom, true);
        if (m_pinAnnotation)
            m_mapView->addAnnotation(m_pinAnnotation);
    } else if (m_pinAnnotation) {
        m_mapView->setCenterCoordinate(m_pinAnnotation->coordinate(), false);
        m_mapView->removeAnnotation(m_pinAnnotation);
        m_mapView->addAnnotation(m_pinAnnotation);
    }
    m_isMapInitialized = true;
}

void MCMapPaletteController::sendAction()
{
    // A copy: the action may show the palette for another target.
    if (Action action = m_action; action && m_target)
        action(this);
}

void MCMapPaletteController::updateCoordinateLabel()
{
    if (m_coordinateLabel)
        m_coordinateLabel->setText(MCMapPaletteCoordinateText(
            m_pinAnnotation ? std::optional(m_pinAnnotation->coordinate()) : std::nullopt));
}
