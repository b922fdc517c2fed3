#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"

#include <QtEndian>

#include <cmath>

namespace platform {
namespace {

void put16(QByteArray &out, uint16_t v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

// Bottom-up rows in a version 5 header, which carries the ICC profile and the alpha mask:
// gray as an 8-bit palette of grays, RGB as 24-bit BGR, anything with alpha as 32-bit BGRA.
bool encodeBMP(const WriterPixels &pixels, const WriterOptions &options, QByteArray *out, MCError *error)
{
    const bool gray = pixels.model() == kCGColorSpaceModelMonochrome;
    const bool alpha = pixels.hasAlpha();
    const bool palette = gray && !alpha;
    const int bitCount = palette ? 8 : alpha ? 32 : 24;
    const qint64 rowSize = ((qint64(pixels.width()) * bitCount + 31) / 32) * 4;
    const qint64 paletteSize = palette ? 256 * 4 : 0;
    const QByteArray icc = pixels.iccData();
    const qint64 pixelOffset = 14 + 124 + paletteSize;
    const qint64 imageSize = rowSize * qint64(pixels.height());
    const qint64 fileSize = pixelOffset + imageSize + icc.size();
    if (fileSize > std::numeric_limits<int32_t>::max())
        return MCSetError(error, writerError(kMCImageDestinationUnsupportedPixelFormat,
                                             QStringLiteral("BMP cannot store an image this large.")));
    QByteArray bytes;
    bytes.reserve(fileSize);
    bytes.append("BM", 2);
    put32(bytes, uint32_t(fileSize));
    put32(bytes, 0);
    put32(bytes, uint32_t(pixelOffset));
    // BITMAPV5HEADER
    put32(bytes, 124);
    put32(bytes, uint32_t(pixels.width()));
    put32(bytes, uint32_t(pixels.height())); // positive: bottom-up
    put16(bytes, 1);
    put16(bytes, uint16_t(bitCount));
    put32(bytes, alpha ? 3 : 0); // BI_BITFIELDS for the alpha mask, else BI_RGB
    put32(bytes, uint32_t(imageSize));
    put32(bytes, uint32_t(std::lround(options.dpiX / 0.0254)));
    put32(bytes, uint32_t(std::lround(options.dpiY / 0.0254)));
    put32(bytes, palette ? 256 : 0);
    put32(bytes, 0);
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
        put32(bytes, alpha ? mask : 0);
    put32(bytes, icc.isEmpty() ? 0x73524742u /* 'sRGB' */ : 0x4D424544u /* 'MBED' */);
    for (int i = 0; i < 9 + 3; ++i) // endpoints and gamma, unused with a profile or sRGB
        put32(bytes, 0);
    put32(bytes, 4); // LCS_GM_IMAGES: perceptual
    put32(bytes, icc.isEmpty() ? 0 : uint32_t(124 + paletteSize + imageSize)); // from the header's start
    put32(bytes, uint32_t(icc.size()));
    put32(bytes, 0);
    if (palette)
        for (int i = 0; i < 256; ++i)
            put32(bytes, uint32_t(i) * 0x010101u);

    const size_t samples = pixels.samples(true);
    std::vector<uint8_t> line(pixels.rowBytes(true));
    QByteArray row(rowSize, 0);
    for (size_t r = 0; r < pixels.height(); ++r) {
        pixels.copyRow(pixels.height() - 1 - r, line.data(), true);
        auto *dst = reinterpret_cast<uint8_t *>(row.data());
        for (size_t x = 0; x < pixels.width(); ++x) {
            const uint8_t *p = line.data() + x * samples;
            if (palette) {
                dst[x] = p[0];
                continue;
            }
            const uint8_t red = p[0], green = gray ? p[0] : p[1], blue = gray ? p[0] : p[2];
            uint8_t *q = dst + x * (bitCount / 8);
            q[0] = blue;
            q[1] = green;
            q[2] = red;
            if (alpha)
                q[3] = p[samples - 1];
        }
        bytes.append(row);
    }
    bytes.append(icc);
    *out = std::move(bytes);
    return true;
}

} // namespace platform
