// The info panel: the pixel size it asks the loader for (a table), then the panel with real
// JPEG files read through the shared loader: the picture, its histogram and rows, the messages
// without a picture or a photo, and answers to an earlier selection that are dropped.
#include "app/browser/MCInfoPanelViewController.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCLibraryServices.h"
#include "halvard/ui/MCHistogramView.h"
#include "halvard/ui/MCImageExtensions.h"
#include "halvard/ui/MCImageView.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"
#include "tests/support/TestSupport.h"

#include <QSplitter>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(InfoPanelPixelSize, thePhotoFittedIntoTheAreaNeverEnlarged)
{
    struct Case {
        QSizeF fit, photo;
        quint64 expected;
    };
    const Case cases[] = {
        {{800, 600}, {6000, 4000}, 800},  // 3:2 fitted into 800 × 600 at 2×: 800 × 533.3
        {{800, 600}, {4000, 6000}, 600},  // portrait: height-bound
        {{800, 600}, {600, 400}, 600},    // smaller than the area: its own size
        {{800, 600}, {300, 200}, 300},    // never more than the photo has
        {{800, 600}, {0, 0}, 800},        // size unknown: the area
        {{800, 600}, {-5, 100}, 800},
        {{100.5, 50}, {1000, 100}, 101},  // halves round away from zero
        {{0, 0}, {6000, 4000}, 0},        // no area yet
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCInfoPanelMaxPixelSize(c.fit, c.photo), c.expected)
            << c.photo.width() << "x" << c.photo.height() << " in " << c.fit.width() << "x" << c.fit.height();
}

// A JPEG of one colour with a capture date and a camera maker.
QString writePhoto(const QString &folder, const QString &name, QSize size, QColor colour)
{
    QImage pixels(size, QImage::Format_RGB32);
    pixels.fill(colour);
    const QString path = folder + "/" + name;
    auto destination = MCImageDestination::createWithURL(path, kUTTypeJPEG, 1);
    EXPECT_TRUE(destination);
    destination->addImage(MCCGImageFromQImage(pixels),
                          {{kCGImagePropertyExifDictionary,
                            QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2024:05:12 10:20:00"}}},
                           {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFMake, "Quillon"}}}});
    MCError error;
    EXPECT_TRUE(destination->finalize(&error)) << error.localizedDescription().toStdString();
    return path;
}

std::shared_ptr<MCFile> libraryFile(const QString &path)
{
    quillon::installLibraryServices();
    auto file = MCFileContainer::newFileWithURL(path);
    file->reloadFileInfo();
    file->reloadMetadata();
    return file;
}

class InfoPanel : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = testsupport::makeTemporaryFolder();
        panel = std::make_unique<MCInfoPanelViewController>();
        panel->view()->resize(300, 700);
        panel->view()->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        panel.reset();
        MCResourceLoader::sharedInstance().waitUntilAllRequestsAreFinished();
        QApplication::processEvents();
    }
    bool showsPicture() const { return panel->imageView()->isVisible() && !panel->imageView()->image().isNull(); }
    QString rowValue(const QString &key) const { return panel->previewInfo().objectForKey(key).toString(); }

    QString folder;
    std::unique_ptr<MCInfoPanelViewController> panel;
};

TEST_F(InfoPanel, showsThePictureHistogramAndRowsOfTheSelectedPhoto)
{
    EXPECT_EQ(panel->previewLabel()->text(), "No photo selected");
    EXPECT_EQ(panel->splitView()->widget(0)->height(), 246);
    EXPECT_EQ(panel->splitView()->widget(1)->height(), 128);

    auto file = libraryFile(writePhoto(folder, "red.jpg", QSize(600, 400), Qt::red));
    panel->setPreviewItem(file);
    EXPECT_FALSE(panel->requestIdentifier().isNull());
    const QSizeF fit = panel->imageView()->imageFitSize() * panel->imageView()->devicePixelRatioF();
    EXPECT_EQ(quint64(panel->requestedPixelSize()), MCInfoPanelMaxPixelSize(fit, QSizeF(600, 400)));
    EXPECT_LE(panel->requestedPixelSize(), 600);
    EXPECT_GE(panel->requestedPixelSize(), 250); // the hidden picture area already has its size

    ASSERT_TRUE(testsupport::processEventsUntil([&] { return showsPicture(); }));
    EXPECT_FALSE(panel->previewLabel()->isVisible());
    EXPECT_TRUE(panel->histogramView()->image() != nullptr);
    EXPECT_FALSE(panel->histogramView()->histograms().isEmpty());
    EXPECT_EQ(rowValue("File name"), "red.jpg");
    EXPECT_EQ(rowValue("Camera maker"), "Quillon");
    EXPECT_EQ(panel->exifTableView()->model()->rowCount(), panel->previewInfo().count());
    const QImage shown = panel->imageView()->image();
    EXPECT_GT(qRed(shown.pixel(shown.width() / 2, shown.height() / 2)), 200);

    // The same photo again asks for nothing.
    const QUuid request = panel->requestIdentifier();
    panel->setPreviewItem(file);
    EXPECT_EQ(panel->requestIdentifier(), request);

    // Nothing selected: the message, an empty table and an emptied histogram.
    panel->setPreviewItem(nullptr);
    EXPECT_TRUE(panel->previewLabel()->isVisible());
    EXPECT_EQ(panel->previewLabel()->text(), "No photo selected");
    EXPECT_FALSE(panel->imageView()->isVisible());
    EXPECT_EQ(panel->previewInfo().count(), 0);
    EXPECT_EQ(panel->exifTableView()->model()->rowCount(), 0);
    EXPECT_TRUE(panel->histogramView()->image() == nullptr);
    EXPECT_TRUE(panel->histogramView()->isVisible());
}

TEST_F(InfoPanel, anAnswerToAnEarlierSelectionIsDropped)
{
    auto first = libraryFile(writePhoto(folder, "first.jpg", QSize(300, 200), Qt::red));
    auto second = libraryFile(writePhoto(folder, "second.jpg", QSize(300, 200), Qt::blue));
    panel->setPreviewItem(first);
    const QUuid firstRequest = panel->requestIdentifier();
    panel->setPreviewItem(second);
    EXPECT_NE(panel->requestIdentifier(), firstRequest);

    // A late answer for the first photo (its request was cancelled, or had already started).
    QImage red(300, 200, QImage::Format_RGB32);
    red.fill(Qt::red);
    panel->receiveThumbnail(red, firstRequest);
    EXPECT_FALSE(showsPicture());
    EXPECT_EQ(panel->previewInfo().count(), 0);
    panel->receiveThumbnail(red, QUuid());
    EXPECT_FALSE(showsPicture());

    ASSERT_TRUE(testsupport::processEventsUntil([&] { return showsPicture(); }));
    const QImage shown = panel->imageView()->image();
    EXPECT_GT(qBlue(shown.pixel(shown.width() / 2, shown.height() / 2)), 200);
    EXPECT_EQ(rowValue("File name"), "second.jpg");
}

TEST_F(InfoPanel, aPhotoWithoutPictureShowsItsRowsAndSaysSo)
{
    const QString path = folder + "/broken.jpg";
    {
        QFile broken(path);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not a JPEG at all");
    }
    auto file = libraryFile(path);
    panel->setPreviewItem(file);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return panel->previewLabel()->text() == "No photo preview"; }));
    EXPECT_TRUE(panel->previewLabel()->isVisible());
    EXPECT_FALSE(panel->imageView()->isVisible());
    EXPECT_EQ(rowValue("File name"), "broken.jpg");
    EXPECT_TRUE(panel->histogramView()->image() == nullptr);

    // A photo that never had a path: nothing to ask the loader for.
    auto pathless = MCFile::fileWithID(99);
    pathless->setFileName(QStringLiteral("lost.jpg"));
    panel->setPreviewItem(pathless);
    EXPECT_TRUE(panel->requestIdentifier().isNull());
    EXPECT_EQ(panel->previewLabel()->text(), "No photo preview");
    EXPECT_EQ(rowValue("File name"), "lost.jpg");
}

TEST_F(InfoPanel, rowsCannotBeSelectedAndThePanelMayGoWhileALoadIsPending)
{
    auto file = libraryFile(writePhoto(folder, "rows.jpg", QSize(200, 100), Qt::green));
    panel->showPreviewImage(QImage(), file->browserItemMetadata());
    QTableView *table = panel->exifTableView();
    ASSERT_GT(table->model()->rowCount(), 2);
    EXPECT_EQ(table->model()->data(table->model()->index(0, 0)).toString(), "File name");
    EXPECT_EQ(table->model()->data(table->model()->index(0, 1)).toString(), "rows.jpg");
    QApplication::processEvents();
    const QRect row = table->visualRect(table->model()->index(1, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_FALSE(table->selectionModel()->hasSelection());
    EXPECT_FALSE(table->model()->flags(table->model()->index(1, 1)) & Qt::ItemIsSelectable);

    // Going away with a request outstanding: the late answer finds nobody and is dropped.
    panel->setPreviewItem(file);
    panel.reset();
    MCResourceLoader::sharedInstance().waitUntilAllRequestsAreFinished();
    QApplication::processEvents();
}

} // namespace
