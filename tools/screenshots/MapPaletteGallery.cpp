// The map palette with a photo's position as its pin, and before any pin.
#include "app/panels/MCMapPaletteController.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QPointF>

namespace {

// The shared palette's window (the program deletes it after the picture; the palette makes a
// new one when asked again).
QWidget *palette(const std::optional<QPointF> &pin)
{
    MCMapPaletteController &controller = MCMapPaletteController::sharedInstance();
    if (pin)
        controller.setPinToPoint(*pin);
    return controller.window();
}

const ScreenshotRegistration registration({
    {"map-palette", "no-pin", [] { return palette(std::nullopt); }},
    {"map-palette", "pin", [] { return palette(QPointF(-33.8568, 151.2153)); }},
});

} // namespace
