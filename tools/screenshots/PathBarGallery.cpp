// The path bar under the photo grid on its dark strip: one photo, the common folder of
// several, a path too long for the bar, and nothing selected.
#include "app/browser/MCPathControl.h"
#include "app/uikit/MCBackgroundView.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QVBoxLayout>

namespace {

QWidget *pathBar(const QStringList &paths)
{
    auto *bar = new MCPathbarBackgroundView;
    auto *layout = new QVBoxLayout(bar);
    layout->setContentsMargins(2, 1, 2, 1);
    auto *control = new MCPathControl(bar);
    control->setURLs(paths);
    layout->addWidget(control);
    return bar;
}

const QSize kBarSize(640, 24);

const ScreenshotRegistration registration({
    {"path-bar", "one-photo", [] { return pathBar({"/home/ann/Pictures/2024/Coast/DSC_0421.jpg"}); }, kBarSize},
    {"path-bar", "common-folder",
     [] {
         return pathBar({"/home/ann/Pictures/2024/Coast/day1/DSC_0421.jpg",
                         "/home/ann/Pictures/2024/Coast/day2/DSC_0502.jpg"});
     },
     kBarSize},
    {"path-bar", "narrow",
     [] { return pathBar({"/home/ann/Pictures/2024/Travelling through the mountains/Evening light/DSC_0421.jpg"}); },
     QSize(360, 24)},
    {"path-bar", "empty", [] { return pathBar({}); }, kBarSize},
});

} // namespace
