#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCLibraryServices.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

// A library file of a real JPEG with Exif, TIFF and GPS data gets its information rows
// through the image loader once the services are installed.
TEST(LibraryServices, FileInformationIsReadThroughTheImageLoader)
{
    const QString path = testsupport::makeTemporaryFolder() + "/photo.jpg";
    {
        QByteArray pixels(40 * 30 * 4, char(200));
        const CGImageRef image = CGImage::create(40, 30, 8, 32, 40 * 4, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                 kCGImageAlphaNoneSkipLast, pixels);
        auto destination = MCImageDestination::createWithURL(path, kUTTypeJPEG, 1);
        ASSERT_TRUE(destination);
        destination->addImage(image, {
            {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2019:12:31 23:30:00"},
                                                         {kCGImagePropertyExifExposureTime, 0.004},
                                                         {kCGImagePropertyExifFNumber, 8.0}}},
            {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFMake, "Quillon"}}},
            {kCGImagePropertyGPSDictionary, QVariantMap{{kCGImagePropertyGPSLatitude, 48.8584},
                                                        {kCGImagePropertyGPSLatitudeRef, "N"}}},
        });
        MCError error;
        ASSERT_TRUE(destination->finalize(&error)) << error.localizedDescription().toStdString();
    }

    quillon::installLibraryServices();
    quillon::installLibraryServices(); // a second call changes nothing
    auto file = MCFileContainer::newFileWithURL(path);
    file->reloadMetadata();

    const MCMutableOrderedDictionary rows = file->fileInfo().properties();
    EXPECT_EQ(rows.objectForKey("Image size").toString(), "40x30");
    EXPECT_EQ(rows.objectForKey("Exposure").toString(), "1/250 sec at f/8.0");
    EXPECT_EQ(rows.objectForKey("Camera maker").toString(), "Quillon");
    EXPECT_EQ(rows.objectForKey("GPS Latitude").toString(), QString::fromUtf8("48° 51' 30.24'' N"));
    EXPECT_EQ(file->captureYear(), 2019);
    EXPECT_EQ(file->captureHour(), 23);
    EXPECT_EQ(file->imageDescriptor()->estimatedPixelSize(), 40u);

    // A file that can no longer be read clears what it had given.
    ASSERT_TRUE(QFile::remove(path));
    file->reloadMetadata();
    EXPECT_EQ(file->fileInfo().properties().objectForKey("Image size").toString(), "Not defined");
    EXPECT_FALSE(file->captureDate().has_value());
}
