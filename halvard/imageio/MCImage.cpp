#include "halvard/imageio/MCImage.h"

#include "platform/accelerate/vImageAlpha.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"

std::shared_ptr<MCImage> MCImage::create(const CGImageRef &image, MCError *error)
{
    std::shared_ptr<MCImage> result(new MCImage);
    if (!result->readImage(image, error))
        return nullptr;
    return result;
}

MCImage::~MCImage() = default;

bool MCImage::readImage(const CGImageRef &image, MCError *)
{
    // A CGImage already holds decoded, immutable pixels in its own format: the image keeps a
    // reference to them instead of copying, which is the same as decoding once.
    if (!image || !image->bytes())
        return false;
    m_imageFormat = vImageFormatOfImage(*image);
    m_imageBuffer.data = const_cast<uint8_t *>(image->bytes());
    m_imageBuffer.width = image->width();
    m_imageBuffer.height = image->height();
    m_imageBuffer.rowBytes = image->bytesPerRow();
    m_source = image;
    return true;
}

namespace {

bool isValidDrawingFormat(const vImage_CGImageFormat &format)
{
    const uint32_t bpc = format.bitsPerComponent;
    if (bpc != 8 && bpc != 16 && bpc != 32)
        return false;
    if (format.bitsPerPixel != 4 * bpc)
        return false;
    if (!format.colorSpace || format.colorSpace->model() != kCGColorSpaceModelRGB)
        return false;
    // Float components come in 32 bits only, and 32-bit components only as floats.
    const bool isFloat = (format.bitmapInfo & kCGBitmapFloatComponents) != 0;
    if ((bpc == 32) != isFloat)
        return false;
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(format.bitmapInfo);
    return alpha == kCGImageAlphaPremultipliedLast || alpha == kCGImageAlphaLast || alpha == kCGImageAlphaNoneSkipLast;
}

} // namespace

vImage_Error MCImage::drawInBuffer(const vImage_Buffer *buffer, const vImage_CGImageFormat *format,
                                   const QTransform *transform) const
{
    if (!buffer || !format)
        return kvImageNullPointerArgument;
    if (!buffer->data)
        return kvImageInvalidParameter;
    // The row length needed follows the destination's own pixel size, not 4 bytes a pixel:
    // 16-bit and float rows are two and four times longer.
    if (buffer->rowBytes < size_t(buffer->width) * ((format->bitsPerPixel + 7) / 8))
        return kvImageInvalidRowBytes;
    if (!isValidDrawingFormat(*format))
        return kvImageInvalidImageFormat;
    if (buffer->width == 0 || buffer->height == 0 || buffer->width > size_t(CGImage::kMaximumSide) ||
        buffer->height > size_t(CGImage::kMaximumSide))
        return kvImageInvalidParameter;

    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(format->bitmapInfo);
    CGBitmapInfo contextInfo = format->bitmapInfo;
    if (alpha == kCGImageAlphaLast) // drawing is premultiplied; undone below
        contextInfo = (contextInfo & ~kCGBitmapAlphaInfoMask) | kCGImageAlphaPremultipliedLast;
    CGContextRef context = CGContext::createBitmap(buffer->data, buffer->width, buffer->height,
                                                   format->bitsPerComponent, buffer->rowBytes, format->colorSpace,
                                                   contextInfo);
    if (!context)
        return kvImageInvalidImageFormat; // a byte order the drawing cannot write
    if (transform)
        context->concatCTM(*transform);
    else
        context->scaleCTM(double(buffer->width) / double(width()), double(buffer->height) / double(height()));
    if (!context->drawImage(QRectF(0, 0, double(width()), double(height())), m_source))
        return kvImageInvalidImageObject; // our own pixels are in a format that cannot be drawn
    context.reset();

    if (alpha != kCGImageAlphaLast)
        return kvImageNoError;
    switch (format->bitsPerComponent) {
    case 8:
        // With the 32-bit little-endian order the bytes of "RGBA" lie reversed in memory.
        if ((format->bitmapInfo & kCGBitmapByteOrderMask) == kCGBitmapByteOrder32Little)
            return vImageUnpremultiplyData_ARGB8888(buffer, buffer, kvImageNoFlags);
        return vImageUnpremultiplyData_RGBA8888(buffer, buffer, kvImageNoFlags);
    case 16:
        return vImageUnpremultiplyData_RGBA16U(buffer, buffer, kvImageNoFlags);
    default:
        return vImageUnpremultiplyData_RGBAFFFF(buffer, buffer, kvImageNoFlags);
    }
}
