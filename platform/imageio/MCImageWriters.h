#pragma once

// The per-format encoders behind MCImageDestination. Each takes the checked image and its
// property dictionary and answers the file's bytes in memory; metadata blocks are added
// afterwards by writeImageMetadata (exiv2) for the formats that carry them.
#include "platform/core/MCError.h"
#include "platform/graphics/CGImage.h"
#include "platform/graphics/CGPixelLayout.h"

#include <QByteArray>
#include <QVariantMap>

#include <vector>

namespace platform {

// Pixels of a CGImage read row by row in the form every encoder wants: the colour components
// in the space's order, then alpha (straight, not premultiplied) when asked, in host byte order
// and with the image's own component size.
class WriterPixels
{
public:
    WriterPixels(const CGImageRef &image, const CGPixelLayout &layout) : m_image(image), m_layout(layout) {}

    const CGImage &image() const { return *m_image; }
    size_t width() const { return m_image->width(); }
    size_t height() const { return m_image->height(); }
    size_t colours() const { return m_layout.colours; }
    bool hasAlpha() const { return m_layout.alpha >= 0; }
    size_t bitsPerComponent() const { return m_layout.bitsPerComponent; }
    bool isFloat() const { return m_layout.isFloat; }
    size_t bytesPerComponent() const { return m_layout.bitsPerComponent / 8; }
    CGColorSpaceModel model() const;
    QByteArray iccData() const;

    // Samples per pixel of copyRow's output.
    size_t samples(bool withAlpha) const { return colours() + (withAlpha && hasAlpha() ? 1 : 0); }
    size_t rowBytes(bool withAlpha) const { return width() * samples(withAlpha) * bytesPerComponent(); }
    // Writes row `y` into `out` (rowBytes(withAlpha) bytes).
    void copyRow(size_t y, void *out, bool withAlpha) const;

private:
    CGImageRef m_image;
    CGPixelLayout m_layout;
};

// Options and facts read from the property dictionary, shared by the encoders.
struct WriterOptions
{
    double quality = 1.0;        // 0..1; 1 is the best (lossless where the codec has it)
    bool embedThumbnail = false;
    int orientation = 1;         // 1..8
    double dpiX = 72.0;
    double dpiY = 72.0;
    int tiffCompression = 1;     // 1, 5 (LZW) or 32773 (PackBits)
    std::vector<double> whitePoint;            // x, y; empty when the dictionary has none
    std::vector<double> primaryChromaticities; // red x, y, green x, y, blue x, y; or empty
};
WriterOptions readWriterOptions(const QVariantMap &properties);

MCError writerError(qint64 code, const QString &reason);

bool encodeJPEG(const WriterPixels &pixels, const WriterOptions &options, QByteArray *out, MCError *error);
bool encodePNG(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
               QByteArray *out, MCError *error);
bool encodeTIFF(const WriterPixels &pixels, const WriterOptions &options, QByteArray *out, MCError *error);
bool encodeBMP(const WriterPixels &pixels, const WriterOptions &options, QByteArray *out, MCError *error);
bool encodeGIF(const WriterPixels &pixels, QByteArray *out, MCError *error);
bool encodePDF(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
               QByteArray *out, MCError *error);
// JPEG 2000 carries its metadata itself (Exif and XMP boxes; IPTC is carried over into the XMP).
bool encodeJPEG2000(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
                    QByteArray *out, MCError *error);
bool encodeHEIC(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
                QByteArray *out, MCError *error);

// A small 8-bit JPEG of the image for an embedded thumbnail (longest side `maxSide`); empty
// when the image has no 8-bit form. Gray or RGB; CMYK is converted to sRGB.
QByteArray makeThumbnailJPEG(const WriterPixels &pixels, int maxSide);
// The same reduced pixels, interleaved 8-bit gray, RGB or CMYK, with their size.
std::vector<uint8_t> reduceToThumbnail(const WriterPixels &pixels, int maxSide, int *width, int *height);

// Adds the Exif, GPS, IPTC and XMP of `properties` to the encoded file in `bytes` (JPEG, PNG,
// TIFF), with the real pixel size, the orientation and the resolution.
bool writeImageMetadata(QByteArray *bytes, const WriterPixels &pixels, const WriterOptions &options,
                        const QVariantMap &properties, const QByteArray &thumbnail, MCError *error);
// The Exif block (TIFF header first) and the XMP packet of `properties`, for containers that
// carry them as raw blocks (HEIC, JPEG 2000). IPTC is carried over into the XMP.
bool encodeMetadataBlocks(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
                          QByteArray *exif, QByteArray *xmp, MCError *error);

} // namespace platform
