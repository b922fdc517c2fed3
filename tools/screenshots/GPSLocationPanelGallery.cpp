// The GPS location panel on the dark background of a stage row: a pin in Europe at the closest
// zoom and zoomed out, and one near the date line with the world continuing across it.
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/panels/MCGPSLocationPanel.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "app/uikit/MCColorQuillon.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QVBoxLayout>

namespace {

QWidget *panel(double latitude, double longitude, double zoom)
{
    std::shared_ptr<MCConvertStage> stage = MCConvertStage::convertStageWithID(MCConvertSetGPS::StageID);
    stage->setValueForKey(MCConvertSetGPS::kLatitudeKey, latitude);
    stage->setValueForKey(MCConvertSetGPS::kLongitudeKey, longitude);
    auto *host = new QWidget;
    host->setAutoFillBackground(true);
    QPalette colors = host->palette();
    colors.setColor(QPalette::Window, MCColorQuillon::backgroundDarkColor());
    host->setPalette(colors);
    auto *layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *controller = new MCGPSLocationPanel(stage);
    layout->addWidget(controller->loadView(host));
    controller->setParent(host); // goes with the picture
    host->resize(360, 250);
    host->show();
    QElapsedTimer clock;
    clock.start();
    while (!controller->isMapInitialized() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (zoom != kMCMapMaximumZoom)
        controller->mapView()->setZoom(zoom);
    // The pin falls into place.
    clock.restart();
    while (clock.elapsed() < MCMapView::kAnimationDuration + 150)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return host;
}

const ScreenshotRegistration registration({
    {"gps-panel", "europe", [] { return panel(48.8584, 2.2945, kMCMapMaximumZoom); }, QSize(360, 250)},
    {"gps-panel", "europe-wide", [] { return panel(48.8584, 2.2945, 3.5); }, QSize(360, 250)},
    {"gps-panel", "date-line", [] { return panel(-16.58, 179.99, 4); }, QSize(360, 250)},
});

} // namespace
