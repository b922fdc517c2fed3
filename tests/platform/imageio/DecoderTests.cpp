#include "tests/platform/imageio/ImageFixtures.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/ImageDecoder.h"
#include "platform/imageio/MCImageProperties.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <sys/stat.h>

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The 8-bit components of one pixel.
std::vector<int> pixel8(const CGImageRef &image, size_t x, size_t y)
{
    const CGImageRef eight = platform::createScaledImage8(image, 0);
    const size_t channels = eight->bitsPerPixel() / 8;
    std::vector<int> values;
    for (size_t c = 0; c < channels; ++c)
        values.push_back(eight->row(y)[x * channels + c]);
    return values;
}

struct FormatCase
{
    const char *name;           // file name; its extension tells convert the format
    QStringList arguments;      // convert arguments before the output name
    const char *type;
    const char *model;
    int depth;
    bool alpha;
    bool isFloat;
    std::vector<int> firstPixel; // 8-bit components at (0, 0), colour then alpha
    int tolerance;
};

const QStringList kOrange = {"-size", "24x16", "xc:rgb(200,100,50)", "-depth", "8"};
const QStringList kHalfOrange = {"-size", "24x16", "xc:rgba(200,100,50,0.5)", "-depth", "8"};

QStringList with(const QStringList &base, const QStringList &more) { return base + more; }

class DecoderFormats : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(DecoderFormats, DecodesInTheFilesOwnModelAndDepth)
{
    REQUIRE_IMAGE_TOOLS();
    const FormatCase &c = GetParam();
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("formats"));
    const QString path = fixtures::make(folder, QString::fromLatin1(c.name), c.arguments);
    ASSERT_FALSE(path.isEmpty()) << "convert could not write " << c.name;

    const CGImageSourceRef source = CGImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->status(), kCGImageStatusComplete);
    EXPECT_EQ(source->type(), QString::fromLatin1(c.type));
    ASSERT_GE(source->count(), 1u);

    const QVariantMap properties = source->copyPropertiesAtIndex(0);
    EXPECT_EQ(properties.value(kCGImagePropertyPixelWidth).toInt(), 24);
    EXPECT_EQ(properties.value(kCGImagePropertyPixelHeight).toInt(), 16);
    EXPECT_EQ(properties.value(kCGImagePropertyDepth).toInt(), c.depth);
    EXPECT_EQ(properties.value(kCGImagePropertyColorModel).toString(), QString::fromLatin1(c.model));
    EXPECT_EQ(properties.value(kCGImagePropertyHasAlpha).toBool(), c.alpha);
    EXPECT_EQ(properties.value(kCGImagePropertyIsFloat).toBool(), c.isFloat);

    const CGImageRef image = source->createImageAtIndex(0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 24u);
    EXPECT_EQ(image->height(), 16u);
    EXPECT_EQ(image->bitsPerComponent(), size_t(c.depth));
    EXPECT_EQ(image->isFloat(), c.isFloat);
    EXPECT_EQ(CGImageAlphaInfoHasAlpha(image->alphaInfo()), c.alpha);
    const auto got = pixel8(image, 0, 0);
    ASSERT_EQ(got.size(), c.firstPixel.size());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], c.firstPixel[i], c.tolerance) << "component " << i;

    // Another look at the same bytes, through memory instead of the file.
    const CGImageSourceRef fromData = CGImageSource::createWithData(fixtures::read(path));
    ASSERT_TRUE(fromData->createImageAtIndex(0));
}

// The CMYK values are ImageMagick's naive separation of (200, 100, 50): no cyan, half magenta,
// three quarters yellow, 22% black. ImageMagick's Lab for it is L 53.7, a +36, b +45.
INSTANTIATE_TEST_SUITE_P(
    Formats, DecoderFormats,
    ::testing::Values(
        FormatCase{"rgb.jpg", kOrange, "public.jpeg", "RGB", 8, false, false, {200, 100, 50}, 6},
        FormatCase{"gray.jpg", with(kOrange, {"-colorspace", "Gray"}), "public.jpeg", "Gray", 8, false, false, {120}, 10},
        FormatCase{"cmyk.jpg", with(kOrange, {"-colorspace", "CMYK"}), "public.jpeg", "CMYK", 8, false, false,
                   {0, 128, 191, 55}, 6},
        FormatCase{"rgb.png", kOrange, "public.png", "RGB", 8, false, false, {200, 100, 50}, 0},
        FormatCase{"rgb16.png", with(kOrange, {"-depth", "16", "-define", "png:bit-depth=16"}), "public.png", "RGB", 16, false, false, {200, 100, 50}, 0},
        FormatCase{"alpha.png", kHalfOrange, "public.png", "RGB", 8, true, false, {200, 100, 50, 128}, 1},
        FormatCase{"palette.png", with(kOrange, {"-colors", "4"}), "public.png", "RGB", 8, false, false, {200, 100, 50}, 0},
        FormatCase{"rgb.tif", with(kOrange, {"-compress", "lzw"}), "public.tiff", "RGB", 8, false, false, {200, 100, 50}, 0},
        FormatCase{"rgb16.tif", with(kOrange, {"-depth", "16", "-compress", "zip"}), "public.tiff", "RGB", 16, false,
                   false, {200, 100, 50}, 0},
        FormatCase{"cmyk.tif", with(kOrange, {"-colorspace", "CMYK"}), "public.tiff", "CMYK", 8, false, false,
                   {0, 128, 191, 55}, 2},
        FormatCase{"lab.tif", with(kOrange, {"-colorspace", "Lab"}), "public.tiff", "Lab", 8, false, false,
                   {137, 164, 173}, 2},
        FormatCase{"alpha.tif", kHalfOrange, "public.tiff", "RGB", 8, true, false, {200, 100, 50, 128}, 1},
        FormatCase{"planar-tiled.tif", with(kOrange, {"-interlace", "plane", "-define", "tiff:tile-geometry=16x16"}),
                   "public.tiff", "RGB", 8, false, false, {200, 100, 50}, 0},
        FormatCase{"jpeg.tif", with(kOrange, {"-compress", "jpeg"}), "public.tiff", "RGB", 8, false, false,
                   {200, 100, 50}, 6},
        FormatCase{"image.gif", kOrange, "com.compuserve.gif", "RGB", 8, false, false, {200, 100, 50}, 0},
        FormatCase{"image.bmp", with(kOrange, {"-type", "TrueColor"}), "com.microsoft.bmp", "RGB", 8, false, false,
                   {200, 100, 50}, 0},
        FormatCase{"image.webp", with(kOrange, {"-quality", "95"}), "org.webmproject.webp", "RGB", 8, false, false,
                   {200, 100, 50}, 8},
        FormatCase{"alpha.webp", with(kHalfOrange, {"-define", "webp:lossless=true"}), "org.webmproject.webp", "RGB", 8,
                   true, false, {200, 100, 50, 128}, 1},
        FormatCase{"image.heic", with(kOrange, {"-quality", "95"}), "public.heic", "RGB", 8, false, false,
                   {200, 100, 50}, 10},
        FormatCase{"image.avif", with(kOrange, {"-quality", "95"}), "public.avif", "RGB", 8, false, false,
                   {200, 100, 50}, 10},
        FormatCase{"image.jp2", with(kOrange, {"-quality", "0"}), "public.jpeg-2000", "RGB", 8, false, false,
                   {200, 100, 50}, 2},
        FormatCase{"image16.jp2", with(kOrange, {"-depth", "16"}), "public.jpeg-2000", "RGB", 16, false, false,
                   {200, 100, 50}, 2}),
    [](const ::testing::TestParamInfo<FormatCase> &info) {
        QString name = QString::fromLatin1(info.param.name);
        return name.replace(QLatin1Char('.'), QLatin1Char('_')).replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
    });

TEST(DecoderContent, FormatComesFromContentNotName)
{
    REQUIRE_IMAGE_TOOLS();
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("content"));
    const QString png = fixtures::make(folder, QStringLiteral("image.png"), kOrange);
    const QString misnamed = folder + QStringLiteral("/actually-png.jpg");
    ASSERT_TRUE(QFile::copy(png, misnamed));
    const CGImageSourceRef source = CGImageSource::createWithURL(misnamed);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), QStringLiteral("public.png"));
    EXPECT_TRUE(source->createImageAtIndex(0));
}

TEST(DecoderContent, UnreadablePathsGiveNoSource)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("missing"));
    EXPECT_FALSE(CGImageSource::createWithURL(folder + QStringLiteral("/nothing.jpg")));
    EXPECT_FALSE(CGImageSource::createWithURL(folder));
    EXPECT_FALSE(CGImageSource::createWithURL(QString()));
}

// The source holds its own copy of the file: another program truncating the photo while it
// is decoded leaves the decoded image intact (a mapped file would end the process with SIGBUS).
TEST(DecoderContent, FileTruncatedAfterOpeningStillDecodes)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("truncated-later"));
    const QString path = folder + QStringLiteral("/photo.png");
    QImage picture(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x, y, (x * y) & 255)); // little to compress: several pages
    ASSERT_TRUE(picture.save(path));
    const CGImageSourceRef source = CGImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    QFile file(path);
    ASSERT_TRUE(file.resize(0));
    const CGImageRef image = source->createImageAtIndex(0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 256u);
}

// A FIFO under a photo's name gives no source at once instead of blocking until a writer comes;
// a link to an endless device gives none instead of reading until memory runs out. A link to
// a photo is followed.
TEST(DecoderContent, OnlyRegularFilesAreRead)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("not-regular"));
    const QString fifo = folder + QStringLiteral("/pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = folder + QStringLiteral("/zero.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString photo = folder + QStringLiteral("/photo.png");
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(photo));
    const QString link = folder + QStringLiteral("/link.png");
    ASSERT_TRUE(QFile::link(photo, link));

    EXPECT_FALSE(CGImageSource::createWithURL(fifo));
    EXPECT_FALSE(CGImageSource::createWithURL(zero));
    EXPECT_FALSE(CGImageSource::createWithURL(QStringLiteral("/dev/null")));
    const CGImageSourceRef linked = CGImageSource::createWithURL(link);
    ASSERT_TRUE(linked);
    EXPECT_TRUE(linked->createImageAtIndex(0));
}

TEST(DecoderContent, MultiPageTiffCountsEveryPage)
{
    REQUIRE_IMAGE_TOOLS();
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("pages"));
    const QString path = fixtures::make(folder, QStringLiteral("pages.tif"),
                                        {"-size", "24x16", "xc:red", "-size", "10x8", "xc:blue"});
    const CGImageSourceRef source = CGImageSource::createWithURL(path);
    ASSERT_EQ(source->count(), 2u);
    EXPECT_EQ(source->copyPropertiesAtIndex(1).value(kCGImagePropertyPixelWidth).toInt(), 10);
    const CGImageRef second = source->createImageAtIndex(1);
    ASSERT_TRUE(second);
    EXPECT_EQ(pixel8(second, 0, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_FALSE(source->createImageAtIndex(2));
    EXPECT_TRUE(source->copyPropertiesAtIndex(2).isEmpty());
}

TEST(DecoderContent, EmbeddedProfileBecomesTheColourSpace)
{
    REQUIRE_IMAGE_TOOLS();
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("icc"));
    const CGColorSpaceRef adobe = CGColorSpace::createWithName(kCGColorSpaceAdobeRGB1998);
    ASSERT_TRUE(adobe);
    const QString icc = folder + QStringLiteral("/adobe.icc");
    ASSERT_TRUE(fixtures::write(icc, adobe->iccData()));
    for (const char *name : {"tagged.jpg", "tagged.png", "tagged.tif", "tagged.webp"}) {
        SCOPED_TRACE(name);
        const QString path = fixtures::make(folder, QString::fromLatin1(name), with(kOrange, {"-profile", icc}));
        ASSERT_FALSE(path.isEmpty());
        const CGImageSourceRef source = CGImageSource::createWithURL(path);
        const CGImageRef image = source->createImageAtIndex(0);
        ASSERT_TRUE(image);
        EXPECT_TRUE(CGColorSpaceEqualToColorSpace(image->colorSpace(), adobe));
        EXPECT_EQ(source->copyPropertiesAtIndex(0).value(kCGImagePropertyProfileName).toString(),
                  adobe->profileDescription());
    }
    // Without a profile: sRGB, and no profile name claimed.
    const CGImageSourceRef plain = CGImageSource::createWithURL(fixtures::make(folder, QStringLiteral("plain.png"), kOrange));
    EXPECT_TRUE(CGColorSpaceEqualToColorSpace(plain->createImageAtIndex(0)->colorSpace(), CGColorSpace::createDeviceRGB()));
    EXPECT_FALSE(plain->copyPropertiesAtIndex(0).contains(kCGImagePropertyProfileName));
}

TEST(DecoderContent, FloatTiffStaysFloat)
{
    // 2 × 1 RGB, 32-bit IEEE samples, one uncompressed strip: written by hand because the
    // image tools cannot write float TIFF here.
    const std::vector<float> samples = {0.25f, 0.5f, 1.0f, 2.0f, -1.0f, 0.0f};
    QByteArray tiff("II*\0", 4);
    auto u16 = [&](uint16_t v) { tiff.append(char(v & 0xff)).append(char(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(uint16_t(v & 0xffff)); u16(uint16_t(v >> 16)); };
    const uint32_t pixelOffset = 8, bpsOffset = pixelOffset + 24, ifdOffset = bpsOffset + 6;
    u32(ifdOffset);
    tiff.append(reinterpret_cast<const char *>(samples.data()), 24);
    u16(32); u16(32); u16(32);
    const uint16_t entries[][4] = {{256, 3, 1, 2},   {257, 3, 1, 1}, {258, 3, 3, 0}, {259, 3, 1, 1}, {262, 3, 1, 2},
                                   {273, 4, 1, 0},   {277, 3, 1, 3}, {278, 3, 1, 1}, {279, 4, 1, 24}, {284, 3, 1, 1},
                                   {339, 3, 1, 3}};
    u16(uint16_t(std::size(entries)));
    for (const auto &e : entries) {
        u16(e[0]); u16(e[1]); u32(e[2]);
        const uint32_t value = e[0] == 258 ? bpsOffset : e[0] == 273 ? pixelOffset : e[3];
        if (e[1] == 3 && e[0] != 258) { u16(uint16_t(value)); u16(0); } else { u32(value); }
    }
    u32(0);
    const CGImageSourceRef source = CGImageSource::createWithData(tiff);
    const QVariantMap properties = source->copyPropertiesAtIndex(0);
    EXPECT_TRUE(properties.value(kCGImagePropertyIsFloat).toBool());
    EXPECT_EQ(properties.value(kCGImagePropertyDepth).toInt(), 32);
    const CGImageRef image = source->createImageAtIndex(0);
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->isFloat());
    const float *row = reinterpret_cast<const float *>(image->row(0));
    // Values beyond 0..1 are kept as stored: float files carry them on purpose.
    EXPECT_EQ(std::vector<float>(row, row + 6), samples);
}

TEST(DecoderOrientation, TurnsPixelsUprightForEveryOrientation)
{
    // Source 3 × 2:  1 2 3 / 4 5 6 (one gray byte per pixel).
    const QByteArray bytes("\x01\x02\x03\x04\x05\x06", 6);
    const CGImageRef image = CGImage::create(3, 2, 8, 8, 3, CGColorSpace::createDeviceGray(), kCGImageAlphaNone, bytes);
    ASSERT_TRUE(image);
    const struct { int orientation; size_t width; std::vector<int> pixels; } cases[] = {
        {1, 3, {1, 2, 3, 4, 5, 6}}, {2, 3, {3, 2, 1, 6, 5, 4}}, {3, 3, {6, 5, 4, 3, 2, 1}},
        {4, 3, {4, 5, 6, 1, 2, 3}}, {5, 2, {1, 4, 2, 5, 3, 6}}, {6, 2, {4, 1, 5, 2, 6, 3}},
        {7, 2, {6, 3, 5, 2, 4, 1}}, {8, 2, {3, 6, 2, 5, 1, 4}},
    };
    for (const auto &c : cases) {
        const CGImageRef turned = platform::createImageWithOrientation(image, c.orientation);
        ASSERT_TRUE(turned);
        ASSERT_EQ(turned->width(), c.width) << "orientation " << c.orientation;
        std::vector<int> got;
        for (size_t y = 0; y < turned->height(); ++y)
            for (size_t x = 0; x < turned->width(); ++x)
                got.push_back(turned->row(y)[x]);
        EXPECT_EQ(got, c.pixels) << "orientation " << c.orientation;
    }
    EXPECT_EQ(platform::createImageWithOrientation(image, 0), image);
    EXPECT_EQ(platform::createImageWithOrientation(image, 9), image);
}

TEST(DecoderScaling, AreaAverageKeepsAspectAndColour)
{
    // 4 × 2 RGB, left half black, right half white, 16 bits: scaled to 2 × 1 at 8 bits.
    std::vector<uint16_t> pixels(4 * 2 * 3, 0);
    for (size_t y = 0; y < 2; ++y)
        for (size_t x = 2; x < 4; ++x)
            for (size_t c = 0; c < 3; ++c)
                pixels[(y * 4 + x) * 3 + c] = 65535;
    const QByteArray bytes(reinterpret_cast<const char *>(pixels.data()), int(pixels.size() * 2));
    const CGImageRef image = CGImage::create(4, 2, 16, 48, 24, CGColorSpace::createDeviceRGB(), kCGImageAlphaNone, bytes);
    const CGImageRef scaled = platform::createScaledImage8(image, 2);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->width(), 2u);
    EXPECT_EQ(scaled->height(), 1u);
    EXPECT_EQ(scaled->bitsPerComponent(), 8u);
    EXPECT_EQ(pixel8(scaled, 0, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(pixel8(scaled, 1, 0), (std::vector<int>{255, 255, 255}));
}

// Every file of tests/data/broken through every decoder and through the image source: no
// crash, no image, no read outside the data (run under the sanitizers in CI).
TEST(DecoderBrokenInput, CorpusGivesNoImage)
{
    const QDir corpus(testsupport::dataPath(QStringLiteral("broken")));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        // A private copy, so a decoder reading past the end meets the sanitizer's red zone.
        const QByteArray file = fixtures::read(corpus.filePath(name));
        const QByteArray data(file.constData(), file.size());
        for (auto &decoder : platform::createAllDecoders()) {
            if (!decoder->open(data))
                continue;
            for (size_t i = 0; i < decoder->count(); ++i) {
                EXPECT_FALSE(decoder->decode(i, 0)) << decoder->typeIdentifier().toStdString();
                decoder->embeddedThumbnail(i);
                decoder->formatProperties(i);
            }
        }
        const CGImageSourceRef source = CGImageSource::createWithData(data);
        EXPECT_FALSE(source->createImageAtIndex(0));
        EXPECT_FALSE(source->createThumbnailAtIndex(0, {{kCGImageSourceCreateThumbnailFromImageAlways, true}}));
        source->copyPropertiesAtIndex(0);
    }
}

TEST(DecoderBrokenInput, TruncatedFilesOfEveryFormatGiveNoImage)
{
    REQUIRE_IMAGE_TOOLS();
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("truncated"));
    for (const char *name : {"t.jpg", "t.png", "t.tif", "t.webp", "t.heic", "t.avif", "t16.png"}) {
        SCOPED_TRACE(name);
        const QString path = fixtures::make(folder, QString::fromLatin1(name),
                                            {"-size", "96x64", "plasma:fractal", "-seed", "3"});
        ASSERT_FALSE(path.isEmpty());
        const QByteArray whole = fixtures::read(path);
        ASSERT_TRUE(CGImageSource::createWithData(whole)->createImageAtIndex(0));
        for (int percent : {90, 50, 10}) {
            const QByteArray part = whole.left(whole.size() * percent / 100);
            EXPECT_FALSE(CGImageSource::createWithData(part)->createImageAtIndex(0)) << percent << "%";
        }
    }
}

} // namespace
