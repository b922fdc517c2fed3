#include "halvard/imageio/MCImageFunctions.h"

#include "platform/accelerate/vImageGeometry.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/JPEGWriter.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

// Sides given as doubles are truncated; anything not a usable count of pixels is 0.
size_t side(double value)
{
    return value >= 1.0 && value <= double(CGImage::kMaximumSide) ? size_t(value) : size_t(0);
}

CGColorSpaceRef sRGB()
{
    return CGColorSpace::createWithName(kCGColorSpaceSRGB);
}

bool hasModel(const CGImageRef &image, CGColorSpaceModel model)
{
    return image->colorSpace() && image->colorSpace()->model() == model;
}

CGContextRef drawnContext(const CGImageRef &image, void *data, size_t width, size_t height, size_t bitsPerComponent,
                          size_t bytesPerRow, const CGColorSpaceRef &space, CGBitmapInfo info, bool copy)
{
    CGContextRef context = CGContext::createBitmap(data, width, height, bitsPerComponent, bytesPerRow, space, info);
    if (!context)
        return nullptr;
    if (copy)
        context->setBlendMode(kCGBlendModeCopy);
    if (!context->drawImage(QRectF(0, 0, double(width), double(height)), image))
        return nullptr;
    return context;
}

} // namespace

// ---------------------------------------------------------------- image functions

CGImageRef MCCreateImageFromImage(const CGImageRef &image, size_t width, size_t height, size_t bitsPerComponent,
                                  const CGColorSpaceRef &colorSpace, CGBitmapInfo bitmapInfo)
{
    if (!image)
        return nullptr;
    if (image->bitmapInfo() == bitmapInfo && image->bitsPerComponent() == bitsPerComponent &&
        image->colorSpace() == colorSpace && image->width() == width && image->height() == height)
        return image;
    CGContextRef context =
        drawnContext(image, nullptr, width, height, bitsPerComponent, 0, colorSpace, bitmapInfo, false);
    return context ? context->createImage() : nullptr;
}

CGImageRef MCCreateImageFromImageWithScreenColorSpace(const CGImageRef &image)
{
    if (!image)
        return nullptr;
    // The screens this runs on are taken to be sRGB displays.
    return MCCreateImageFromImage(image, image->width(), image->height(), 8, sRGB(), kCGImageAlphaPremultipliedLast);
}

CGImageRef MCCreateARGBImageFromImage(const CGImageRef &image)
{
    if (!image || image->width() == 0 || image->height() == 0 || image->bitsPerPixel() == 0 ||
        image->bitsPerComponent() == 0)
        return nullptr;
    const CGImageAlphaInfo alpha = image->alphaInfo();
    const bool rgb = hasModel(image, kCGColorSpaceModelRGB);
    if (rgb && (alpha == kCGImageAlphaFirst || alpha == kCGImageAlphaNoneSkipFirst) && image->bitsPerPixel() == 32 &&
        image->bitsPerComponent() == 8)
        return image;
    CGContextRef context = drawnContext(image, nullptr, image->width(), image->height(), 8, 4 * image->width(),
                                        rgb ? image->colorSpace() : sRGB(), kCGImageAlphaNoneSkipFirst, true);
    return context ? context->createImage() : nullptr;
}

namespace {

// 8-bit ARGB keeping the alpha channel when there is one (premultiplied, as the filter needs).
CGImageRef argbWithAlpha(const CGImageRef &image)
{
    const bool rgb = hasModel(image, kCGColorSpaceModelRGB);
    const CGBitmapInfo info =
        CGImageAlphaInfoHasAlpha(image->alphaInfo()) ? kCGImageAlphaPremultipliedFirst : kCGImageAlphaNoneSkipFirst;
    CGContextRef context = drawnContext(image, nullptr, image->width(), image->height(), 8, 4 * image->width(),
                                        rgb ? image->colorSpace() : sRGB(), info, true);
    return context ? context->createImage() : nullptr;
}

} // namespace

CGImageRef MCCreateARGBImageWithSize(const CGImageRef &image, double width, double height)
{
    if (!image)
        return nullptr;
    const size_t newWidth = side(width), newHeight = side(height);
    if (newWidth == 0 && newHeight == 0)
        return nullptr;
    if (newWidth == image->width() && newHeight == image->height())
        return image;
    if (newWidth == 0 || newHeight == 0 || qint64(newWidth) * qint64(newHeight) > CGImage::kMaximumPixelCount)
        return nullptr;
    // The scaler reads four 8-bit channels a pixel; anything else is converted to that first
    // rather than read past the end of its rows.
    const CGImageRef source =
        image->bitsPerComponent() == 8 && image->bitsPerPixel() == 32 ? image : argbWithAlpha(image);
    if (!source)
        return nullptr;
    vImage_Buffer in;
    in.data = const_cast<uint8_t *>(source->bytes()); // only read
    in.width = source->width();
    in.height = source->height();
    in.rowBytes = source->bytesPerRow();
    QByteArray pixels;
    pixels.resize(qsizetype(newWidth * newHeight * 4));
    if (size_t(pixels.size()) != newWidth * newHeight * 4)
        return nullptr;
    vImage_Buffer out;
    out.data = pixels.data();
    out.width = newWidth;
    out.height = newHeight;
    out.rowBytes = newWidth * 4;
    if (vImageScale_ARGB8888(&in, &out, nullptr, kvImageNoFlags) != kvImageNoError)
        return nullptr;
    return CGImage::create(newWidth, newHeight, 8, 32, newWidth * 4, source->colorSpace(), source->bitmapInfo(),
                           pixels, source->renderingIntent());
}

CGImageRef MCCreateARGBImageWithMaxPixelSize(const CGImageRef &image, double maxPixelSize)
{
    if (!image)
        return nullptr;
    if (maxPixelSize <= 0.0)
        return image;
    const double w = double(image->width()), h = double(image->height());
    const double scale = std::min(maxPixelSize / w, maxPixelSize / h);
    // Rounding up, but not for the last bit of floating-point noise: 1000 / 3000 × 3000 is
    // 1000, not 1001.
    const double newWidth = std::ceil(scale * w - 1e-7), newHeight = std::ceil(scale * h - 1e-7);
    if (newWidth == w && newHeight == h)
        return image;
    return MCCreateARGBImageWithSize(image, newWidth, newHeight);
}

CGImageRef MCImageCreateWithSize(const CGImageRef &image, double width, double height)
{
    if (!image)
        return nullptr;
    const size_t newWidth = side(width), newHeight = side(height);
    if (newWidth == 0 || newHeight == 0)
        return nullptr;
    CGColorSpaceRef space;
    CGBitmapInfo info;
    if (hasModel(image, kCGColorSpaceModelMonochrome)) {
        space = image->colorSpace();
        info = kCGImageAlphaNone;
    } else if (hasModel(image, kCGColorSpaceModelRGB)) {
        space = image->colorSpace();
        info = kCGImageAlphaNoneSkipFirst;
    } else {
        space = sRGB();
        info = kCGImageAlphaNoneSkipFirst;
    }
    return MCCreateImageFromImage(image, newWidth, newHeight, 8, space, info);
}

CGImageRef MCImageCreateWithAspectRatio(const CGImageRef &image, double ratio)
{
    if (!image || !(ratio > 0.0))
        return nullptr;
    const double w = double(image->width()), h = double(image->height());
    QRectF rect(0, 0, w, h);
    if (h * ratio > w) {
        rect.setHeight(w / ratio);
        rect.moveTop((h - w / ratio) / 2.0);
    } else {
        rect.setWidth(h * ratio);
        rect.moveLeft((w - h * ratio) / 2.0);
    }
    // Integral: the smallest whole-pixel rectangle around it.
    const double left = std::floor(rect.left()), top = std::floor(rect.top());
    const QRectF integral(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
    if (integral.isEmpty())
        return nullptr;
    return CGImage::createWithImageInRect(image, integral);
}

namespace {

CGImageRef firstImage(const CGImageSourceRef &source, const QVariantMap &options)
{
    if (!source || source->status() != kCGImageStatusComplete || source->count() == 0)
        return nullptr;
    return source->createImageAtIndex(0, options);
}

} // namespace

CGImageRef MCCreateImageWithURL(const QString &path, const QVariantMap &options)
{
    if (path.isEmpty())
        return nullptr;
    return firstImage(CGImageSource::createWithURL(path), options);
}

CGImageRef MCCreateImageWithData(const QByteArray &data, const QVariantMap &options)
{
    if (data.isEmpty())
        return nullptr;
    return firstImage(CGImageSource::createWithData(data), options);
}

bool MCSaveImageToURL(const CGImageRef &image, const QString &path, MCError *error)
{
    if (!image || path.isEmpty())
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        MCError failure(MCCocoaErrorDomain, MCFileWriteUnknownError,
                        QStringLiteral("The folder “%1” couldn’t be created.").arg(folder.section(QLatin1Char('/'), -1)));
        failure.setUserInfoValue(MCFilePathErrorKey, folder);
        return MCSetError(error, failure);
    }
    return platform::writeJPEGFile(image, path, 0.85, error);
}

QByteArray MCCopyDataFromImage(const CGImageRef &image)
{
    if (!image)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(image->bytes()), qsizetype(image->byteCount()));
}

std::shared_ptr<MCFastData> MCCopyFastDataFromImage(const CGImageRef &image, bool grayscale, double width,
                                                    double height)
{
    if (!image)
        return nullptr;
    const size_t w = side(width), h = side(height);
    if (w == 0 || h == 0)
        return nullptr;
    const size_t bytesPerRow = grayscale ? w : 4 * w;
    auto data = std::make_shared<MCFastData>(bytesPerRow * h);
    if (!data->bytes() || data->length() != bytesPerRow * h)
        return nullptr;
    std::fill(data->bytes(), data->bytes() + data->length(), uint8_t(0));
    CGColorSpaceRef space;
    if (grayscale)
        space = hasModel(image, kCGColorSpaceModelMonochrome) ? image->colorSpace()
                                                              : CGColorSpace::createWithName(kCGColorSpaceSRGBGray);
    else
        space = hasModel(image, kCGColorSpaceModelRGB) ? image->colorSpace() : sRGB();
    const CGContextRef context = drawnContext(image, data->bytes(), w, h, 8, bytesPerRow, space,
                                              grayscale ? kCGImageAlphaNone : kCGImageAlphaNoneSkipFirst, false);
    return context ? data : nullptr;
}
