#include "platform/imageio/JPEGWriter.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"
#include "platform/graphics/CGPixelLayout.h"
#include "platform/imageio/MCImageWriters.h"

#include <QSaveFile>

namespace platform {
namespace {

// Whether the image can go to the JPEG encoder as it is: 8-bit gray or RGB without alpha.
bool isDirectlyEncodable(const CGImage &image, CGPixelLayout *layout)
{
    if (!image.colorSpace() || image.isFloat())
        return false;
    const CGColorSpaceModel model = image.colorSpace()->model();
    if (model != kCGColorSpaceModelMonochrome && model != kCGColorSpaceModelRGB)
        return false;
    return describePixelLayout(image.colorSpace()->numberOfComponents(), image.bitsPerComponent(),
                               image.bitsPerPixel(), image.bitmapInfo(), layout) &&
           layout->bitsPerComponent == 8 && layout->alpha < 0;
}

// The image drawn into 8-bit gray or RGB (padding last) over white.
CGImageRef flattened(const CGImageRef &image)
{
    const bool gray = image->colorSpace() && image->colorSpace()->model() == kCGColorSpaceModelMonochrome;
    CGColorSpaceRef space = image->colorSpace();
    if (!space || (space->model() != kCGColorSpaceModelRGB && !gray))
        space = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    CGContextRef context = CGContext::createBitmap(nullptr, image->width(), image->height(), 8, 0, space,
                                                   gray ? kCGImageAlphaNone : kCGImageAlphaNoneSkipLast);
    if (!context)
        return nullptr;
    const QRectF bounds(0, 0, double(image->width()), double(image->height()));
    context->setGrayFillColor(1.0, 1.0);
    context->fillRect(bounds);
    if (!context->drawImage(bounds, image))
        return nullptr;
    return context->createImage();
}

} // namespace

QByteArray encodeJPEG(const CGImageRef &image, double quality)
{
    if (!image)
        return QByteArray();
    CGPixelLayout layout;
    CGImageRef source = image;
    if (!isDirectlyEncodable(*source, &layout)) {
        source = flattened(image);
        if (!source || !isDirectlyEncodable(*source, &layout))
            return QByteArray();
    }
    // The same encoder as the image destination's, without the metadata blocks.
    WriterOptions options;
    options.quality = quality;
    QByteArray bytes;
    if (!encodeJPEG(WriterPixels(source, layout), options, &bytes, nullptr))
        return QByteArray();
    return bytes;
}

bool writeJPEGFile(const CGImageRef &image, const QString &path, double quality, MCError *error)
{
    const QByteArray bytes = encodeJPEG(image, quality);
    if (bytes.isEmpty()) {
        return MCSetError(error, MCError(MCCocoaErrorDomain, MCFileWriteUnknownError,
                                         QStringLiteral("The image could not be saved as JPEG."),
                                         QStringLiteral("The image's pixel format cannot be encoded.")));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        MCError failure(MCCocoaErrorDomain, MCFileWriteUnknownError,
                        QStringLiteral("The file “%1” couldn’t be saved.").arg(path.section(QLatin1Char('/'), -1)),
                        file.errorString());
        failure.setUserInfoValue(MCFilePathErrorKey, path);
        return MCSetError(error, failure);
    }
    return true;
}

} // namespace platform
