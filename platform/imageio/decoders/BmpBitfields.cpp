#include "platform/imageio/decoders/BmpBitfields.h"

#include "platform/imageio/ImageDecoder.h"

#include <QtEndian>

#include <bit>
#include <cstring>

namespace platform {

namespace {

constexpr size_t kFileHeader = 14;
constexpr uint32_t kRGB = 0, kBitfields = 3, kAlphaBitfields = 6;

uint32_t le32(const QByteArray &data, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, data.constData() + at, 4);
    return qFromLittleEndian(v);
}

uint16_t le16(const QByteArray &data, size_t at)
{
    uint16_t v = 0;
    std::memcpy(&v, data.constData() + at, 2);
    return qFromLittleEndian(v);
}

// A mask is one run of set bits inside the pixel (or 0, for an absent channel).
bool isValidMask(uint32_t mask, uint16_t bitsPerPixel)
{
    if (mask == 0)
        return true;
    if (bitsPerPixel < 32 && (mask >> bitsPerPixel) != 0)
        return false;
    const uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

// One channel of a stored pixel brought to 8 bits.
struct Channel
{
    uint32_t mask = 0;
    int shift = 0;
    uint32_t maximum = 1;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            maximum = m >> shift;
        }
    }
    uint8_t operator()(uint32_t pixel) const
    {
        const uint64_t v = (pixel & mask) >> shift;
        return uint8_t((v * 255 + maximum / 2) / maximum);
    }
};

uint32_t pixelAt(const uint8_t *row, size_t x, uint16_t bitsPerPixel)
{
    if (bitsPerPixel == 16)
        return uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
    return uint32_t(row[4 * x]) | uint32_t(row[4 * x + 1]) << 8 | uint32_t(row[4 * x + 2]) << 16 |
           uint32_t(row[4 * x + 3]) << 24;
}

} // namespace

bool readBmpBitfields(const QByteArray &data, BmpBitfields *layout)
{
    const size_t size = size_t(data.size());
    if (size < kFileHeader + 40 || !data.startsWith("BM"))
        return false;
    const uint32_t header = le32(data, 14);
    // (A 64-byte header is OS/2's, whose compression 3 is Huffman coding, not masks.)
    if (header < 40 || header > 124 || header == 64 || kFileHeader + header > size)
        return false;
    const int64_t width = int32_t(le32(data, 18)), height = int32_t(le32(data, 22));
    const uint16_t bpp = le16(data, 28);
    const uint32_t compression = le32(data, 30);
    // 16 bits without masks are 5 bits a channel (and Qt would widen them by a shift too).
    const bool plain16 = compression == kRGB && bpp == 16;
    if (!plain16 && ((compression != kBitfields && compression != kAlphaBitfields) || (bpp != 16 && bpp != 32)))
        return false;
    *layout = BmpBitfields(); // from here on a failure means a broken file of this kind
    const int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows <= 0 || !dimensionsAllowed(width, rows))
        return true;
    // The masks: in the header from its V2 form on, else right after it.
    uint32_t masks[4] = {0x7c00, 0x03e0, 0x001f, 0};
    if (!plain16) {
        const size_t maskCount = compression == kAlphaBitfields || header >= 56 ? 4 : 3;
        const size_t maskAt = header >= 52 ? kFileHeader + 40 : kFileHeader + header;
        if (maskAt + 4 * maskCount > size)
            return true;
        for (size_t k = 0; k < maskCount; ++k)
            masks[k] = le32(data, maskAt + 4 * k);
    }
    if (!masks[0] || !masks[1] || !masks[2])
        return true;
    for (uint32_t mask : masks)
        if (!isValidMask(mask, bpp))
            return true;
    const size_t offset = le32(data, 10);
    const size_t stride = (size_t(width) * bpp + 31) / 32 * 4;
    // Sides are at most 2^18, so the product stays far from overflowing.
    if (offset < kFileHeader + header || offset > size || stride * size_t(rows) > size - offset)
        return true;
    layout->width = size_t(width);
    layout->height = size_t(rows);
    layout->topDown = height < 0;
    layout->bitsPerPixel = bpp;
    std::memcpy(layout->masks, masks, sizeof masks);
    layout->offset = offset;
    layout->stride = stride;
    // Many writers leave the alpha bits 0 throughout: such a picture is opaque, as viewers
    // show it.
    layout->hasAlpha = false;
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData()) + offset;
    for (size_t y = 0; masks[3] && y < layout->height && !layout->hasAlpha; ++y)
        for (size_t x = 0; x < layout->width; ++x)
            if (pixelAt(bytes + y * stride, x, bpp) & masks[3]) {
                layout->hasAlpha = true;
                break;
            }
    return true;
}

CGImageRef decodeBmpBitfields(const QByteArray &data, const BmpBitfields &layout)
{
    const size_t channels = layout.hasAlpha ? 4 : 3;
    const size_t rowBytes = layout.width * channels;
    std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * layout.height);
    if (!pixels)
        return nullptr;
    const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]), alpha(layout.masks[3]);
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData()) + layout.offset;
    for (size_t y = 0; y < layout.height; ++y) {
        const uint8_t *in = bytes + (layout.topDown ? y : layout.height - 1 - y) * layout.stride;
        uint8_t *out = pixels.get() + y * rowBytes;
        for (size_t x = 0; x < layout.width; ++x, out += channels) {
            const uint32_t pixel = pixelAt(in, x, layout.bitsPerPixel);
            out[0] = red(pixel);
            out[1] = green(pixel);
            out[2] = blue(pixel);
            if (layout.hasAlpha)
                out[3] = alpha(pixel);
        }
    }
    return makeDecodedImage(layout.width, layout.height, 8, false, layout.hasAlpha, false, rowBytes,
                            colorSpaceFor(kCGColorSpaceModelRGB, {}), std::move(pixels));
}

} // namespace platform
