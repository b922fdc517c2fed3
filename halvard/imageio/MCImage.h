#pragma once

#include "platform/accelerate/vImageTypes.h"
#include "platform/core/MCError.h"

#include <QSizeF>
#include <QTransform>

#include <memory>

// An immutable, fully decoded image: the pixels of a CGImage in the image's own format, held
// in memory for the image's lifetime. The converter draws it into its bitmap with a transform;
// the resource loader hands it to the application. Instances may be shared between threads.
class MCImage
{
public:
    // nullptr when the image cannot be read (a null image); `error` is left untouched.
    static std::shared_ptr<MCImage> create(const CGImageRef &image, MCError *error = nullptr);
    ~MCImage();
    MCImage(const MCImage &) = delete;
    MCImage &operator=(const MCImage &) = delete;

    // The pixels; they belong to the image and must not be written.
    const vImage_Buffer &imageBuffer() const { return m_imageBuffer; }
    const vImage_CGImageFormat &imageFormat() const { return m_imageFormat; }

    QSizeF size() const { return QSizeF(double(m_imageBuffer.width), double(m_imageBuffer.height)); }
    uint64_t width() const { return m_imageBuffer.width; }
    uint64_t height() const { return m_imageBuffer.height; }
    uint64_t bitsPerComponent() const { return m_imageFormat.bitsPerComponent; }
    uint64_t bitsPerPixel() const { return m_imageFormat.bitsPerPixel; }
    CGBitmapInfo bitmapInfo() const { return m_imageFormat.bitmapInfo; }
    const CGColorSpaceRef &colorSpace() const { return m_imageFormat.colorSpace; }
    CGColorRenderingIntent renderingIntent() const { return m_imageFormat.renderingIntent; }

    // Draws the image into the caller's buffer in `format`, colour-converted, through
    // `transform` (platform coordinates: origin at the lower left, y up), or stretched over the
    // whole buffer when `transform` is null. The buffer keeps its contents where the drawing
    // does not reach. Answers a vImage status, checked in this order:
    //   −21772 buffer or format missing; −21773 buffer without memory;
    //   −21777 rows shorter than width × the format's bytes per pixel;
    //   −21778 a format other than RGB with 8, 16 or 32-bit float components, four of them
    //          per pixel, alpha premultiplied last, last or skip last;
    //   −21773 an empty buffer. Alpha "last" (3) is drawn premultiplied, then unpremultiplied.
    vImage_Error drawInBuffer(const vImage_Buffer *buffer, const vImage_CGImageFormat *format,
                              const QTransform *transform) const;

private:
    MCImage() = default;
    bool readImage(const CGImageRef &image, MCError *error);

    vImage_Buffer m_imageBuffer;
    vImage_CGImageFormat m_imageFormat;
    CGImageRef m_source; // the image whose immutable pixels m_imageBuffer describes
};
