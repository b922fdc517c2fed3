#include "app/panels/MCMapPaletteController.h"

#include "app/uikit/MCPaletteWindow.h"

#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

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

constexpr QSize kPaletteSize(260, 96);

} // namespace

QString MCMapPaletteCoordinateText(const std::optional<QPointF> &pin)
{
    if (!pin)
        return tr("No location");
    const double latitude = pin->x(), longitude = pin->y();
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 90.0 ||
        std::abs(longitude) > 180.0)
        return tr("Invalid location");
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
    delete m_window;
}

QWidget *MCMapPaletteController::window()
{
    if (!m_window)
        loadWindow();
    return m_window;
}

QLabel *MCMapPaletteController::coordinateLabel()
{
    window();
    return m_coordinateLabel;
}

void MCMapPaletteController::loadWindow()
{
    // Closing the window is hiding the palette: the target is forgotten.
    auto *window = new MCPaletteWindow([controller = QPointer<MCMapPaletteController>(this)] {
        if (controller)
            controller->m_action = nullptr;
    });
    window->setObjectName(QStringLiteral("MCMapPaletteController"));
    window->setWindowTitle(tr("Location"));
    window->setAccessibleName(tr("Location"));
    window->setFixedSize(kPaletteSize);
    window->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(12, 12, 12, 12);
    auto *label = new QLabel(window);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(MCControlFont(MCControlSize::Regular));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setAccessibleName(tr("Pin location"));
    layout->addWidget(label);
    m_window = window;
    m_coordinateLabel = label;

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

void MCMapPaletteController::showPaletteWithTarget(PinAction action)
{
    m_action = std::move(action);
    auto *palette = static_cast<MCPaletteWindow *>(window());
    // Centred on the screen the user works on.
    QScreen *screen = nullptr;
    if (QWidget *active = QApplication::activeWindow(); active && active != palette)
        screen = active->screen();
    palette->showCentred(screen ? screen : QGuiApplication::primaryScreen());
}

void MCMapPaletteController::setPinToPoint(const QPointF &coordinate)
{
    m_pin = coordinate;
    updateCoordinateLabel();
}

void MCMapPaletteController::hidePalette()
{
    m_action = nullptr;
    if (m_window)
        m_window->hide();
}

bool MCMapPaletteController::isPaletteVisible() const
{
    return m_window && m_window->isVisible();
}

void MCMapPaletteController::updateCoordinateLabel()
{
    if (m_coordinateLabel)
        m_coordinateLabel->setText(MCMapPaletteCoordinateText(m_pin));
}
