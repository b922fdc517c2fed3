// The preview tables of the operation dialogs: the Convert screen's with good rows, rows whose
// output size or name is refused (badged) and a file that cannot be read (the empty photo and a
// "too small" badge); the rename dialog's with two photos given the same name; the Edit
// Metadata screen's with a photo that carries metadata and one that carries none.
#include <QAbstractButton> // whole, for MCTableView.h
#include "app/dialogs/MCConvertOptionsPreviewTableViewModel.h"
#include "app/dialogs/MCEditMetadataPreviewTableViewModel.h"
#include "app/dialogs/MCPreviewTableViewController.h"
#include "app/dialogs/MCRenameOptionsPreviewTableViewModel.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "app/uikit/MCTableView.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

// Scales every photo to a quarter, except the one 9000 pixels wide, which it makes enormous.
class QuarterSizeStage : public MCConvertStage
{
public:
    QSizeF imageSizeForSize(const QSizeF &size, quint64 &) const override
    {
        return size.width() == 9000 ? QSizeF(90000, 60000) : size / 4.0;
    }
    std::shared_ptr<MCConvertStage> copy() const override { return std::make_shared<QuarterSizeStage>(); }
};

struct Photo
{
    const char *name;
    int width, height;
    const char *profile;
    double dpi;
};

MCFileList photos(const QList<Photo> &list)
{
    static QTemporaryDir folder;
    MCFileList files;
    for (const Photo &photo : list) {
        auto file = MCFileContainer::newFileWithURL(folder.filePath(QString::fromUtf8(photo.name)));
        QVariantMap properties;
        if (photo.width > 0) {
            properties = {{kCGImagePropertyPixelWidth, photo.width},
                          {kCGImagePropertyPixelHeight, photo.height},
                          {kCGImagePropertyDPIWidth, photo.dpi},
                          {kCGImagePropertyColorModel, kCGImagePropertyColorModelRGB}};
            if (*photo.profile)
                properties.insert(kCGImagePropertyProfileName, QString::fromUtf8(photo.profile));
        }
        file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
        files.append(file);
    }
    return files;
}

// A host that owns the table's controller and shows its view.
QWidget *host(MCPreviewTableViewController *controller)
{
    auto *widget = new QWidget;
    auto *layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(controller->view());
    controller->setParent(widget);
    return widget;
}

// Generated thumbnails for the readable photos, so the picture does not wait for a loader.
void giveThumbnails(MCPreviewTableViewController *controller, const MCFileList &files, int count)
{
    for (int i = 0; i < count && i < files.size(); ++i) {
        QImage thumbnail = screenshots::landscapePhoto(48, 32 + (i % 2) * 4);
        controller->setImageForItem(thumbnail, files[i].get());
    }
}

void selectRow(MCPreviewTableViewController *controller, int row)
{
    auto *table = controller->previewTableView();
    table->selectionModel()->select(table->model()->index(row, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QWidget *convertTable()
{
    static QTemporaryDir settings;
    static MCUserDefaults defaults(settings.filePath("Preferences.plist"));
    static MCBitmapConverter converter(&defaults);
    static bool once = [] {
        converter.setImageFormat(MCImageFormatJPEG);
        converter.addStage(std::make_shared<QuarterSizeStage>());
        return true;
    }();
    Q_UNUSED(once);
    const MCFileList files = photos({
        {"DSC_4012.NEF", 6000, 4000, "Adobe RGB (1998)", 300},
        {"DSC_4013.JPG", 6000, 4000, "sRGB IEC61966-2.1", 72},
        {"Panorama.tif", 9000, 3000, "", 0},
        {"Harbour.png", 4000, 3000, "Display P3", 144},
        {"Harbour.jpg", 4000, 3000, "Display P3", 144},
        {"IMG_0042.HEIC", 4032, 3024, "Display P3", 72},
        {"damaged.jpg", 0, 0, "", 0},
    });
    auto model = std::make_shared<MCConvertOptionsPreviewTableViewModel>(converter);
    model->setItems(files);
    auto *controller = new MCPreviewTableViewController(QStringLiteral("MCConvertOptionsPreviewTableVC"), model, nullptr);
    controller->setReordering(true);
    controller->setCanRemove(true);
    QWidget *widget = host(controller);
    giveThumbnails(controller, files, 6);
    model->waitUntilCalculated();
    QApplication::processEvents(); // the results reach the table
    selectRow(controller, 1);
    return widget;
}

QWidget *renameTable()
{
    const MCFileList files = photos({{"IMG_2201.JPG", 4000, 3000, "", 72},
                                     {"IMG_2202.JPG", 3000, 4000, "", 72},
                                     {"IMG_2203.JPG", 4000, 3000, "", 72}});
    auto model = std::make_shared<MCRenameOptionsPreviewTableViewModel>();
    model->setItems(files);
    // The name alone: the first two photos collide.
    model->setRenameSettings(MCBatchRenameSettings({QVariant(QStringLiteral("Lisbon-")),
                                                    MCBatchRenameToken(MCBatchRenameTokenKindImageWidth)}));
    auto *controller = new MCPreviewTableViewController(QStringLiteral("MCRenameOptionsTablePreviewVC"), model, nullptr);
    QWidget *widget = host(controller);
    giveThumbnails(controller, files, 3);
    model->waitUntilCalculated();
    QApplication::processEvents();
    return widget;
}

QWidget *editMetadataTable()
{
    MCFileList files = photos({{"IMG_2201.JPG", 4000, 3000, "", 72}, {"Scan_001.tif", 0, 0, "", 0}});
    files[0]->fileInfo().reloadAllPropertiesFromImageInfo(
        {{kCGImagePropertyPixelWidth, 4000},
         {kCGImagePropertyPixelHeight, 3000},
         {kCGImagePropertyExifDictionary,
          QVariantMap{{kCGImagePropertyExifDateTimeOriginal, QStringLiteral("2024:05:18 19:42:10")}}},
         {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFMake, QStringLiteral("Fujifilm")},
                                                      {kCGImagePropertyTIFFModel, QStringLiteral("X-T5")}}},
         {kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCKeywords, QStringList{"harbour", "dusk"}},
                                                      {kCGImagePropertyIPTCCopyrightNotice, QStringLiteral("© Ana Reis")},
                                                      {kCGImagePropertyIPTCStarRating, 4}}},
         {kCGImagePropertyGPSDictionary, QVariantMap{{kCGImagePropertyGPSLatitude, 38.7071},
                                                     {kCGImagePropertyGPSLatitudeRef, QStringLiteral("N")},
                                                     {kCGImagePropertyGPSLongitude, 9.1355},
                                                     {kCGImagePropertyGPSLongitudeRef, QStringLiteral("W")}}}});
    files[0]->reloadCaptureDate();
    auto model = std::make_shared<MCEditMetadataPreviewTableViewModel>();
    model->setItems(files);
    auto *controller = new MCPreviewTableViewController(QStringLiteral("MCEditMetadataPreviewTableVC"), model, nullptr);
    QWidget *widget = host(controller);
    giveThumbnails(controller, files, 1);
    return widget;
}

const ScreenshotRegistration registration({
    {"preview-table", "convert", [] { return convertTable(); }, QSize(1040, 240)},
    {"preview-table", "rename", [] { return renameTable(); }, QSize(560, 140)},
    {"preview-table", "edit-metadata", [] { return editMetadataTable(); }, QSize(1400, 120)},
});

} // namespace
