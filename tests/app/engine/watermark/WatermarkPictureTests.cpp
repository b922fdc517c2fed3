// Watermarks rendered onto a small synthetic photo and compared with stored reference
// pictures in tests/data/watermark/. QUILLONX_UPDATE_REFERENCES=1 writes the references anew
// from the current rendering (look at them before committing).
#include "WatermarkTestSupport.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <functional>

using namespace watermarktest;

namespace {

constexpr size_t kWidth = 160, kHeight = 120;

// A smooth colour ramp with a darker band, so misplaced or recoloured pixels show.
std::unique_ptr<MCBitmap> testPhoto(bool isFloat)
{
    auto bitmap = plainBitmap(kWidth, kHeight, Qt::black, isFloat);
    bitmap->useImageBuffer();
    const vImage_Buffer &b = bitmap->imageBuffer();
    for (size_t y = 0; y < kHeight; ++y)
        for (size_t x = 0; x < kWidth; ++x) {
            const double band = (y / 20) % 2 ? 0.6 : 1.0;
            const double rgb[3] = {band * double(x) / (kWidth - 1), band * double(y) / (kHeight - 1), 0.5 * band};
            for (int c = 0; c < 3; ++c) {
                uint8_t *row = static_cast<uint8_t *>(b.data) + y * b.rowBytes;
                if (isFloat)
                    reinterpret_cast<float *>(row)[4 * x + size_t(c)] = float(std::round(rgb[c] * 255) / 255);
                else
                    row[4 * x + size_t(c)] = uint8_t(std::lround(rgb[c] * 255));
            }
        }
    return bitmap;
}

MCShadow dropShadow(double distance, double blur, double alpha)
{
    MCShadow shadow;
    shadow.shadowOffset = QSizeF(distance * 0.5, -distance * 0.866);
    shadow.shadowBlurRadius = blur;
    shadow.shadowColor = QColor::fromRgbF(0, 0, 0, float(alpha));
    return shadow;
}

// A small picture with a transparent hole: a ring of colour on a checkerboard.
CGImageRef logo()
{
    QImage image(24, 16, QImage::Format_RGBA8888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double dx = x - 11.5, dy = y - 7.5;
            const bool hole = dx * dx + dy * dy < 16;
            const bool dark = ((x / 4) + (y / 4)) % 2;
            image.setPixel(x, y, hole ? qRgba(0, 0, 0, 0) : dark ? qRgba(200, 30, 30, 255) : qRgba(250, 250, 250, 200));
        }
    // Straight alpha, as the working format holds it.
    return CGImage::create(24, 16, 8, 32, size_t(image.bytesPerLine()), CGColorSpace::createWithName(kCGColorSpaceSRGB),
                           kRGBA8, QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
}

struct Picture
{
    const char *name;
    std::function<bool(MCBitmap &)> draw;
};

const std::vector<Picture> &pictures()
{
    static const std::vector<Picture> all = {
        {"text_stroke_shadow",
         [](MCBitmap &bitmap) {
             MCTextAttributes a = attributes(30, QColor(255, 255, 255));
             a.strokeColor = QColor(20, 20, 120);
             a.strokeWidth = 2;
             return bitmap.drawText(text(QStringLiteral("Quillon"), a), 0.9, dropShadow(4, 3, 0.75), 10,
                                    QPointF(8, 8), 0, false, QPointF(), false, 1);
         }},
        {"tiled_rotated_text",
         [](MCBitmap &bitmap) {
             MCAttributedString t;
             t.append(QStringLiteral("\u00a9 2026\n"), attributes(13, QColor(255, 240, 60)));
             MCTextAttributes second = attributes(10, QColor(120, 255, 255));
             MCParagraphStyle centred;
             centred.alignment = 2;
             second.paragraphStyle = centred;
             t.append(QStringLiteral("photo"), second);
             return bitmap.drawText(t, 0.6, dropShadow(2, 1, 0.8), 0, QPointF(), 30, true, QPointF(14, 10), true,
                                    1);
         }},
        {"image",
         [](MCBitmap &bitmap) {
             return bitmap.drawImage(logo(), QSizeF(48, 32), 0.85, dropShadow(5, 2, 0.6), 1 | 4, QPointF(10, 12), 15,
                                     false, QPointF(), 1);
         }},
        {"rounded_rect",
         [](MCBitmap &bitmap) {
             return bitmap.drawRectWithSize(QSizeF(90, 36), QColor(30, 60, 220, 160), 0.8, 0, QPointF(0, -10), -12, 14,
                                            QColor(255, 255, 255), 3, 1);
         }},
    };
    return all;
}

class WatermarkPicture : public ::testing::TestWithParam<bool> // float bitmap
{
};

} // namespace

TEST_P(WatermarkPicture, MatchesTheReference)
{
    ASSERT_FALSE(dejaVuSans().isEmpty());
    const bool isFloat = GetParam();
    const bool update = qEnvironmentVariableIntValue("QUILLONX_UPDATE_REFERENCES") == 1;
    for (const Picture &picture : pictures()) {
        SCOPED_TRACE(picture.name);
        auto photo = testPhoto(isFloat);
        ASSERT_TRUE(picture.draw(*photo));
        const QImage rendered = toQImage(*photo);
        const QString path = testsupport::dataPath(QStringLiteral("watermark/%1.png").arg(QLatin1String(picture.name)));
        if (update && !isFloat) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            ASSERT_TRUE(rendered.save(path));
            continue;
        }
        QImage reference(path);
        ASSERT_FALSE(reference.isNull()) << qPrintable(path);
        reference = reference.convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(reference.size(), rendered.size());
        const Difference d = compare(rendered, reference);
        EXPECT_LT(d.mean, 0.6);
        EXPECT_LT(d.farShare, 0.004);
        // The watermark is really there: the photo itself differs from the reference.
        EXPECT_GT(compare(toQImage(*testPhoto(isFloat)), reference).mean, 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(EightBitAndFloat, WatermarkPicture, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Float" : "EightBit"; });
