// The info panel of the photo browser: a real JPEG with camera, exposure and GPS data written
// here and read back through the image loader, then the panel with nothing selected and with a
// photo whose picture cannot be read.
#include "app/browser/MCInfoPanelViewController.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCLibraryServices.h"
#include "halvard/ui/MCImageExtensions.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

QTemporaryDir &photoFolder()
{
    static QTemporaryDir folder;
    return folder;
}

QString examplePhoto()
{
    const QString path = QDir(photoFolder().path()).filePath(QStringLiteral("DSC_0421.jpg"));
    if (QFile::exists(path))
        return path;
    auto destination = MCImageDestination::createWithURL(path, kUTTypeJPEG, 1);
    if (!destination)
        return path;
    destination->addImage(
        MCCGImageFromQImage(screenshots::landscapePhoto(1200, 800)),
        {{kCGImagePropertyExifDictionary,
          QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2024:05:12 19:42:10"},
                      {kCGImagePropertyExifExposureTime, 0.004},
                      {kCGImagePropertyExifFNumber, 8.0},
                      {kCGImagePropertyExifFocalLength, 35.0},
                      {kCGImagePropertyExifISOSpeedRatings, QVariantList{200}}}},
         {kCGImagePropertyTIFFDictionary,
          QVariantMap{{kCGImagePropertyTIFFMake, "Quillon"}, {kCGImagePropertyTIFFModel, "Test Camera 7"}}},
         {kCGImagePropertyGPSDictionary,
          QVariantMap{{kCGImagePropertyGPSLatitude, 47.3769},
                      {kCGImagePropertyGPSLatitudeRef, "N"},
                      {kCGImagePropertyGPSLongitude, 8.5417},
                      {kCGImagePropertyGPSLongitudeRef, "E"}}}});
    destination->finalize(nullptr);
    return path;
}

QString brokenPhoto()
{
    const QString path = QDir(photoFolder().path()).filePath(QStringLiteral("IMG_0007.jpg"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("not a picture");
    return path;
}

// A window holding the panel (the panel's controller lives as long as the window).
QWidget *panelWindow(const QString &path)
{
    auto *window = new QWidget;
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *panel = new MCInfoPanelViewController(window);
    layout->addWidget(panel->view());
    window->resize(300, 700);
    window->show();
    QApplication::processEvents();
    if (!path.isEmpty()) {
        quillon::installLibraryServices();
        auto file = MCFileContainer::newFileWithURL(path);
        file->reloadFileInfo();
        file->reloadMetadata();
        panel->setPreviewItem(file);
        MCResourceLoader::sharedInstance().waitUntilAllRequestsAreFinished();
        QApplication::processEvents();
    }
    return window;
}

const QSize kPanelSize(300, 700);

const ScreenshotRegistration registration({
    {"info-panel", "photo", [] { return panelWindow(examplePhoto()); }, kPanelSize},
    {"info-panel", "no-selection", [] { return panelWindow(QString()); }, kPanelSize},
    {"info-panel", "no-preview", [] { return panelWindow(brokenPhoto()); }, kPanelSize},
});

} // namespace
