#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace {

enum Depth { Bits8, Bits16, Float32 };

CGColorSpaceRef spaceFor(CGColorSpaceModel model)
{
    switch (model) {
    case kCGColorSpaceModelMonochrome:
        return CGColorSpace::createWithName(kCGColorSpaceGenericGrayGamma2_2);
    case kCGColorSpaceModelCMYK:
        return CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    case kCGColorSpaceModelLab:
        return CGColorSpace::createWithName(kCGColorSpaceGenericLab);
    default:
        return CGColorSpace::createWithName(kCGColorSpaceSRGB);
    }
}

// A smooth test pattern: component c of pixel (x, y) as a fraction 0..1.
double patternValue(size_t x, size_t y, size_t c, size_t w, size_t h)
{
    switch (c % 4) {
    case 0:
        return double(x) / double(w - 1);
    case 1:
        return double(y) / double(h - 1);
    case 2:
        return double(x + y) / double(w + h - 2);
    default:
        return 0.25 + 0.5 * double(x) / double(w - 1);
    }
}

// An image of `model` and depth in host order with alpha last (straight) when `alpha`.
CGImageRef makeImage(CGColorSpaceModel model, Depth depth, bool alpha, size_t w = 48, size_t h = 32)
{
    const CGColorSpaceRef space = spaceFor(model);
    const size_t colours = space->numberOfComponents();
    const size_t channels = colours + (alpha ? 1 : 0);
    const size_t bits = depth == Bits8 ? 8 : depth == Bits16 ? 16 : 32;
    const size_t bpr = w * channels * bits / 8;
    QByteArray data(qsizetype(bpr * h), Qt::Uninitialized);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
            for (size_t c = 0; c < channels; ++c) {
                double v = c == colours ? double(x) / double(w - 1) : patternValue(x, y, c, w, h);
                const size_t i = (y * w + x) * channels + c;
                if (depth == Bits8)
                    reinterpret_cast<uint8_t *>(data.data())[i] = uint8_t(std::lround(v * 255));
                else if (depth == Bits16)
                    reinterpret_cast<uint16_t *>(data.data())[i] = uint16_t(std::lround(v * 65535));
                else
                    reinterpret_cast<float *>(data.data())[i] = float(model == kCGColorSpaceModelLab && c == 0 ? v * 100 : v);
            }
    CGBitmapInfo info = alpha ? kCGImageAlphaLast : kCGImageAlphaNone;
    if (depth == Float32)
        info |= kCGBitmapFloatComponents;
    return CGImage::create(w, h, bits, bits * channels, bpr, space, info, data);
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool haveTool(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// exiftool's numeric view of a file (-n), tags without group names.
QJsonObject exifTool(const QString &path)
{
    const QJsonDocument doc = QJsonDocument::fromJson(run(QStringLiteral("exiftool"), {"-j", "-n", path}).toUtf8());
    return doc.array().isEmpty() ? QJsonObject() : doc.array().first().toObject();
}

QString extensionFor(const QString &type)
{
    static const QHash<QString, QString> extensions = {
        {kUTTypeGIF, "gif"}, {kUTTypeJPEG, "jpg"}, {kUTTypeJPEG2000, "jp2"}, {kUTTypePDF, "pdf"},
        {kUTTypePNG, "png"}, {kUTTypeTIFF, "tiff"}, {kUTTypeBMP, "bmp"},     {kUTTypeHEIC, "heic"}};
    return extensions.value(type);
}

bool writeImage(const QString &path, const QString &type, const CGImageRef &image, const QVariantMap &properties,
                MCError *error)
{
    auto destination = MCImageDestination::createWithURL(path, type, 1, error);
    if (!destination)
        return false;
    destination->addImage(image, properties);
    return destination->finalize(error);
}

QVariantMap photoProperties()
{
    return {
        {kCGImagePropertyOrientation, 6},
        {kCGImagePropertyDPIWidth, 300.0},
        {kCGImagePropertyDPIHeight, 300.0},
        {kCGImagePropertyTIFFDictionary,
         QVariantMap{{kCGImagePropertyTIFFMake, "Quillon Test Camera"},
                     {kCGImagePropertyTIFFSoftware, "Quillon X 1.0"},
                     {kCGImagePropertyTIFFOrientation, 6}}},
        {kCGImagePropertyExifDictionary,
         QVariantMap{{kCGImagePropertyExifDateTimeOriginal, "2024:05:06 07:08:09"},
                     {kCGImagePropertyExifExposureTime, 0.004},
                     {kCGImagePropertyExifFNumber, 2.8},
                     {kCGImagePropertyExifISOSpeedRatings, QVariantList{400}},
                     {kCGImagePropertyExifPixelXDimension, 9999}}},
        {kCGImagePropertyGPSDictionary,
         QVariantMap{{kCGImagePropertyGPSLatitude, 48.858222},
                     {kCGImagePropertyGPSLatitudeRef, "N"},
                     {kCGImagePropertyGPSLongitude, 2.2945},
                     {kCGImagePropertyGPSLongitudeRef, "W"}}},
        {kCGImagePropertyIPTCDictionary,
         QVariantMap{{kCGImagePropertyIPTCKeywords, QVariantList{"tower", "été"}},
                     {kCGImagePropertyIPTCCity, "Paris"}}},
    };
}

class WriterTest : public ::testing::Test
{
protected:
    void SetUp() override { m_folder = testsupport::makeTemporaryFolder(QStringLiteral("writer")); }
    QString pathFor(const QString &name) const { return QDir(m_folder).filePath(name); }
    QString m_folder;
};

TEST_F(WriterTest, TypeIdentifiersFollowTheOutputFormatNumbers)
{
    EXPECT_EQ(MCImageDestination::copyTypeIdentifiers(),
              QStringList({"com.compuserve.gif", "public.jpeg", "public.jpeg-2000", "com.adobe.pdf", "public.png",
                           "public.tiff", "com.microsoft.bmp", "public.heic"}));
}

TEST_F(WriterTest, UnknownTypeAndImageCountsAreRefused)
{
    MCError error;
    EXPECT_FALSE(MCImageDestination::createWithURL(pathFor("a.xyz"), "public.xyz", 1, &error));
    EXPECT_TRUE(error.is(MCImageDestinationErrorDomain, kMCImageDestinationUnsupportedType)) << error.toString().toStdString();
    EXPECT_FALSE(MCImageDestination::createWithURL(pathFor("a.tiff"), kUTTypeTIFF, 2, &error));
    EXPECT_FALSE(MCImageDestination::createWithURL(pathFor("a.tiff"), kUTTypeTIFF, 0, &error));
    auto destination = MCImageDestination::createWithURL(pathFor("none.png"), kUTTypePNG, 1, &error);
    ASSERT_TRUE(destination);
    EXPECT_FALSE(destination->finalize(&error)); // no image added
    EXPECT_TRUE(error.is(MCImageDestinationErrorDomain, kMCImageDestinationInvalidImage));
    EXPECT_FALSE(QFileInfo::exists(pathFor("none.png")));
}

// A refused or failed write leaves what was at the destination untouched and nothing new.
TEST_F(WriterTest, FailureLeavesNoFileBehind)
{
    const QString existing = pathFor("keep.jpg");
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious");
    }
    MCError error;
    EXPECT_FALSE(writeImage(existing, kUTTypeJPEG, makeImage(kCGColorSpaceModelRGB, Bits8, true), {}, &error));
    EXPECT_TRUE(error.is(MCImageDestinationErrorDomain, kMCImageDestinationUnsupportedPixelFormat));
    EXPECT_FALSE(error.localizedDescription().isEmpty());
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("precious"));
    EXPECT_EQ(QDir(m_folder).entryList(QDir::Files), QStringList({"keep.jpg"}));

    const QString missing = pathFor("no/such/folder/out.png");
    EXPECT_FALSE(writeImage(missing, kUTTypePNG, makeImage(kCGColorSpaceModelRGB, Bits8, false), {}, &error));
    EXPECT_TRUE(error.is(MCImageDestinationErrorDomain, kMCImageDestinationWriteFailed)) << error.toString().toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
}

// The photo whose metadata travels is read like any photo of the user's: one that is gone,
// a folder or a FIFO (which would block a plain open) fails the write at once, and nothing is
// left at the destination.
TEST_F(WriterTest, AnUnreadableMetadataSourceFailsTheWrite)
{
    const QString fifo = pathFor("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &source : {pathFor("gone.jpg"), m_folder, fifo}) {
        const QString out = pathFor("out.jpg");
        MCError error;
        EXPECT_FALSE(writeImage(out, kUTTypeJPEG, makeImage(kCGColorSpaceModelRGB, Bits8, false),
                                {{kMCImageDestinationMetadataSource, source}}, &error))
            << source.toStdString();
        EXPECT_TRUE(error.is(MCImageDestinationErrorDomain, kMCImageDestinationMetadataFailed))
            << error.toString().toStdString();
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

struct Combination
{
    const QString &type;
    CGColorSpaceModel model;
    Depth depth;
    bool alpha;
    bool written;
};

QString identifyColorspace(CGColorSpaceModel model)
{
    switch (model) {
    case kCGColorSpaceModelMonochrome:
        return "Gray";
    case kCGColorSpaceModelCMYK:
        return "CMYK";
    case kCGColorSpaceModelLab:
        return "Lab";
    default:
        return "sRGB";
    }
}

// Every format, colour model and depth is either written so that an independent reader sees
// the same size, model, depth, alpha and profile, or refused with a reason.
TEST_F(WriterTest, FormatModelDepthTable)
{
    using M = CGColorSpaceModel;
    const M gray = kCGColorSpaceModelMonochrome, rgb = kCGColorSpaceModelRGB, cmyk = kCGColorSpaceModelCMYK,
            lab = kCGColorSpaceModelLab;
    const Combination table[] = {
        {kUTTypeJPEG, gray, Bits8, false, true},      {kUTTypeJPEG, rgb, Bits8, false, true},
        {kUTTypeJPEG, cmyk, Bits8, false, true},      {kUTTypeJPEG, lab, Bits8, false, false},
        {kUTTypeJPEG, rgb, Bits16, false, false},     {kUTTypeJPEG, rgb, Bits8, true, false},
        {kUTTypePNG, gray, Bits8, false, true},       {kUTTypePNG, gray, Bits16, true, true},
        {kUTTypePNG, rgb, Bits8, true, true},         {kUTTypePNG, rgb, Bits16, false, true},
        {kUTTypePNG, rgb, Float32, false, false},     {kUTTypePNG, cmyk, Bits8, false, false},
        {kUTTypePNG, lab, Bits8, false, false},       {kUTTypeTIFF, gray, Bits8, false, true},
        {kUTTypeTIFF, gray, Float32, false, true},    {kUTTypeTIFF, rgb, Bits8, true, true},
        {kUTTypeTIFF, rgb, Bits16, false, true},      {kUTTypeTIFF, rgb, Float32, true, true},
        {kUTTypeTIFF, cmyk, Bits8, false, true},      {kUTTypeTIFF, cmyk, Bits16, false, true},
        {kUTTypeTIFF, lab, Bits8, false, true},       {kUTTypeTIFF, lab, Bits16, false, true},
        {kUTTypeBMP, gray, Bits8, false, true},       {kUTTypeBMP, rgb, Bits8, false, true},
        {kUTTypeBMP, rgb, Bits8, true, true},         {kUTTypeBMP, cmyk, Bits8, false, false},
        {kUTTypeBMP, rgb, Bits16, false, false},      {kUTTypeGIF, gray, Bits8, false, true},
        {kUTTypeGIF, rgb, Bits8, true, true},         {kUTTypeGIF, rgb, Bits16, false, false},
        {kUTTypeGIF, cmyk, Bits8, false, false},      {kUTTypeHEIC, rgb, Bits8, false, true},
        {kUTTypeHEIC, rgb, Bits8, true, true},        {kUTTypeHEIC, rgb, Bits16, false, false},
        {kUTTypeHEIC, cmyk, Bits8, false, false},     {kUTTypePDF, rgb, Float32, false, false},
        {kUTTypeJPEG2000, gray, Bits8, false, true},  {kUTTypeJPEG2000, gray, Bits16, true, true},
        {kUTTypeJPEG2000, rgb, Bits8, true, true},    {kUTTypeJPEG2000, rgb, Bits16, false, true},
        {kUTTypeJPEG2000, cmyk, Bits8, false, true},  {kUTTypeJPEG2000, lab, Bits8, false, false},
        {kUTTypeJPEG2000, rgb, Float32, false, false},
    };
    for (const Combination &c : table) {
        const CGImageRef image = makeImage(c.model, c.depth, c.alpha);
        ASSERT_TRUE(image);
        const QString name = QStringLiteral("t_%1_%2_%3_%4.%5")
                                 .arg(int(c.model)).arg(int(c.depth)).arg(c.alpha).arg(QString(c.type).remove('.'), extensionFor(c.type));
        SCOPED_TRACE(name.toStdString());
        MCError error;
        const bool written = writeImage(pathFor(name), c.type, image, {}, &error);
        EXPECT_EQ(written, c.written) << error.toString().toStdString();
        EXPECT_EQ(MCImageDestination::canWriteImage(c.type, image), c.written);
        if (!written) {
            EXPECT_TRUE(error.is(MCImageDestinationErrorDomain, kMCImageDestinationUnsupportedPixelFormat));
            EXPECT_FALSE(QFileInfo::exists(pathFor(name)));
            continue;
        }
        // ImageMagick: size, colour space, depth, alpha.
        const QStringList facts =
            run("identify", {"-format", "%w %h %[colorspace] %z %A %[type]", pathFor(name)}).split(' ');
        ASSERT_EQ(facts.size(), 6) << facts.join(' ').toStdString();
        EXPECT_EQ(facts[0], "48");
        EXPECT_EQ(facts[1], "32");
        const QJsonObject tags = exifTool(pathFor(name));
        // ImageMagick reads JPEG 2000 with four components as RGBA and a profiled gray with
        // alpha as RGB: the header and the profile say what is stored.
        // Plain JP2 has no CMYK: such an image is stored as sRGB.
        const bool jp2CMYK = c.type == kUTTypeJPEG2000 && c.model == cmyk;
        const CGColorSpaceRef stored = jp2CMYK ? CGColorSpace::createWithName(kCGColorSpaceSRGB) : image->colorSpace();
        const bool jp2Header = c.type == kUTTypeJPEG2000 && c.model == gray && c.alpha;
        if (jp2Header) {
            EXPECT_EQ(tags.value("NumberOfComponents").toInt(), int(image->colorSpace()->numberOfComponents()) + c.alpha);
            EXPECT_EQ(tags.value("ColorSpaceData").toString().trimmed(), "GRAY");
        } else if (c.model == lab) // ImageMagick reads ICC Lab TIFF as converted RGB; the tag says what is stored
            EXPECT_EQ(tags.value("PhotometricInterpretation").toInt(), 9);
        else if (c.model == gray && (c.type == kUTTypeGIF || c.type == kUTTypeBMP)) // palette of grays
            EXPECT_TRUE(facts[5].startsWith("Grayscale")) << facts[5].toStdString();
        else
            EXPECT_EQ(facts[2], identifyColorspace(jp2CMYK ? rgb : c.model));
        EXPECT_EQ(facts[3].toInt(), c.depth == Bits8 ? 8 : c.depth == Bits16 ? 16 : 32);
        if (c.type != kUTTypeHEIC && !jp2Header) { // ImageMagick's HEIC reader leaves the alpha image out
            EXPECT_EQ(facts[4] != "False" && facts[4] != "Undefined", c.alpha) << facts[4].toStdString();
        }
        // exiftool: the embedded profile is the image's own.
        if (c.type != kUTTypeGIF) { // GIF has no place for a profile
            EXPECT_EQ(tags.value("ProfileDescription").toString(), stored->profileDescription());
        }
    }
}

// PDF: one page, the image as an XObject of the right size, colour space, depth and soft mask,
// the page as large as the image at its resolution.
TEST_F(WriterTest, PdfPageHoldsTheImage)
{
    if (!haveTool("pdfimages") || !haveTool("pdfinfo"))
        GTEST_SKIP() << "poppler-utils are not installed";
    struct Case
    {
        CGColorSpaceModel model;
        Depth depth;
        bool alpha;
        const char *color;
        int bpc;
    } cases[] = {{kCGColorSpaceModelRGB, Bits8, true, "icc", 8},
                 {kCGColorSpaceModelMonochrome, Bits16, false, "icc", 16},
                 {kCGColorSpaceModelCMYK, Bits8, false, "icc", 8},
                 {kCGColorSpaceModelLab, Bits8, false, "icc", 8}};
    for (const Case &c : cases) {
        const QString path = pathFor(QStringLiteral("p%1%2.pdf").arg(int(c.model)).arg(int(c.depth)));
        MCError error;
        ASSERT_TRUE(writeImage(path, kUTTypePDF, makeImage(c.model, c.depth, c.alpha), {{kCGImagePropertyDPIWidth, 144.0}, {kCGImagePropertyDPIHeight, 72.0}}, &error))
            << error.toString().toStdString();
        const QString info = run("pdfinfo", {path});
        EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\b"))) << info.toStdString();
        EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+24 x 32 pts"))) << info.toStdString();
        const QStringList rows = run("pdfimages", {"-list", path}).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(rows.size(), 2 + (c.alpha ? 2 : 1)) << rows.join('\n').toStdString();
        const QStringList fields = rows[2].simplified().split(' ');
        EXPECT_EQ(fields[2], "image");
        EXPECT_EQ(fields[3], "48");
        EXPECT_EQ(fields[4], "32");
        EXPECT_EQ(fields[5], c.color);
        EXPECT_EQ(fields[7].toInt(), c.bpc);
        if (c.alpha) {
            EXPECT_EQ(rows[3].simplified().split(' ')[2], "smask");
        }
    }
}

// Lossless formats give back every pixel; 16-bit components in either byte order and
// premultiplied alpha are written as straight values.
TEST_F(WriterTest, LosslessPixelsSurviveIndependentDecoding)
{
    const CGImageRef rgb = makeImage(kCGColorSpaceModelRGB, Bits8, false, 9, 7);
    for (const QString &type : {kUTTypePNG, kUTTypeTIFF, kUTTypeJPEG2000}) {
        const QString path = pathFor("pixels." + extensionFor(type));
        MCError error;
        ASSERT_TRUE(writeImage(path, type, rgb, {}, &error)) << error.toString().toStdString();
        QProcess process;
        process.start("convert", {path, "-depth", "8", "rgb:-"});
        ASSERT_TRUE(process.waitForFinished());
        EXPECT_EQ(process.readAllStandardOutput(), QByteArray(reinterpret_cast<const char *>(rgb->bytes()), qsizetype(rgb->byteCount())))
            << type.toStdString();
    }

    // Premultiplied, alpha first, 16-bit big-endian: one pixel of half-transparent (0.2, 0.4, 0.6).
    const uint16_t a = 32768;
    const uint16_t stored[4] = {a, uint16_t(std::lround(0.2 * a)), uint16_t(std::lround(0.4 * a)), uint16_t(std::lround(0.6 * a))};
    QByteArray data(8, 0);
    for (int i = 0; i < 4; ++i)
        qToBigEndian(stored[i], data.data() + 2 * i);
    const CGImageRef premultiplied = CGImage::create(1, 1, 16, 64, 8, spaceFor(kCGColorSpaceModelRGB),
                                                     kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder16Big, data);
    ASSERT_TRUE(premultiplied);
    MCError error;
    ASSERT_TRUE(writeImage(pathFor("premultiplied.png"), kUTTypePNG, premultiplied, {}, &error));
    QProcess process;
    process.start("convert", {pathFor("premultiplied.png"), "-depth", "16", "rgba:-"});
    ASSERT_TRUE(process.waitForFinished());
    const QByteArray rgba = process.readAllStandardOutput();
    ASSERT_EQ(rgba.size(), 8);
    const double expected[4] = {0.2, 0.4, 0.6, 32768.0 / 65535.0};
    for (int i = 0; i < 4; ++i) // ImageMagick answers in host order for rgba:
        EXPECT_NEAR(qFromLittleEndian<uint16_t>(rgba.constData() + 2 * i) / 65535.0, expected[i], 1e-4) << i;
}

// The property dictionary reaches the file: orientation, dates, exposure, GPS, IPTC, DPI;
// the pixel size written is the image's, not the stale one in the dictionary.
TEST_F(WriterTest, PropertiesAreWrittenAsExifIptcAndGps)
{
    const CGImageRef image = makeImage(kCGColorSpaceModelRGB, Bits8, false);
    for (const QString &type : {kUTTypeJPEG, kUTTypePNG, kUTTypeTIFF, kUTTypeJPEG2000}) {
        SCOPED_TRACE(type.toStdString());
        const QString path = pathFor("meta." + extensionFor(type));
        MCError error;
        ASSERT_TRUE(writeImage(path, type, image, photoProperties(), &error)) << error.toString().toStdString();
        const QJsonObject tags = exifTool(path);
        EXPECT_EQ(tags.value("Orientation").toInt(), 6);
        EXPECT_EQ(tags.value("Make").toString(), "Quillon Test Camera");
        EXPECT_EQ(tags.value("Software").toString(), "Quillon X 1.0");
        EXPECT_EQ(tags.value("DateTimeOriginal").toString(), "2024:05:06 07:08:09");
        EXPECT_DOUBLE_EQ(tags.value("ExposureTime").toDouble(), 0.004);
        EXPECT_DOUBLE_EQ(tags.value("FNumber").toDouble(), 2.8);
        EXPECT_EQ(tags.value("ISO").toInt(), 400);
        EXPECT_EQ(tags.value("ExifImageWidth").toInt(), 48);
        EXPECT_NEAR(tags.value("GPSLatitude").toDouble(), 48.858222, 1e-6);
        EXPECT_NEAR(tags.value("GPSLongitude").toDouble(), -2.2945, 1e-6);
        // JPEG 2000 carries the IPTC fields in its XMP, where keywords are the subject.
        EXPECT_EQ(tags.value(type == kUTTypeJPEG2000 ? "Subject" : "Keywords").toArray(), QJsonArray({"tower", "été"}));
        EXPECT_EQ(tags.value("City").toString(), "Paris");
        EXPECT_EQ(tags.value("XResolution").toDouble(), 300.0);
        EXPECT_EQ(tags.value("ProfileDescription").toString(), "sRGB IEC61966-2.1");
    }
}

TEST_F(WriterTest, PngTextsAndResolution)
{
    QVariantMap properties = {{kCGImagePropertyDPIWidth, 240.0},
                              {kCGImagePropertyDPIHeight, 120.0},
                              {kCGImagePropertyPNGDictionary,
                               QVariantMap{{kCGImagePropertyPNGAuthor, "Anaïs"},
                                           {kCGImagePropertyPNGCopyright, "© 2024"},
                                           {kCGImagePropertyPNGDescription, "A test"}}}};
    MCError error;
    ASSERT_TRUE(writeImage(pathFor("texts.png"), kUTTypePNG, makeImage(kCGColorSpaceModelRGB, Bits8, false), properties, &error));
    const QJsonObject tags = exifTool(pathFor("texts.png"));
    EXPECT_EQ(tags.value("Author").toString(), "Anaïs");
    EXPECT_EQ(tags.value("Copyright").toString(), "© 2024");
    EXPECT_EQ(tags.value("Description").toString(), "A test");
    EXPECT_NEAR(tags.value("PixelsPerUnitX").toDouble(), 240 / 0.0254, 1);
    EXPECT_NEAR(tags.value("PixelsPerUnitY").toDouble(), 120 / 0.0254, 1);
}

// An sRGB-like profile whose header names D65 as the PCS illuminant, as Display P3 and
// Rec. 2020 test images do; libpng's own profile checks refuse such profiles.
QByteArray profileWithD65Illuminant()
{
    QByteArray icc = CGColorSpace::createWithName(kCGColorSpaceSRGB)->iccData();
    const qint32 d65[3] = {qint32(0.9505 * 65536), 65536, qint32(1.0890 * 65536)};
    for (int i = 0; i < 3; ++i)
        qToBigEndian(d65[i], icc.data() + 68 + 4 * i);
    return icc;
}

TEST_F(WriterTest, PngKeepsProfilesLibpngWouldRefuse)
{
    const QByteArray icc = profileWithD65Illuminant();
    const CGImageRef plain = makeImage(kCGColorSpaceModelRGB, Bits8, true);
    const CGImageRef tagged = CGImage::create(plain->width(), plain->height(), 8, 32, plain->bytesPerRow(),
                                              CGColorSpace::createWithICCData(icc), plain->bitmapInfo(),
                                              plain->dataOwner(), plain->byteCount());
    ASSERT_TRUE(tagged);
    MCError error;
    ASSERT_TRUE(writeImage(pathFor("d65.png"), kUTTypePNG, tagged, {}, &error)) << error.localizedDescription().toStdString();
    const CGImageSourceRef source = CGImageSource::createWithURL(pathFor("d65.png"));
    ASSERT_TRUE(source);
    const CGImageRef back = source->createImageAtIndex(0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->colorSpace()->iccData(), icc);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(back->bytes()), qsizetype(back->bytesPerRow() * back->height())),
              QByteArray(reinterpret_cast<const char *>(plain->bytes()), qsizetype(plain->bytesPerRow() * plain->height())));
    if (haveTool(QStringLiteral("exiftool"))) {
        EXPECT_FALSE(exifTool(pathFor("d65.png")).value("ProfileDescription").toString().isEmpty());
    }
}

TEST_F(WriterTest, GifHoldsColoursConvertedToSRGB)
{
    // Linear 0.5 is sRGB-encoded 0.7354 (188): a GIF cannot carry the profile, so the values
    // it holds must already be sRGB's.
    QByteArray data(8 * 8 * 3, char(128));
    const CGImageRef linear = CGImage::create(8, 8, 8, 24, 24, CGColorSpace::createWithName(kCGColorSpaceLinearSRGB),
                                              kCGImageAlphaNone, data);
    MCError error;
    ASSERT_TRUE(writeImage(pathFor("linear.gif"), kUTTypeGIF, linear, {}, &error)) << error.localizedDescription().toStdString();
    const CGImageSourceRef source = CGImageSource::createWithURL(pathFor("linear.gif"));
    ASSERT_TRUE(source);
    const CGImageRef back = source->createImageAtIndex(0);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->bitsPerComponent(), 8u);
    const size_t channels = back->bitsPerPixel() / 8;
    for (size_t c = 0; c < std::min<size_t>(channels, 3); ++c)
        EXPECT_NEAR(back->row(4)[4 * channels + c], 188, 2) << c;
}

TEST_F(WriterTest, TiffCompressionAndJpegQuality)
{
    const CGImageRef image = makeImage(kCGColorSpaceModelRGB, Bits16, false, 64, 64);
    for (int compression : {1, 5, 32773, 7}) {
        const QString path = pathFor(QStringLiteral("c%1.tiff").arg(compression));
        const QVariantMap properties = {{kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFCompression, compression}}}};
        MCError error;
        ASSERT_TRUE(writeImage(path, kUTTypeTIFF, image, properties, &error)) << error.toString().toStdString();
        EXPECT_EQ(exifTool(path).value("Compression").toInt(), compression == 7 ? 1 : compression);
    }

    const CGImageRef photo = makeImage(kCGColorSpaceModelRGB, Bits8, false, 256, 256);
    qint64 previous = 0;
    for (double quality : {0.1, 0.6, 1.0}) {
        const QString path = pathFor(QStringLiteral("q%1.jpg").arg(quality));
        MCError error;
        ASSERT_TRUE(writeImage(path, kUTTypeJPEG, photo, {{kCGImageDestinationLossyCompressionQuality, quality}}, &error));
        EXPECT_GT(QFileInfo(path).size(), previous) << quality;
        previous = QFileInfo(path).size();
    }
}

TEST_F(WriterTest, JpegThumbnailOnlyWhenAsked)
{
    const CGImageRef image = makeImage(kCGColorSpaceModelRGB, Bits8, false, 640, 400);
    for (bool embed : {false, true}) {
        const QString path = pathFor(QStringLiteral("thumb%1.jpg").arg(embed));
        MCError error;
        ASSERT_TRUE(writeImage(path, kUTTypeJPEG, image, {{kCGImageDestinationEmbedThumbnail, embed}}, &error));
        const QJsonObject tags = exifTool(path);
        EXPECT_EQ(tags.contains("ThumbnailLength"), embed);
        if (embed) {
            QProcess process;
            process.start("exiftool", {"-b", "-ThumbnailImage", path});
            ASSERT_TRUE(process.waitForFinished());
            const QString size = run("identify", {"-format", "%w %h", "jpg:" + path}); // main image
            EXPECT_EQ(size, "640 400");
            QFile thumb(pathFor("t.jpg"));
            ASSERT_TRUE(thumb.open(QIODevice::WriteOnly));
            thumb.write(process.readAllStandardOutput());
            thumb.close();
            EXPECT_EQ(run("identify", {"-format", "%w %h", pathFor("t.jpg")}), "160 100");
        }
    }
}

// JPEG 2000 read back by our own decoder: size, model, depth, alpha and profile as written;
// quality 1 keeps every sample (8 and 16 bits), lower qualities make smaller files.
TEST_F(WriterTest, Jpeg2000ReadsBackAsWritten)
{
    struct Case
    {
        CGColorSpaceModel model;
        Depth depth;
        bool alpha;
    } cases[] = {{kCGColorSpaceModelRGB, Bits8, false},
                 {kCGColorSpaceModelRGB, Bits16, true},
                 {kCGColorSpaceModelMonochrome, Bits16, false},
                 {kCGColorSpaceModelMonochrome, Bits8, true},
                 {kCGColorSpaceModelRGB, Bits8, true}};
    for (const Case &c : cases) {
        const CGImageRef image = makeImage(c.model, c.depth, c.alpha, 37, 5); // odd sizes, few levels
        const QString path = pathFor(QStringLiteral("rb%1%2%3.jp2").arg(int(c.model)).arg(int(c.depth)).arg(c.alpha));
        SCOPED_TRACE(path.toStdString());
        MCError error;
        ASSERT_TRUE(writeImage(path, kUTTypeJPEG2000, image, {}, &error)) << error.toString().toStdString();
        const CGImageSourceRef source = CGImageSource::createWithURL(path);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->type(), kUTTypeJPEG2000);
        const CGImageRef read = source->createImageAtIndex(0);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->width(), 37u);
        EXPECT_EQ(read->height(), 5u);
        EXPECT_EQ(read->colorSpace()->model(), c.model);
        EXPECT_EQ(read->bitsPerComponent(), c.depth == Bits8 ? 8u : 16u);
        EXPECT_EQ(read->alphaInfo() != kCGImageAlphaNone, c.alpha);
        EXPECT_TRUE(CGColorSpaceEqualToColorSpace(read->colorSpace(), image->colorSpace()));
        ASSERT_EQ(read->bytesPerRow() * read->height(), image->byteCount());
        for (size_t y = 0; y < 5; ++y)
            EXPECT_EQ(std::memcmp(read->row(y), image->row(y), image->bytesPerRow()), 0) << "row " << y;
    }

    // Noise, so that no rate is enough to keep it whole.
    QByteArray noise(256 * 256 * 3, Qt::Uninitialized);
    uint32_t state = 12345;
    for (char &byte : noise) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    const CGImageRef photo = CGImage::create(256, 256, 8, 24, 768, spaceFor(kCGColorSpaceModelRGB), kCGImageAlphaNone, noise);
    qint64 previous = 0;
    for (double quality : {0.2, 0.7, 0.95, 1.0}) {
        const QString path = pathFor(QStringLiteral("q%1.jp2").arg(quality));
        MCError error;
        ASSERT_TRUE(writeImage(path, kUTTypeJPEG2000, photo, {{kCGImageDestinationLossyCompressionQuality, quality}}, &error));
        EXPECT_GT(QFileInfo(path).size(), previous) << quality;
        previous = QFileInfo(path).size();
        EXPECT_EQ(run("identify", {"-format", "%w %h", path}), "256 256");
    }
}

} // namespace
