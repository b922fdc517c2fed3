#pragma once

#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace watermarktest {

constexpr CGBitmapInfo kRGBA8 = kCGImageAlphaLast;
constexpr CGBitmapInfo kRGBAF = kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little;

// The family of a font file loaded explicitly, so that text renders the same on every machine.
inline QString dejaVuSans()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

inline QFont font(double points)
{
    QFont f(dejaVuSans());
    f.setPointSizeF(points);
    return f;
}

inline MCTextAttributes attributes(double points, const QColor &colour = Qt::white)
{
    MCTextAttributes a;
    a.font = font(points);
    a.foregroundColor = colour;
    return a;
}

inline MCAttributedString text(const QString &string, const MCTextAttributes &a)
{
    MCAttributedString t;
    t.append(string, a);
    return t;
}

// A bitmap filled with one 8-bit RGBA colour (straight alpha), or a float one.
inline std::unique_ptr<MCBitmap> plainBitmap(size_t width, size_t height, QColor colour = QColor(0, 0, 0, 0),
                                             bool isFloat = false)
{
    const CGColorSpaceRef space = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    if (isFloat) {
        QByteArray data(qsizetype(width * height * 16), 0);
        auto *p = reinterpret_cast<float *>(data.data());
        for (size_t i = 0; i < width * height; ++i) {
            p[4 * i] = float(colour.redF());
            p[4 * i + 1] = float(colour.greenF());
            p[4 * i + 2] = float(colour.blueF());
            p[4 * i + 3] = float(colour.alphaF());
        }
        return MCBitmap::createWithCGImage(CGImage::create(width, height, 32, 128, width * 16, space, kRGBAF, data));
    }
    QByteArray data(qsizetype(width * height * 4), 0);
    auto *p = reinterpret_cast<uint8_t *>(data.data());
    for (size_t i = 0; i < width * height; ++i) {
        p[4 * i] = uint8_t(colour.red());
        p[4 * i + 1] = uint8_t(colour.green());
        p[4 * i + 2] = uint8_t(colour.blue());
        p[4 * i + 3] = uint8_t(colour.alpha());
    }
    return MCBitmap::createWithCGImage(CGImage::create(width, height, 8, 32, width * 4, space, kRGBA8, data));
}

// The bitmap's pixels as an 8-bit straight-alpha image (float samples rounded).
inline QImage toQImage(MCBitmap &bitmap)
{
    bitmap.useImageBuffer();
    const vImage_Buffer &b = bitmap.imageBuffer();
    QImage image(int(b.width), int(b.height), QImage::Format_RGBA8888);
    for (size_t y = 0; y < b.height; ++y) {
        uint8_t *out = image.scanLine(int(y));
        const uint8_t *row = static_cast<const uint8_t *>(b.data) + y * b.rowBytes;
        for (size_t x = 0; x < b.width * 4; ++x) {
            if (bitmap.bitsPerComponent() == 32)
                out[x] = uint8_t(std::lround(std::clamp(reinterpret_cast<const float *>(row)[x], 0.0f, 1.0f) * 255));
            else
                out[x] = row[x];
        }
    }
    return image;
}

// The box of the pixels whose alpha is above `threshold`, in memory coordinates (rows from the
// top); empty when there are none.
inline QRect inkBox(const QImage &image, int threshold = 127)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > threshold)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

// How far a rendering may stray from its reference: antialiasing and resampling differ by a
// few levels at edges between library versions and between 8-bit and float pixels, while a
// misplaced, missing or recoloured watermark changes many pixels by far more.
struct Difference
{
    double mean = 0;     // mean absolute difference per channel, levels
    double farShare = 0; // share of pixels with a channel off by more than 24 levels
};

inline Difference compare(const QImage &a, const QImage &b)
{
    Difference d;
    size_t far = 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int diffs[4] = {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q), qAlpha(p) - qAlpha(q)};
            int worst = 0;
            for (int v : diffs) {
                sum += std::abs(v);
                worst = std::max(worst, std::abs(v));
            }
            far += worst > 24;
        }
    const double pixels = double(a.width()) * a.height();
    d.mean = sum / (pixels * 4);
    d.farShare = double(far) / pixels;
    return d;
}

} // namespace watermarktest
