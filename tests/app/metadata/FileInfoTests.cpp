#include "app/metadata/MCFileInfo.h"

#include "platform/imageio/MCImageProperties.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>

namespace {

QVariantMap photo()
{
    return {
        {kCGImagePropertyPixelWidth, 4000},
        {kCGImagePropertyPixelHeight, 3000},
        {kCGImagePropertyOrientation, 6},
        {kCGImagePropertyDPIWidth, 300},
        {kCGImagePropertyColorModel, "RGB"},
        {kCGImagePropertyDepth, 8},
        {kCGImagePropertyHasAlpha, true},
        {kCGImagePropertyExifDictionary,
         QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2019:12:31 10:00:00"},
                     {kCGImagePropertyExifSubsecTimeOriginal, "50"},
                     {kCGImagePropertyExifExposureTime, 0.004},
                     {kCGImagePropertyExifFNumber, 8.0},
                     {kCGImagePropertyExifISOSpeedRatings, QVariantList{100, 200}},
                     {kCGImagePropertyExifFlash, 0x19},
                     {kCGImagePropertyExifColorSpace, 1}}},
        {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFCopyright, "TIFF (c)"}, {kCGImagePropertyTIFFMake, "Maker"}}},
        {kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCStarRating, 3}, {kCGImagePropertyIPTCKeywords, QStringList{"a", "b"}}}},
        {kCGImagePropertyGPSDictionary,
         QVariantMap{{kCGImagePropertyGPSLatitude, 48.0 + 51.0 / 60 + 30.24 / 3600}, {kCGImagePropertyGPSLatitudeRef, "N"},
                     {kCGImagePropertyGPSAltitude, 35.0}, {kCGImagePropertyGPSAltitudeRef, 1}}},
    };
}

} // namespace

TEST(FileInfo, LoadsBothGroupsWithTheirFallbacks)
{
    EXPECT_EQ(MCFileInfo::infoWithID(QVariant()), nullptr);
    const auto info = MCFileInfo::infoWithID(42);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->fileID(), 42u);
    info->reloadAllPropertiesFromImageInfo(photo());

    EXPECT_EQ(info->aspectRatioRotated()->numerator(), 3u);
    EXPECT_EQ(info->aspectRatioRotated()->denominator(), 4u);
    EXPECT_EQ(info->imageSizeRotated(), QSizeF(3000, 4000));
    EXPECT_EQ(info->dateTimeOriginal()->time(), QTime(10, 0, 0, 50));
    EXPECT_FALSE(info->dateTimeDigitized().has_value());
    EXPECT_EQ(info->ISOSpeedRating().toInt(), 200);
    EXPECT_EQ(info->copyrightString(), "TIFF (c)");
    EXPECT_EQ(info->values()->isFloat.toBool(), false);
    EXPECT_TRUE(info->values()->isFloat.isValid());

    // Only a TIFF date: both dates; aperture value 4 gives f/4; a zero size keeps the ratio.
    info->reloadAllPropertiesFromImageInfo(
        {{kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFDateTime, "2020:01:02 03:04:05"}}},
         {kCGImagePropertyExifDictionary,
          QVariantMap{{kCGImagePropertyExifApertureValue, 4.0}, {kCGImagePropertyExifSubsecTimeDigitized, "123"}}}});
    EXPECT_EQ(info->dateTimeOriginal(), info->dateTimeDigitized());
    EXPECT_EQ(info->dateTimeOriginal()->time(), QTime(3, 4, 5));
    EXPECT_DOUBLE_EQ(info->FNumber().toDouble(), 4.0);
    EXPECT_EQ(info->aspectRatioRotated()->numerator(), 3u);
    EXPECT_FALSE(info->width().isValid());
    EXPECT_EQ(info->copyrightString(), "Not defined");

    info->reloadExtraPropertiesFromImageInfo(
        {{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifApertureValue, 0.0}}}});
    EXPECT_FALSE(info->FNumber().isValid());

    // A sub-second string beside an Exif date counts as milliseconds.
    info->reloadMainPropertiesFromImageInfo(
        {{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeDigitized, "2020:01:02 10:00:00"},
                                                      {kCGImagePropertyExifSubsecTimeDigitized, "123"}}}});
    EXPECT_EQ(info->dateTimeDigitized()->time(), QTime(10, 0, 0, 123));

    for (const char *bad : {"", "garbage", "2019:13:40 10:00:00", "0000:00:00 00:00:00"})
        EXPECT_FALSE(MCFileInfo::dateFromExifString(bad).has_value()) << bad;
}

namespace {

// Runs with the local time zone set to `zone`, restoring the one before afterwards.
class LocalZone
{
public:
    explicit LocalZone(const char *zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_before(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~LocalZone()
    {
        if (m_had)
            qputenv("TZ", m_before);
        else
            qunsetenv("TZ");
        ::tzset();
    }

private:
    bool m_had;
    QByteArray m_before;
};

} // namespace

// A wall-clock time in the hour skipped when summer time begins is a real photo's time
// (a camera not yet set forward): it reads as the moment it names by the old offset.
TEST(FileInfo, ExifTimesInTheSpringForwardGapReadShifted)
{
    struct Case
    {
        const char *zone, *text;
        QDateTime local;
    };
    const Case cases[] = {
        {"Europe/Berlin", "2021:03:28 02:30:00", QDateTime(QDate(2021, 3, 28), QTime(3, 30), Qt::LocalTime)},
        {"Europe/Berlin", "2021:03:28 02:00:00", QDateTime(QDate(2021, 3, 28), QTime(3, 0), Qt::LocalTime)},
        {"Europe/Berlin", "2021:03:28 01:59:59", QDateTime(QDate(2021, 3, 28), QTime(1, 59, 59), Qt::LocalTime)},
        {"Europe/Berlin", "2021:10:31 02:30:00", QDateTime(QDate(2021, 10, 31), QTime(2, 30), Qt::LocalTime)},
        {"America/New_York", "2021:03:14 02:15:00", QDateTime(QDate(2021, 3, 14), QTime(3, 15), Qt::LocalTime)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.text);
        LocalZone zone(c.zone);
        const std::optional<QDateTime> date = MCFileInfo::dateFromExifString(QString::fromLatin1(c.text));
        ASSERT_TRUE(date.has_value());
        ASSERT_TRUE(c.local.isValid());
        EXPECT_EQ(date->toLocalTime().date(), c.local.date());
        EXPECT_EQ(date->toLocalTime().time(), c.local.time());
        EXPECT_EQ(date->toUTC(), c.local.toUTC());
    }
    LocalZone zone("Europe/Berlin");
    EXPECT_EQ(MCFileInfo::dateFromExifString("2021:03:28 02:30:00")->toUTC(),
              QDateTime(QDate(2021, 3, 28), QTime(1, 30), Qt::UTC));
}

TEST(FileInfo, PropertyRows)
{
    MCFileInfo empty(1);
    const MCMutableOrderedDictionary none = empty.properties();
    ASSERT_EQ(none.count(), 39);
    EXPECT_EQ(none.keyAtIndex(0), "Image size");
    EXPECT_EQ(none.keyAtIndex(38), "GPS Longitude");
    for (qint64 i = 0; i < none.count(); ++i) {
        const QString key = none.keyAtIndex(i);
        const QString value = none.objectAtIndex(i).toString();
        EXPECT_EQ(value, key == "Image DPI" ? "72.0x72.0" : "Not defined") << key.toStdString();
    }

    MCFileInfo info(2);
    info.reloadAllPropertiesFromImageInfo(photo());
    const MCMutableOrderedDictionary rows = info.properties();
    const std::pair<const char *, QString> expected[] = {
        {"Image size", "3000x4000"},
        {"Image DPI", "72.0x300.0"}, // rotated, and the missing vertical resolution reads as 72
        {"Aspect Ratio", "3:4"},
        {"Color model", "RGB + Alpha"},
        {"Color space", "sRGB"},
        {"Depth", "8 bits per channel"},
        {"Orientation", QString::fromUtf8("6 (Rotated 90° CCW)")},
        {"Rating", QString::fromUtf8("★★★")},
        {"Keywords", "a, b"},
        {"Exposure", "1/250 sec at f/8.0"},
        {"ISO speed rating", "ISO 200"},
        {"Flash fired", "Yes"},
        {"Camera maker", "Maker"},
        {"GPS Altitude", "35.00 m below sea level"},
        {"GPS Latitude", QString::fromUtf8("48° 51' 30.24'' N")},
        {"GPS Longitude", "Not defined"},
    };
    for (const auto &[key, value] : expected)
        EXPECT_EQ(rows.objectForKey(key).toString(), value) << key;
    EXPECT_EQ(info.flashString(), "Flash fired, auto mode");
    EXPECT_EQ(info.flashModeString(), "Auto mode");
    EXPECT_EQ(info.exposureTimeString(), "1 / 250 sec");
}

TEST(FileInfo, CodedValues)
{
    struct Case
    {
        QString exifKey;
        QVariant value;
        QString (MCFileInfo::*method)() const;
        QString text;
    } cases[] = {
        {kCGImagePropertyExifColorSpace, 65535, &MCFileInfo::colorSpaceString, "Uncalibrated"},
        {kCGImagePropertyExifColorSpace, 2, &MCFileInfo::colorSpaceString, "Unknown"},
        {kCGImagePropertyExifMeteringMode, 0, &MCFileInfo::meteringModeString, "Unknown"},
        {kCGImagePropertyExifMeteringMode, 255, &MCFileInfo::meteringModeString, "Other"},
        {kCGImagePropertyExifLightSource, 2, &MCFileInfo::lightSourceString, "Flourescent"},
        {kCGImagePropertyExifLightSource, 16, &MCFileInfo::lightSourceString, "Unknown"},
        {kCGImagePropertyExifExposureProgram, 0, &MCFileInfo::exposureProgramString, "Not defined"},
        {kCGImagePropertyExifExposureProgram, 3, &MCFileInfo::exposureProgramString, "Aperture priority"},
        {kCGImagePropertyExifSensingMethod, 6, &MCFileInfo::sensingMethodString, "Unknown"},
        {kCGImagePropertyExifSceneCaptureType, 3, &MCFileInfo::sceneCaptureTypeString, "Night scene"},
        {kCGImagePropertyExifExposureTime, 2.0, &MCFileInfo::exposureString, "2.00 sec"},
        {kCGImagePropertyExifExposureTime, 0.0, &MCFileInfo::exposureTimeString, "Infinity"},
        {kCGImagePropertyExifFocalLength, 50, &MCFileInfo::focalLengthString, "50.0 mm"},
        {kCGImagePropertyExifFocalLength, 0, &MCFileInfo::focalLengthString, "Unknown"},
        {kCGImagePropertyExifFlash, 0x10, &MCFileInfo::flashFiredString, "No"},
        {kCGImagePropertyExifFlash, 0x20, &MCFileInfo::flashFunctionString, "No flash function"},
        {kCGImagePropertyExifFlash, 0x07, &MCFileInfo::flashReturnString, "Strobe return light detected"},
        {kCGImagePropertyExifFlash, 0x41, &MCFileInfo::flashRedEyeModeString, "Red-eye reduction supported"},
        {kCGImagePropertyExifFlash, 3, &MCFileInfo::flashString, "Unknown"},
        {kCGImagePropertyExifDigitalZoomRatio, 0, &MCFileInfo::digitalZoomRatioString, "Not defined"},
        {kCGImagePropertyExifExposureBiasValue, -0.7, &MCFileInfo::exposureBiasString, "-0.7 EV"},
    };
    for (const Case &c : cases) {
        MCFileInfo info(1);
        info.reloadAllPropertiesFromImageInfo({{kCGImagePropertyExifDictionary, QVariantMap{{c.exifKey, c.value}}}});
        EXPECT_EQ((info.*c.method)(), c.text) << c.exifKey.toStdString() << " " << c.value.toString().toStdString();
    }

    struct TopCase
    {
        QVariantMap info;
        QString (MCFileInfo::*method)() const;
        QString text;
    } top[] = {
        {{{kCGImagePropertyDepth, 16}, {kCGImagePropertyIsFloat, true}}, &MCFileInfo::depthString, "16 bpc (Floating point)"},
        {{{kCGImagePropertyDepth, 8}, {kCGImagePropertyIsIndexed, true}}, &MCFileInfo::depthString, "8 bpc (Indexed)"},
        {{{kCGImagePropertyOrientation, 9}}, &MCFileInfo::orientationString, "Unknown"},
        {{{kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCStarRating, 6}}}}, &MCFileInfo::ratingString, "Not defined"},
        {{{kCGImagePropertyIPTCDictionary, QVariantMap{{kCGImagePropertyIPTCKeywords, QStringList{}}}}}, &MCFileInfo::keywordsString, ""},
        {{{kCGImagePropertyDPIWidth, 240}, {kCGImagePropertyDPIHeight, 0}}, &MCFileInfo::imageDPIString, "240.0x72.0"},
    };
    for (const TopCase &c : top) {
        MCFileInfo info(1);
        info.reloadAllPropertiesFromImageInfo(c.info);
        EXPECT_EQ((info.*c.method)(), c.text);
    }
}

TEST(FileInfo, ReloadOnWorkerWhileReading)
{
    MCFileInfo info(7);
    MCFileInfo::setImageInfoReader([](const QString &path) {
        return path == "portrait" ? QVariantMap{{kCGImagePropertyPixelWidth, 3000}, {kCGImagePropertyPixelHeight, 4000}}
                                  : QVariantMap{{kCGImagePropertyPixelWidth, 4000}, {kCGImagePropertyPixelHeight, 3000}};
    });
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i)
            info.reloadAllPropertiesFromURL(i % 2 ? "portrait" : "landscape");
        done = true;
    });
    int mixed = 0;
    while (!done) {
        const auto v = info.values(); // one snapshot: width and height always belong together
        if (v->width.isValid() && v->width.toInt() + v->height.toInt() != 7000)
            ++mixed;
    }
    worker.join();
    MCFileInfo::setImageInfoReader(nullptr);
    EXPECT_EQ(mixed, 0);
    info.reloadAllPropertiesFromURL("anything");
    EXPECT_FALSE(info.width().isValid()); // no reader: nothing read, the group is cleared
}

TEST(FileInfo, MediumDateAndTimeStyles)
{
    const QLocale saved;
    const QDateTime date(QDate(2019, 12, 31), QTime(23, 30, 5), Qt::LocalTime);
    struct Case
    {
        const char *locale;
        const char *date;
        const char *time;
    } cases[] = {{"en_US", "Dec 31, 2019", "11:30:05"}, {"de_DE", "31. Dez. 2019", "23:30:05"}, {"en_GB", "31 Dec 2019", "23:30:05"}};
    for (const Case &c : cases) {
        QLocale::setDefault(QLocale(c.locale));
        EXPECT_EQ(MCFileInfo::mediumDateString(date.date()), QString::fromUtf8(c.date)) << c.locale;
        const QString text = MCFileInfo::stringFromDate(date);
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.date) + ' ')) << text.toStdString();
        EXPECT_TRUE(text.contains(c.time)) << text.toStdString();
    }
    QLocale::setDefault(saved);
    EXPECT_TRUE(MCFileInfo::stringFromDate(std::nullopt).isEmpty());
}

TEST(FileInfo, ConcurrentReloadsOfTheTwoGroupsKeepBoth)
{
    MCFileInfo info(8);
    constexpr int kRounds = 3000;
    std::thread main([&] {
        for (int i = 1; i <= kRounds; ++i)
            info.reloadMainPropertiesFromImageInfo({{kCGImagePropertyPixelWidth, i}});
    });
    std::thread extra([&] {
        for (int i = 1; i <= kRounds; ++i)
            info.reloadExtraPropertiesFromImageInfo({{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifFNumber, i}}}});
    });
    // A reload that overwrote the other group with stale values would make a value go back.
    int width = 0, fNumber = 0, wentBack = 0;
    for (int n = 0; n < 200000 && (width < kRounds || fNumber < kRounds); ++n) {
        const auto v = info.values();
        const int w = v->width.toInt(), f = v->FNumber.toInt();
        wentBack += (w < width) + (f < fNumber);
        width = std::max(width, w);
        fNumber = std::max(fNumber, f);
    }
    main.join();
    extra.join();
    EXPECT_EQ(wentBack, 0);
    EXPECT_EQ(info.width().toInt(), kRounds);
    EXPECT_EQ(info.FNumber().toInt(), kRounds);
}
