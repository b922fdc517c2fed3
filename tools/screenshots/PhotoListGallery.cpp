// The main window with the photo list screen holding 200 generated photos, grouped by each
// factory grouping preset. The photos reach the screen the way dropped photos do: through the
// main window's import, so the pictures show the photo list screen the program installs (the
// photo browser).
//
// The first group of the outline is opened to its deepest level. The photos differ where the
// presets look: JPEG (colour and gray), PNG (8-bit with alpha and
// 16-bit), TIFF; sizes from 0.1 to 0.9 megapixels, landscape and portrait; capture dates over
// three years; four cameras.
#include "app/library/MCFileContainer.h"
#include "app/library/MCGroupRulePresetsManager.h"
#include "app/library/MCLibraryServices.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCPhotoListScreen.h"
#include "halvard/ui/MCImageExtensions.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"
#include "tools/screenshots/ShellGallery.h"
#include "app/browser/MCPhotoListViewController.h"
#include "halvard/browser/MCBrowserView.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int kPhotos = 200;
const QSize kPageSize(1280, 800);

// The pixels of `picture` in one of the layouts the files need.
CGImageRef grayImage(const QImage &picture)
{
    const QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
    return CGImage::create(size_t(gray.width()), size_t(gray.height()), 8, 8, size_t(gray.bytesPerLine()),
                           CGColorSpace::createDeviceGray(), kCGImageAlphaNone,
                           QByteArray(reinterpret_cast<const char *>(gray.constBits()), gray.sizeInBytes()));
}

CGImageRef imageWithAlpha(const QImage &picture)
{
    // Rounded corners fade out, so the alpha channel is really used.
    QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    const int w = rgba.width(), h = rgba.height(), r = std::min(w, h) / 5;
    for (int y = 0; y < h; ++y) {
        uchar *line = rgba.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int dx = std::max({r - x, x - (w - 1 - r), 0}), dy = std::max({r - y, y - (h - 1 - r), 0});
            if (dx * dx + dy * dy > r * r)
                line[x * 4 + 3] = 0;
        }
    }
    return CGImage::create(size_t(w), size_t(h), 8, 32, size_t(rgba.bytesPerLine()), CGColorSpace::createDeviceRGB(),
                           kCGImageAlphaLast,
                           QByteArray(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes()));
}

CGImageRef sixteenBitImage(const QImage &picture)
{
    const QImage deep = picture.convertToFormat(QImage::Format_RGBX64);
    return CGImage::create(size_t(deep.width()), size_t(deep.height()), 16, 64, size_t(deep.bytesPerLine()),
                           CGColorSpace::createDeviceRGB(), kCGImageAlphaNoneSkipLast | kCGBitmapByteOrder16Little,
                           QByteArray(reinterpret_cast<const char *>(deep.constBits()), deep.sizeInBytes()));
}

// The folder of photos, made once for every page.
QString photoFolder()
{
    static QTemporaryDir folder;
    static bool made = false;
    if (made)
        return folder.path();
    made = true;
    const char *const makes[] = {"Canon", "NIKON CORPORATION", "FUJIFILM", "Apple"};
    const char *const models[] = {"Canon EOS R6", "NIKON Z 6_2", "X-T4", "iPhone 14 Pro"};
    const int longSides[] = {400, 560, 720, 880, 1040};
    const QDateTime first(QDate(2023, 4, 2), QTime(9, 30));
    QTextStream err(stderr);
    for (int i = 0; i < kPhotos; ++i) {
        const int longSide = longSides[(i * 7) % 5];
        const int shortSide = (i / 5) % 2 ? longSide * 2 / 3 : longSide * 3 / 4;
        const bool portrait = i % 5 == 3;
        const int width = portrait ? shortSide : longSide, height = portrait ? longSide : shortSide;
        const QImage picture =
            i % 6 == 5 ? screenshots::nightPhoto(width, height) : screenshots::landscapePhoto(width, height);
        // Trips of eight photos on one day, a day every five weeks or so.
        const QDateTime taken = first.addDays(qint64(i / 8) * 37).addSecs(qint64(i % 8) * 1020);
        const int camera = (i / 3) % 4;
        QVariantMap properties{
            {kCGImagePropertyTIFFDictionary,
             QVariantMap{{kCGImagePropertyTIFFMake, makes[camera]}, {kCGImagePropertyTIFFModel, models[camera]}}},
            {kCGImagePropertyExifDictionary,
             QVariantMap{{kCGImagePropertyExifDateTimeOriginal, taken.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"))}}},
        };
        QString type = kUTTypeJPEG, extension = QStringLiteral("JPG");
        CGImageRef image;
        switch (i % 10) {
        case 6:
            image = grayImage(picture);
            break;
        case 7:
            type = kUTTypePNG;
            extension = QStringLiteral("PNG");
            image = imageWithAlpha(picture);
            break;
        case 8:
            type = kUTTypePNG;
            extension = QStringLiteral("PNG");
            image = sixteenBitImage(picture);
            break;
        case 9:
            type = kUTTypeTIFF;
            extension = QStringLiteral("TIF");
            image = MCCGImageFromQImage(picture);
            break;
        default:
            image = MCCGImageFromQImage(picture);
            properties.insert(kCGImageDestinationLossyCompressionQuality, 0.8);
        }
        const QString path = QDir(folder.path()).filePath(QStringLiteral("DSC_%1.%2").arg(4100 + i).arg(extension));
        auto destination = MCImageDestination::createWithURL(path, type, 1);
        MCError error;
        if (!destination)
            continue;
        destination->addImage(image, properties);
        if (!destination->finalize(&error))
            err << "photo-list: " << path << " not written: " << error.localizedDescription() << "\n";
    }
    return folder.path();
}

// The main window as a child of the page, so that the page's end takes its controller (and
// the photo list screen with it) down in order: nothing of it outlives the picture.
class PhotoListPage : public QWidget
{
public:
    PhotoListPage()
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        m_controller = new MCMainWindowController;
        MCMainWindow *window = m_controller->window();
        window->setWindowState(Qt::WindowNoState);
        window->setParent(this);
        layout->addWidget(window);
    }
    ~PhotoListPage() override { delete m_controller; }

    MCMainWindowController *controller() const { return m_controller; }

private:
    MCMainWindowController *m_controller;
};

QWidget *photoList(quint64 preset)
{
    screenshots::prepareShellApplication(1);
    quillon::installLibraryServices();
    // As the program does: the photo browser is the photo list screen.
    MCPhotoListViewController::installAsPhotoListScreen();
    const QString folder = photoFolder();
    // The library starts empty on every page; the grouping is chosen before the list shows.
    MCFileContainer &container = MCFileContainer::sharedContainer();
    container.removeFiles(container.allFiles());
    MCGroupRulePresetsManager &presets = MCGroupRulePresetsManager::defaultManager();
    presets.setCurrentPresetIndex(preset);
    presets.currentPreset();

    auto *page = new PhotoListPage;
    page->resize(kPageSize);
    page->show();
    MCMainWindowController *controller = page->controller();
    controller->importItemsAtURLs({folder});
    QElapsedTimer timer;
    timer.start();
    const auto loading = [&] {
        const MCPhotoListScreen *list = controller->photoListViewController();
        return !list || list->isLoading() || container.numberOfFiles() < kPhotos;
    };
    while (loading() && timer.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (loading())
        QTextStream(stderr) << "photo-list: loading did not end (" << container.numberOfFiles() << " photos)\n";
    // The first group opens to its deepest level, so the picture shows every level the preset
    // makes (when the screen has a group outline).
    for (QTreeView *outline : page->findChildren<QTreeView *>())
        if (outline->accessibleName() == QObject::tr("Groups") && outline->model())
            outline->expandRecursively(outline->model()->index(0, 0, outline->model()->index(0, 0)));
    // One photo selected, so the info panel and the path bar show it.
    for (MCBrowserView *grid : page->findChildren<MCBrowserView *>())
        grid->setSelectionIndexes(MCIndexSet{0}, false);
    // The push animation ends and the visible thumbnails arrive.
    timer.restart();
    while (timer.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return page;
}

const ScreenshotRegistration registration({
    {"photo-list", "file-type-format", [] { return photoList(0); }, kPageSize},
    {"photo-list", "capture-date", [] { return photoList(1); }, kPageSize},
    {"photo-list", "file-type-image-size", [] { return photoList(2); }, kPageSize},
});

} // namespace
