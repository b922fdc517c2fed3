#include "halvard/imageio/MCImageRenderer.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"

#include <cmath>

namespace {

constexpr CGBitmapInfo kPremultipliedFirst32Little = kCGBitmapByteOrder32Little | kCGImageAlphaPremultipliedFirst;
constexpr CGBitmapInfo kSkipFirst32Little = kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst;

// The image as a QImage, drawn into sRGB BGRA first unless it is in a layout Qt reads.
QImage toQImage(const CGImageRef &image)
{
    CGImageRef source = image;
    const bool readable = image->bitsPerComponent() == 8 && image->bitsPerPixel() == 32 &&
                          (image->bitmapInfo() == kPremultipliedFirst32Little || image->bitmapInfo() == kSkipFirst32Little);
    if (!readable) {
        CGContextRef context = CGContext::createBitmap(nullptr, image->width(), image->height(), 8, 0,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                       kPremultipliedFirst32Little);
        if (!context || !context->drawImage(QRectF(0, 0, double(image->width()), double(image->height())), image))
            return QImage();
        source = context->createImage();
    }
    const QImage::Format format =
        source->bitmapInfo() == kSkipFirst32Little ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    // The QImage refers to the image's memory; copy() makes it independent of it.
    return QImage(source->bytes(), int(source->width()), int(source->height()), qsizetype(source->bytesPerRow()), format)
        .copy();
}

} // namespace

std::unique_ptr<MCImageRenderer> MCImageRenderer::create(QSizeF size, double scale)
{
    auto format = std::make_shared<MCImageRendererFormat>();
    format->setBitmapInfo(kSkipFirst32Little);
    // The screens this runs on are taken to be sRGB displays.
    format->setColorSpace(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    return create(size, scale, std::move(format));
}

std::unique_ptr<MCImageRenderer> MCImageRenderer::create(QSizeF size, double scale,
                                                         std::shared_ptr<MCImageRendererFormat> format)
{
    if (!format || !(scale > 0.0) || !(size.width() > 0.0) || !(size.height() > 0.0))
        return nullptr;
    std::unique_ptr<MCImageRenderer> renderer(new MCImageRenderer);
    renderer->m_size = size;
    renderer->m_scale = scale;
    renderer->m_format = std::move(format);
    renderer->m_contextBounds = QRectF(0, 0, size.width() * scale, size.height() * scale);
    // The bitmap covers the scaled bounds, so drawing at the scale is not cut off.
    const double pixelWidth = std::ceil(renderer->m_contextBounds.width() - 1e-9);
    const double pixelHeight = std::ceil(renderer->m_contextBounds.height() - 1e-9);
    if (pixelWidth > double(CGImage::kMaximumSide) || pixelHeight > double(CGImage::kMaximumSide))
        return nullptr;
    renderer->m_context = CGContext::createBitmap(nullptr, size_t(pixelWidth), size_t(pixelHeight),
                                                  size_t(renderer->m_format->bitsPerComponent()), 0,
                                                  renderer->m_format->colorSpace(), renderer->m_format->bitmapInfo());
    if (!renderer->m_context)
        return nullptr;
    renderer->m_context->scaleCTM(scale, scale);
    return renderer;
}

MCImageRenderer::~MCImageRenderer() = default;

QImage MCImageRenderer::drawWithBlock(const DrawingBlock &block)
{
    if (!block || !block(*m_context, m_contextBounds))
        return QImage();
    const CGImageRef image = m_context->createImage();
    if (!image)
        return QImage();
    QImage result = toQImage(image);
    result.setDevicePixelRatio(m_scale);
    return result;
}
