#pragma once

#include "platform/graphics/CGTypes.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>

class CGContext;

// The pixel format of an image renderer's bitmap: bitmap info, colour space and bits per
// component.
class MCImageRendererFormat
{
public:
    MCImageRendererFormat() = default;

    CGBitmapInfo bitmapInfo() const { return m_bitmapInfo; }
    void setBitmapInfo(CGBitmapInfo info) { m_bitmapInfo = info; }
    const CGColorSpaceRef &colorSpace() const { return m_colorSpace; }
    void setColorSpace(const CGColorSpaceRef &space) { m_colorSpace = space; }
    uint64_t bitsPerComponent() const { return m_bitsPerComponent; }
    void setBitsPerComponent(uint64_t bits) { m_bitsPerComponent = bits; }

private:
    CGBitmapInfo m_bitmapInfo = 0;
    CGColorSpaceRef m_colorSpace;
    uint64_t m_bitsPerComponent = 8;
};

// Draws into an off-screen bitmap through a callback and hands the result back as an image.
// The bitmap has size × scale pixels (rounded up); the context's transform is scaled by
// `scale`, so the callback draws in points.
class MCImageRenderer
{
public:
    using DrawingBlock = std::function<bool(CGContext &context, const QRectF &bounds)>;

    // With the default format: 8 bits, 32-bit little-endian with padding first (0x2006), sRGB.
    // nullptr when the bitmap cannot be made.
    static std::unique_ptr<MCImageRenderer> create(QSizeF size, double scale);
    static std::unique_ptr<MCImageRenderer> create(QSizeF size, double scale,
                                                   std::shared_ptr<MCImageRendererFormat> format);
    ~MCImageRenderer();

    double scale() const { return m_scale; }
    const std::shared_ptr<MCImageRendererFormat> &format() const { return m_format; }
    CGContext &context() const { return *m_context; }
    QSizeF size() const { return m_size; }
    QRectF contextBounds() const { return m_contextBounds; }

    // Calls `block` with the context and contextBounds(); when it answers true, the bitmap as
    // an image whose device pixel ratio is `scale` (so its size in points is size()), else a
    // null image.
    QImage drawWithBlock(const DrawingBlock &block);

private:
    MCImageRenderer() = default;

    double m_scale = 1.0;
    std::shared_ptr<MCImageRendererFormat> m_format;
    std::shared_ptr<CGContext> m_context;
    QSizeF m_size;
    QRectF m_contextBounds;
};
