#include "tests/platform/imageio/ImageFixtures.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/MCImageProperties.h"

#include <gtest/gtest.h>

namespace {

class PropertyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fixtures::haveTools())
            GTEST_SKIP() << "convert and exiftool are needed to make the test images";
        m_folder = testsupport::makeTemporaryFolder(QStringLiteral("properties"));
    }

    QString image(const QString &name, const QStringList &tags, const QString &size = QStringLiteral("40x20"))
    {
        const QString path = fixtures::make(m_folder, name, {"-size", size, "xc:rgb(200,100,50)", "-depth", "8"});
        EXPECT_FALSE(path.isEmpty());
        if (!tags.isEmpty()) {
            EXPECT_TRUE(fixtures::tag(path, tags));
        }
        return path;
    }

    static QVariantMap properties(const QString &path)
    {
        const CGImageSourceRef source = CGImageSource::createWithURL(path);
        return source ? source->copyPropertiesAtIndex(0) : QVariantMap();
    }

    QString m_folder;
};

TEST_F(PropertyTest, ExifTiffGpsAndAuxWithThePlatformsTypes)
{
    const QString path = image(QStringLiteral("tagged.jpg"),
                               {"-DateTimeOriginal=2024:05:01 12:30:45", "-SubSecTimeOriginal=25",
                                "-CreateDate=2024:05:01 12:30:46", "-ModifyDate=2024:05:02 08:00:00",
                                "-ExposureTime=0.004", "-FNumber=2.8", "-ISO=400", "-FocalLength=35",
                                "-ExposureCompensation=-0.7", "-ExposureProgram=3",
                                "-Make=Quillon", "-Model=Q1", "-Artist=Ada", "-Copyright=(c) Ada",
                                "-Software=Darkroom 2", "-EXIF:XResolution=300", "-EXIF:YResolution=300",
                                "-EXIF:ResolutionUnit=2", "-LensModel=Q 35mm", "-OwnerName=Ada L.",
                                "-LensInfo=24 70 2.8 2.8", "-UserComment=hello there",
                                "-GPSLatitude=33.8568", "-GPSLatitudeRef=S", "-GPSLongitude=151.2153",
                                "-GPSLongitudeRef=E", "-GPSAltitude=58.5", "-GPSAltitudeRef=0",
                                "-GPSTimeStamp=10:20:30", "-GPSDateStamp=2024:05:01"});
    const QVariantMap p = properties(path);
    const QVariantMap exif = p.value(kCGImagePropertyExifDictionary).toMap();
    EXPECT_EQ(exif.value(kCGImagePropertyExifDateTimeOriginal).toString(), QStringLiteral("2024:05:01 12:30:45"));
    EXPECT_EQ(exif.value(kCGImagePropertyExifSubsecTimeOriginal).toString(), QStringLiteral("25"));
    EXPECT_EQ(exif.value(kCGImagePropertyExifDateTimeDigitized).toString(), QStringLiteral("2024:05:01 12:30:46"));
    EXPECT_DOUBLE_EQ(exif.value(kCGImagePropertyExifExposureTime).toDouble(), 0.004);
    EXPECT_EQ(exif.value(kCGImagePropertyExifExposureTime).typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(exif.value(kCGImagePropertyExifFNumber).toDouble(), 2.8);
    EXPECT_NEAR(exif.value(kCGImagePropertyExifExposureBiasValue).toDouble(), -0.7, 0.01);
    EXPECT_EQ(exif.value(kCGImagePropertyExifISOSpeedRatings).toList(), QVariantList{qint64(400)});
    EXPECT_EQ(exif.value(kCGImagePropertyExifExposureProgram).typeId(), QMetaType::LongLong);
    EXPECT_EQ(exif.value(kCGImagePropertyExifExposureProgram).toInt(), 3);
    EXPECT_DOUBLE_EQ(exif.value(kCGImagePropertyExifFocalLength).toDouble(), 35.0);
    EXPECT_EQ(exif.value(kCGImagePropertyExifUserComment).toString(), QStringLiteral("hello there"));
    EXPECT_EQ(exif.value(kCGImagePropertyExifLensModel).toString(), QStringLiteral("Q 35mm"));

    const QVariantMap tiff = p.value(kCGImagePropertyTIFFDictionary).toMap();
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFMake).toString(), QStringLiteral("Quillon"));
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFModel).toString(), QStringLiteral("Q1"));
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFArtist).toString(), QStringLiteral("Ada"));
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFCopyright).toString(), QStringLiteral("(c) Ada"));
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFSoftware).toString(), QStringLiteral("Darkroom 2"));
    EXPECT_EQ(tiff.value(kCGImagePropertyTIFFDateTime).toString(), QStringLiteral("2024:05:02 08:00:00"));
    EXPECT_DOUBLE_EQ(tiff.value(kCGImagePropertyTIFFXResolution).toDouble(), 300.0);
    EXPECT_DOUBLE_EQ(p.value(kCGImagePropertyDPIWidth).toDouble(), 300.0);
    EXPECT_DOUBLE_EQ(p.value(kCGImagePropertyDPIHeight).toDouble(), 300.0);

    const QVariantMap gps = p.value(kCGImagePropertyGPSDictionary).toMap();
    EXPECT_NEAR(gps.value(kCGImagePropertyGPSLatitude).toDouble(), 33.8568, 1e-4);
    EXPECT_EQ(gps.value(kCGImagePropertyGPSLatitudeRef).toString(), QStringLiteral("S"));
    EXPECT_NEAR(gps.value(kCGImagePropertyGPSLongitude).toDouble(), 151.2153, 1e-4);
    EXPECT_EQ(gps.value(kCGImagePropertyGPSLongitudeRef).toString(), QStringLiteral("E"));
    EXPECT_NEAR(gps.value(kCGImagePropertyGPSAltitude).toDouble(), 58.5, 1e-6);
    EXPECT_EQ(gps.value(kCGImagePropertyGPSAltitudeRef).toInt(), 0);
    EXPECT_EQ(gps.value(kCGImagePropertyGPSTimeStamp).toString(), QStringLiteral("10:20:30.00"));
    EXPECT_EQ(gps.value(kCGImagePropertyGPSDateStamp).toString(), QStringLiteral("2024:05:01"));

    const QVariantMap aux = p.value(kCGImagePropertyExifAuxDictionary).toMap();
    EXPECT_EQ(aux.value(kCGImagePropertyExifAuxLensModel).toString(), QStringLiteral("Q 35mm"));
    EXPECT_EQ(aux.value(kCGImagePropertyExifAuxOwnerName).toString(), QStringLiteral("Ada L."));
    EXPECT_EQ(aux.value(kCGImagePropertyExifAuxLensInfo).toList(), (QVariantList{24.0, 70.0, 2.8, 2.8}));
}

TEST_F(PropertyTest, OrientationOneToEightInEveryTaggableFormat)
{
    for (const char *extension : {"jpg", "tif", "png", "webp"}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::string(extension) + " " + std::to_string(orientation));
            const QString path = image(QStringLiteral("o%1.%2").arg(orientation).arg(QLatin1String(extension)),
                                       {QStringLiteral("-Orientation=%1").arg(orientation)});
            const QVariantMap p = properties(path);
            EXPECT_EQ(p.value(kCGImagePropertyOrientation).toInt(), orientation);
            EXPECT_EQ(p.value(kCGImagePropertyPixelWidth).toInt(), 40); // stored size, not turned
        }
    }
}

TEST_F(PropertyTest, IptcRecordAndXmpFallback)
{
    const QString iptc = image(QStringLiteral("iptc.jpg"),
                               {"-IPTC:Keywords=alpine", "-IPTC:Keywords=lake", "-IPTC:City=Zermatt",
                                "-IPTC:Country-PrimaryLocationName=Switzerland", "-IPTC:ObjectName=Matterhorn",
                                "-IPTC:Caption-Abstract=Morning light", "-IPTC:CopyrightNotice=Ada",
                                "-IPTC:DateCreated=2024:05:01", "-IPTC:By-line=Ada", "-XMP:Subject=ignored",
                                "-XMP:Rating=4"});
    const QVariantMap record = properties(iptc).value(kCGImagePropertyIPTCDictionary).toMap();
    EXPECT_EQ(record.value(kCGImagePropertyIPTCKeywords).toStringList(), (QStringList{"alpine", "lake"}));
    EXPECT_EQ(record.value(kCGImagePropertyIPTCCity).toString(), QStringLiteral("Zermatt"));
    EXPECT_EQ(record.value(kCGImagePropertyIPTCCountryPrimaryLocationName).toString(), QStringLiteral("Switzerland"));
    EXPECT_EQ(record.value(kCGImagePropertyIPTCObjectName).toString(), QStringLiteral("Matterhorn"));
    EXPECT_EQ(record.value(kCGImagePropertyIPTCCaptionAbstract).toString(), QStringLiteral("Morning light"));
    EXPECT_EQ(record.value(kCGImagePropertyIPTCCopyrightNotice).toString(), QStringLiteral("Ada"));
    EXPECT_EQ(record.value(kCGImagePropertyIPTCDateCreated).toString(), QStringLiteral("20240501"));
    EXPECT_EQ(record.value(kCGImagePropertyIPTCByline).toStringList(), QStringList{"Ada"});
    EXPECT_EQ(record.value(kCGImagePropertyIPTCStarRating).toInt(), 4);

    // Only XMP: dc:subject fills the keywords, dc:title the object name.
    const QString xmp = image(QStringLiteral("xmp.tif"), {"-XMP:Subject=snow", "-XMP:Subject=ridge",
                                                          "-XMP:Title=North face", "-XMP:City=Sion"});
    const QVariantMap fromXmp = properties(xmp).value(kCGImagePropertyIPTCDictionary).toMap();
    EXPECT_EQ(fromXmp.value(kCGImagePropertyIPTCKeywords).toStringList(), (QStringList{"snow", "ridge"}));
    EXPECT_EQ(fromXmp.value(kCGImagePropertyIPTCObjectName).toString(), QStringLiteral("North face"));
    EXPECT_EQ(fromXmp.value(kCGImagePropertyIPTCCity).toString(), QStringLiteral("Sion"));
}

TEST_F(PropertyTest, PngTextAndResolution)
{
    const QString path = image(QStringLiteral("text.png"),
                               {"-PNG:Author=Ada", "-PNG:Copyright=(c) Ada", "-PNG:Title=Lake",
                                "-PNG:Description=Evening", "-PNG:Software=Darkroom",
                                "-PNG:CreationTime=2024:05:01 12:30:45"});
    ASSERT_TRUE(fixtures::run(QStringLiteral("convert"), {path, "-units", "PixelsPerInch", "-density", "150", path + ".dpi.png"}));
    const QVariantMap p = properties(path);
    const QVariantMap png = p.value(kCGImagePropertyPNGDictionary).toMap();
    EXPECT_EQ(png.value(kCGImagePropertyPNGAuthor).toString(), QStringLiteral("Ada"));
    EXPECT_EQ(png.value(kCGImagePropertyPNGCopyright).toString(), QStringLiteral("(c) Ada"));
    EXPECT_EQ(png.value(kCGImagePropertyPNGTitle).toString(), QStringLiteral("Lake"));
    EXPECT_EQ(png.value(kCGImagePropertyPNGDescription).toString(), QStringLiteral("Evening"));
    EXPECT_EQ(png.value(kCGImagePropertyPNGCreationTime).toString(), QStringLiteral("2024:05:01 12:30:45"));
    const QVariantMap dpi = properties(path + ".dpi.png");
    EXPECT_NEAR(dpi.value(kCGImagePropertyDPIWidth).toDouble(), 150.0, 0.1);
}

TEST_F(PropertyTest, HeicAndWebPCarryTheirExif)
{
    for (const char *name : {"meta.heic", "meta.webp"}) {
        SCOPED_TRACE(name);
        const QString path = image(QString::fromLatin1(name), {"-DateTimeOriginal=2023:12:24 18:00:00", "-Make=Quillon",
                                                                "-GPSLatitude=48.85", "-GPSLatitudeRef=N"});
        const QVariantMap p = properties(path);
        EXPECT_EQ(p.value(kCGImagePropertyExifDictionary).toMap().value(kCGImagePropertyExifDateTimeOriginal).toString(),
                  QStringLiteral("2023:12:24 18:00:00"));
        EXPECT_NEAR(p.value(kCGImagePropertyGPSDictionary).toMap().value(kCGImagePropertyGPSLatitude).toDouble(), 48.85, 1e-6);
    }
}

TEST_F(PropertyTest, ThumbnailsPreferALargeEnoughEmbeddedOne)
{
    // A red 400 × 300 photo whose EXIF thumbnail is green 160 × 120.
    const QString thumb = fixtures::make(m_folder, QStringLiteral("thumb.jpg"), {"-size", "160x120", "xc:lime"});
    const QString path = fixtures::make(m_folder, QStringLiteral("photo.jpg"), {"-size", "400x300", "xc:red"});
    ASSERT_TRUE(fixtures::tag(path, {QStringLiteral("-ThumbnailImage<=%1").arg(thumb), "-Orientation=6"}));
    const CGImageSourceRef source = CGImageSource::createWithURL(path);
    auto make = [&](qint64 maxSize, bool ifAbsent, bool always, bool transform) {
        QVariantMap options{{kCGImageSourceCreateThumbnailFromImageIfAbsent, ifAbsent},
                            {kCGImageSourceCreateThumbnailFromImageAlways, always},
                            {kCGImageSourceCreateThumbnailWithTransform, transform}};
        if (maxSize)
            options.insert(kCGImageSourceThumbnailMaxPixelSize, maxSize);
        return source->createThumbnailAtIndex(0, options);
    };
    auto isGreen = [](const CGImageRef &image) { return image->row(0)[1] > 200 && image->row(0)[0] < 60; };
    const struct { qint64 maxSize; bool ifAbsent, always, transform; size_t width, height; bool green; } cases[] = {
        {100, true, false, false, 100, 75, true},    // embedded is large enough
        {300, true, false, false, 300, 225, false},  // too small: made from the image
        {300, false, false, false, 160, 120, true},  // too small, but making one was not allowed
        {100, false, true, false, 100, 75, false},   // always from the image
        {100, true, false, true, 75, 100, true},     // turned upright (orientation 6)
        {0, true, false, false, 400, 300, false},    // no size asked: the image's own size
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.maxSize);
        const CGImageRef thumbnail = make(c.maxSize, c.ifAbsent, c.always, c.transform);
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(thumbnail->width(), c.width);
        EXPECT_EQ(thumbnail->height(), c.height);
        EXPECT_EQ(thumbnail->bitsPerComponent(), 8u);
        EXPECT_EQ(isGreen(thumbnail), c.green);
    }
    // A file without an embedded thumbnail gives one only when allowed to make it.
    const CGImageSourceRef plain = CGImageSource::createWithURL(image(QStringLiteral("plain.png"), {}));
    EXPECT_FALSE(plain->createThumbnailAtIndex(0, {{kCGImageSourceThumbnailMaxPixelSize, 16}}));
    EXPECT_TRUE(plain->createThumbnailAtIndex(0, {{kCGImageSourceThumbnailMaxPixelSize, 16},
                                                   {kCGImageSourceCreateThumbnailFromImageIfAbsent, true}}));
}

} // namespace
