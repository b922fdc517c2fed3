// The map palette before any pin, with a photo's position in Europe, near the date line (the
// world continuing across it), in the view from space, and zoomed out to the whole world.
#include "app/panels/MCMapPaletteController.h"
#include "app/uikit/MCSegmentedControl.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QElapsedTimer>

namespace {

// Lets the map load and the pin finish falling.
void settle(MCMapPaletteController &controller)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < MCMapView::kAnimationDuration + 150 || !controller.isMapInitialized())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The shared palette's window (the program deletes it after the picture; the palette makes a
// new one when asked again).
QWidget *palette(std::optional<CLLocationCoordinate2D> pin, double zoom = kMCMapMaximumZoom, qint64 segment = 0)
{
    MCMapPaletteController &controller = MCMapPaletteController::sharedInstance();
    QWidget *window = controller.window();
    window->show();
    if (pin)
        controller.setPinToPoint(*pin);
    settle(controller);
    controller.mapTypeControl()->setSelectedSegment(segment);
    if (zoom != kMCMapMaximumZoom)
        controller.mapView()->setZoom(zoom);
    settle(controller);
    return window;
}

// The palette's own size.
constexpr QSize kSize(520, 440);

const ScreenshotRegistration registration({
    {"map-palette", "no-pin", [] { return palette(std::nullopt); }, kSize},
    {"map-palette", "europe", [] { return palette(CLLocationCoordinate2DMake(48.8584, 2.2945), 5); }, kSize},
    {"map-palette", "europe-closest", [] { return palette(CLLocationCoordinate2DMake(48.8584, 2.2945)); }, kSize},
    {"map-palette", "date-line", [] { return palette(CLLocationCoordinate2DMake(-16.58, 179.99), 5); }, kSize},
    {"map-palette", "satellite", [] { return palette(CLLocationCoordinate2DMake(-33.8568, 151.2153), 4, 1); }, kSize},
    {"map-palette", "world", [] { return palette(CLLocationCoordinate2DMake(64.1466, -21.9426), 0.5); }, kSize},
});

} // namespace
