#include "tests/platform/imageio/ImageFixtures.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/ImageDecoder.h"
#include "platform/imageio/MCImageProperties.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <sys/stat.h>

#include <array>

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
                   {200, 100, 50}, 2},
        // Through Qt's readers and image plug-ins.
        FormatCase{"image.ppm", kOrange, "public.pbm", "RGB", 8, false, false, {200, 100, 50}, 0},
        FormatCase{"gray.pgm", with(kOrange, {"-colorspace", "Gray"}), "public.pbm", "Gray", 8, false, false, {120},
                   10},
        FormatCase{"image.ico", kOrange, "com.microsoft.ico", "RGB", 8, true, false, {200, 100, 50, 255}, 0},
        // Targa, read by our own decoder.
        FormatCase{"image.tga", kOrange, "com.truevision.tga-image", "RGB", 8, false, false, {200, 100, 50}, 0},
        FormatCase{"rle.tga", with(kOrange, {"-compress", "RLE"}), "com.truevision.tga-image", "RGB", 8, false, false,
                   {200, 100, 50}, 0},
        FormatCase{"alpha.tga", kHalfOrange, "com.truevision.tga-image", "RGB", 8, true, false,
                   {200, 100, 50, 128}, 1},
        FormatCase{"gray.tga", with(kOrange, {"-colorspace", "Gray"}), "com.truevision.tga-image", "Gray", 8, false,
                   false, {120}, 10},
        FormatCase{"palette.tga", with(kOrange, {"-type", "Palette"}), "com.truevision.tga-image", "RGB", 8, false,
                   false, {200, 100, 50}, 0},
        // SGI, read by our own decoder: stored as is and run-length encoded, 8 and 16 bits.
        FormatCase{"image.sgi", with(kOrange, {"-compress", "None"}), "com.sgi.sgi-image", "RGB", 8, false, false,
                   {200, 100, 50}, 0},
        FormatCase{"rle.sgi", with(kOrange, {"-compress", "RLE"}), "com.sgi.sgi-image", "RGB", 8, false, false,
                   {200, 100, 50}, 0},
        FormatCase{"alpha.sgi", with(kHalfOrange, {"-compress", "RLE"}), "com.sgi.sgi-image", "RGB", 8, true, false,
                   {200, 100, 50, 128}, 1},
        FormatCase{"gray.sgi", with(kOrange, {"-colorspace", "Gray"}), "com.sgi.sgi-image", "Gray", 8, false, false,
                   {120}, 10},
        FormatCase{"rgb16.sgi", with(kOrange, {"-depth", "16", "-compress", "RLE"}), "com.sgi.sgi-image", "RGB", 16,
                   false, false, {200, 100, 50}, 0}),
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

TEST(DecoderContent, UntaggedGrayTakesSRGBToneCurve)
{
    // Gray without a profile is read with sRGB's tone curve, as browsers and viewers show it:
    // level v becomes the neutral sRGB colour (v, v, v). As gamma 2.2 the shadows sank
    // (10 became 3, 20 became 12).
    const int levels[] = {10, 20, 128, 250};
    QImage gray(4, 1, QImage::Format_Grayscale8);
    for (int x = 0; x < 4; ++x)
        gray.scanLine(0)[x] = uchar(levels[x]);
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && gray.save(&buffer, "PNG"));
    const CGImageSourceRef source = CGImageSource::createWithData(png);
    ASSERT_TRUE(source);
    const CGImageRef image = source->createImageAtIndex(0);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->colorSpace()->model(), kCGColorSpaceModelMonochrome);
    std::vector<uint8_t> rgba(16, 0);
    const CGContextRef context = CGContext::createBitmap(rgba.data(), 4, 1, 8, 16, CGColorSpace::createDeviceRGB(),
                                                         kCGImageAlphaNoneSkipLast);
    ASSERT_TRUE(context);
    ASSERT_TRUE(context->drawImage(QRectF(0, 0, 4, 1), image));
    for (size_t x = 0; x < 4; ++x)
        for (size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(rgba[4 * x + c], levels[x], 1) << levels[x] << " channel " << c;
}

namespace {

// A 2 × 1 RGB TIFF of IEEE samples of `bits` bits (32 or 64), one uncompressed strip: written
// by hand because the image tools cannot write float TIFF here.
QByteArray floatTiff(uint16_t bits, const std::vector<double> &values)
{
    QByteArray tiff("II*\0", 4);
    auto u16 = [&](uint16_t v) { tiff.append(char(v & 0xff)).append(char(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(uint16_t(v & 0xffff)); u16(uint16_t(v >> 16)); };
    const uint32_t bytes = uint32_t(values.size()) * bits / 8;
    const uint32_t pixelOffset = 8, bpsOffset = pixelOffset + bytes, ifdOffset = bpsOffset + 6;
    u32(ifdOffset);
    for (double v : values) {
        if (bits == 64) {
            tiff.append(reinterpret_cast<const char *>(&v), 8);
        } else {
            const float f = float(v);
            tiff.append(reinterpret_cast<const char *>(&f), 4);
        }
    }
    u16(bits); u16(bits); u16(bits);
    const uint32_t entries[][4] = {{256, 3, 1, 2},   {257, 3, 1, 1}, {258, 3, 3, 0}, {259, 3, 1, 1}, {262, 3, 1, 2},
                                   {273, 4, 1, 0},   {277, 3, 1, 3}, {278, 3, 1, 1}, {279, 4, 1, bytes}, {284, 3, 1, 1},
                                   {339, 3, 1, 3}};
    u16(uint16_t(std::size(entries)));
    for (const auto &e : entries) {
        u16(uint16_t(e[0])); u16(uint16_t(e[1])); u32(e[2]);
        const uint32_t value = e[0] == 258 ? bpsOffset : e[0] == 273 ? pixelOffset : e[3];
        if (e[1] == 3 && e[0] != 258) { u16(uint16_t(value)); u16(0); } else { u32(value); }
    }
    u32(0);
    return tiff;
}

} // namespace

TEST(DecoderContent, FloatTiffStaysFloat)
{
    const std::vector<float> samples = {0.25f, 0.5f, 1.0f, 2.0f, -1.0f, 0.0f};
    const QByteArray tiff = floatTiff(32, std::vector<double>(samples.begin(), samples.end()));
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

TEST(DecoderContent, DoubleTiffBecomesFloat)
{
    // 64-bit IEEE samples are valid TIFF; they are read as 32-bit floats, values kept.
    const std::vector<double> samples = {0.25, 0.5, 1.0, 2.0, -1.0, 1.0 / 3.0};
    const CGImageSourceRef source = CGImageSource::createWithData(floatTiff(64, samples));
    ASSERT_TRUE(source);
    const QVariantMap properties = source->copyPropertiesAtIndex(0);
    EXPECT_TRUE(properties.value(kCGImagePropertyIsFloat).toBool());
    EXPECT_EQ(properties.value(kCGImagePropertyDepth).toInt(), 32);
    const CGImageRef image = source->createImageAtIndex(0);
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->isFloat());
    ASSERT_EQ(image->bitsPerPixel(), 96u);
    const float *row = reinterpret_cast<const float *>(image->row(0));
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(row[i], float(samples[i])) << i;
}

namespace {

// One frame of a hand-made GIF: its rectangle, one palette index per pixel, the transparent
// index (-1 for none) and the disposal method.
struct GifFrame
{
    uint16_t left, top, width, height;
    std::vector<uint8_t> indices;
    int transparent = -1;
    int disposal = 0;
};

// A GIF89a of the given canvas with a four-colour global palette (black, red, green, blue)
// and background index 0. The image data is valid LZW that sends a clear code before every
// pixel, so the code size never grows; `breakData` cuts each frame's data after its first
// sub-block byte.
QByteArray gifOf(uint16_t width, uint16_t height, const std::vector<GifFrame> &frames, bool breakData = false)
{
    QByteArray gif("GIF89a");
    auto u16 = [&](uint16_t v) { gif.append(char(v & 0xff)).append(char(v >> 8)); };
    u16(width);
    u16(height);
    gif.append(char(0xf1)).append(char(0)).append(char(0)); // global table of 4, background 0
    const uint8_t palette[] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    gif.append(reinterpret_cast<const char *>(palette), sizeof palette);
    for (const GifFrame &frame : frames) {
        gif.append("\x21\xf9\x04", 3);
        gif.append(char((frame.disposal << 2) | (frame.transparent >= 0 ? 1 : 0)));
        u16(10);
        gif.append(char(frame.transparent >= 0 ? frame.transparent : 0)).append(char(0));
        gif.append(char(0x2c));
        u16(frame.left);
        u16(frame.top);
        u16(frame.width);
        u16(frame.height);
        gif.append(char(0));
        // Codes of 3 bits: clear (4), the index, ..., end (5).
        std::vector<int> codes;
        for (uint8_t index : frame.indices)
            codes.insert(codes.end(), {4, index});
        codes.push_back(5);
        QByteArray packed;
        uint32_t bits = 0, count = 0;
        for (int code : codes) {
            bits |= uint32_t(code) << count;
            count += 3;
            for (; count >= 8; count -= 8, bits >>= 8)
                packed.append(char(bits & 0xff));
        }
        if (count)
            packed.append(char(bits & 0xff));
        if (breakData)
            packed = packed.left(1);
        gif.append(char(2)); // minimum code size
        for (qsizetype at = 0; at < packed.size(); at += 255) {
            const QByteArray block = packed.mid(at, 255);
            gif.append(char(block.size())).append(block);
        }
        if (!breakData)
            gif.append(char(0));
    }
    return gif.append(char(0x3b));
}

// The RGBA of every pixel of the image at `index`.
std::vector<std::array<int, 4>> gifPixels(const QByteArray &gif, size_t index)
{
    std::vector<std::array<int, 4>> pixels;
    const CGImageSourceRef source = CGImageSource::createWithData(gif);
    const CGImageRef image = source ? source->createImageAtIndex(index) : nullptr;
    if (!image || image->bitsPerPixel() != 32)
        return pixels;
    for (size_t y = 0; y < image->height(); ++y)
        for (size_t x = 0; x < image->width(); ++x) {
            const uint8_t *p = image->row(y) + 4 * x;
            pixels.push_back({p[0], p[1], p[2], p[3]});
        }
    return pixels;
}

using Rgba = std::array<int, 4>;
const Rgba kClear{0, 0, 0, 0}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};

} // namespace

TEST(DecoderGif, UncoveredCanvasStaysTransparent)
{
    // A 2 × 2 red frame in the middle of a 4 × 3 canvas: the rest is transparent, not the
    // opaque background colour (black).
    const QByteArray gif = gifOf(4, 3, {{1, 1, 2, 2, {1, 1, 1, 1}}});
    const std::vector<Rgba> pixels = gifPixels(gif, 0);
    ASSERT_EQ(pixels.size(), 12u);
    for (size_t i = 0; i < 12; ++i) {
        const bool covered = i % 4 >= 1 && i % 4 <= 2 && i / 4 >= 1;
        EXPECT_EQ(pixels[i], covered ? kRed : kClear) << i;
    }
    EXPECT_TRUE(CGImageSource::createWithData(gif)->copyPropertiesAtIndex(0).value(kCGImagePropertyHasAlpha).toBool());
}

TEST(DecoderGif, FramesComposeWithTheirDisposal)
{
    // Frame 0 fills the 3 × 1 canvas green, frame 1 draws red over its middle (its transparent
    // index lets the left show through), frame 2 blue at the right. Disposal of frame 1:
    // 1 keeps it, 2 clears its rectangle to transparent, 3 restores what was before it.
    const struct
    {
        int disposal;
        std::vector<Rgba> third;
    } cases[] = {
        {1, {kGreen, kRed, kBlue}},
        {2, {kClear, kClear, kBlue}},
        {3, {kGreen, kGreen, kBlue}},
    };
    for (const auto &c : cases) {
        const QByteArray gif = gifOf(3, 1, {{0, 0, 3, 1, {2, 2, 2}},
                                            {0, 0, 2, 1, {3, 1}, 3, c.disposal},
                                            {2, 0, 1, 1, {3}}});
        ASSERT_EQ(CGImageSource::createWithData(gif)->count(), 3u);
        EXPECT_EQ(gifPixels(gif, 0), (std::vector<Rgba>{kGreen, kGreen, kGreen})) << c.disposal;
        EXPECT_EQ(gifPixels(gif, 1), (std::vector<Rgba>{kGreen, kRed, kGreen})) << c.disposal;
        EXPECT_EQ(gifPixels(gif, 2), c.third) << c.disposal;
    }
}

TEST(DecoderGif, NoValidImageDataGivesNoImage)
{
    // A screen without any frame, and a frame whose data breaks off.
    const QByteArray empty = gifOf(4, 4, {});
    const QByteArray broken = gifOf(4, 4, {{0, 0, 4, 4, std::vector<uint8_t>(16, 1)}}, true);
    for (const QByteArray &gif : {empty, broken}) {
        const CGImageSourceRef source = CGImageSource::createWithData(gif);
        EXPECT_FALSE(source && source->createImageAtIndex(0));
    }
}

namespace {

// A BMP of one column of pixels (stored values of `bits` bits), bottom-up unless `topDown`,
// with an info header of `header` bytes; the masks sit in the header from 52 bytes on, else
// after it (three, or four for BI_ALPHABITFIELDS).
QByteArray bmpOf(uint32_t header, uint16_t bits, uint32_t compression, std::array<uint32_t, 4> masks,
                 const std::vector<uint32_t> &pixels, bool topDown = false)
{
    QByteArray info;
    auto put = [](QByteArray &to, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            to.append(char(i < 4 ? (v >> (8 * i)) & 0xff : 0));
    };
    const uint32_t stride = (bits + 31) / 32 * 4, rows = uint32_t(pixels.size());
    put(info, header, 4);
    put(info, 1, 4);
    put(info, topDown ? uint32_t(-int32_t(rows)) : rows, 4);
    put(info, 1, 2);
    put(info, bits, 2);
    put(info, compression, 4);
    put(info, stride * rows, 4);
    put(info, 2835, 4);
    put(info, 2835, 4);
    put(info, 0, 8);
    QByteArray after;
    const size_t maskCount = compression == 6 ? 4 : compression == 3 ? 3 : 0;
    for (size_t k = 0; k < 4 && info.size() < qsizetype(header); ++k)
        put(info, masks[k], 4);
    info.append(QByteArray(qsizetype(header) - info.size(), '\0'));
    if (header == 40)
        for (size_t k = 0; k < maskCount; ++k)
            put(after, masks[k], 4);
    QByteArray rowsData;
    for (size_t i = 0; i < rows; ++i) {
        const uint32_t v = pixels[topDown ? i : rows - 1 - i];
        put(rowsData, v, bits / 8);
        rowsData.append(QByteArray(qsizetype(stride - bits / 8), '\0'));
    }
    QByteArray file("BM");
    const uint32_t offset = uint32_t(14 + info.size() + after.size());
    put(file, offset + uint32_t(rowsData.size()), 4);
    put(file, 0, 4);
    put(file, offset, 4);
    return file + info + after + rowsData;
}

} // namespace

TEST(DecoderBmp, ChannelMasksOfEveryHeaderVersion)
{
    // Pixels of one column, top first, read as 8-bit RGBA (alpha 255 where the file has none).
    const std::array<uint32_t, 4> argb{0xff0000, 0xff00, 0xff, 0xff000000};
    const struct
    {
        const char *what;
        QByteArray file;
        std::vector<std::array<int, 4>> expected;
    } cases[] = {
        {"32-bit masks after a 40-byte header", bmpOf(40, 32, 3, argb, {0x80ff0000, 0x0000ff00}),
         {{255, 0, 0, 255}, {0, 255, 0, 255}}},
        {"32-bit, V2 header (no alpha mask)", bmpOf(52, 32, 3, argb, {0x80ff0000, 0x000000ff}),
         {{255, 0, 0, 255}, {0, 0, 255, 255}}},
        {"32-bit, V3 header with alpha", bmpOf(56, 32, 3, argb, {0x80ff0000, 0xff00ff00}),
         {{255, 0, 0, 128}, {0, 255, 0, 255}}},
        {"32-bit BI_ALPHABITFIELDS", bmpOf(40, 32, 6, argb, {0x40ff0000, 0xff0000ff}),
         {{255, 0, 0, 64}, {0, 0, 255, 255}}},
        {"32-bit, V5 header, red in the low byte, top-down",
         bmpOf(124, 32, 3, {0xff, 0xff00, 0xff0000, 0xff000000}, {0xff0000ff, 0xffff0000}, true),
         {{255, 0, 0, 255}, {0, 0, 255, 255}}},
        {"32-bit alpha all zero is opaque", bmpOf(124, 32, 3, argb, {0x00ff0000, 0x0000ff00}),
         {{255, 0, 0, 255}, {0, 255, 0, 255}}},
        {"16-bit 5-6-5", bmpOf(40, 16, 3, {0xf800, 0x07e0, 0x001f, 0}, {0xf800, 0x0400}),
         {{255, 0, 0, 255}, {0, 130, 0, 255}}},
        {"16-bit without masks is 5-5-5", bmpOf(40, 16, 0, {}, {0x7c00, 0x001f}),
         {{255, 0, 0, 255}, {0, 0, 255, 255}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const CGImageSourceRef source = CGImageSource::createWithData(c.file);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->type(), "com.microsoft.bmp");
        const CGImageRef image = source->createImageAtIndex(0);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->height(), c.expected.size());
        const size_t channels = image->bitsPerPixel() / 8;
        for (size_t y = 0; y < c.expected.size(); ++y) {
            const uint8_t *p = image->row(y);
            const std::array<int, 4> seen{p[0], p[1], p[2], channels == 4 ? p[3] : 255};
            EXPECT_EQ(seen, c.expected[y]) << "row " << y;
        }
    }
    // A mask of scattered bits, and rows beyond the end of the file, are refused.
    const CGImageSourceRef scattered = CGImageSource::createWithData(bmpOf(40, 32, 3, {0xff00ff, 0xff00, 0xff, 0}, {0}));
    EXPECT_FALSE(scattered && scattered->createImageAtIndex(0));
    QByteArray cut = bmpOf(56, 32, 3, argb, {1, 2, 3});
    cut.chop(4);
    const CGImageSourceRef truncated = CGImageSource::createWithData(cut);
    EXPECT_FALSE(truncated && truncated->createImageAtIndex(0));
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

// Reading reduced for editing takes the smallest eighth that maps both sides onto whole
// pixels and keeps the larger side at least the asked one; the full image when none does.
TEST(DecoderScaling, ReducedJpegKeepsWholePixels)
{
    struct Case
    {
        int width, height;
        qint64 minimumSide;
        size_t expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {1536, 1024, 400, 576, 384},  // 3/8: every eighth is whole
        {1532, 1020, 400, 766, 510},  // sides of 4 × k: only even eighths, 4/8
        {1532, 1020, 800, 1149, 765}, // 6/8
        {1531, 1021, 300, 1531, 1021}, // odd sides: no eighth is whole
        {1536, 1024, 1536, 1536, 1024}, // nothing to spare
    };
    for (const Case &c : cases) {
        QImage picture(c.width, c.height, QImage::Format_RGB888);
        picture.fill(QColor(200, 100, 50));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPEG", 90));
        const CGImageSourceRef source = CGImageSource::createWithData(jpeg);
        ASSERT_TRUE(source);
        const CGImageRef image = source->createImageAtIndex(0, {{kMCImageSourceDecodeMinimumPixelSize, c.minimumSide}});
        ASSERT_TRUE(image) << c.width << " " << c.minimumSide;
        EXPECT_EQ(image->width(), c.expectedWidth) << c.width << " " << c.minimumSide;
        EXPECT_EQ(image->height(), c.expectedHeight) << c.width << " " << c.minimumSide;
    }
}
