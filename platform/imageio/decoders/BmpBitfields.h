#pragma once

#include "platform/graphics/CGTypes.h"

#include <QByteArray>

#include <cstdint>

// BMP files of 16 or 32 bits a pixel whose channels are given by bit masks (BI_BITFIELDS, and
// BI_ALPHABITFIELDS with its alpha mask), and plain 16-bit ones (5 bits a channel), read by
// us: Qt's reader refuses masks with the V2 and V3 info headers (52 and 56 bytes) and
// BI_ALPHABITFIELDS, and widens 5-bit channels by a shift (31 became 248). Every channel is
// brought to 8 bits by v × 255 / max, rounded.
namespace platform {

struct BmpBitfields
{
    size_t width = 0, height = 0;
    bool topDown = false;
    uint16_t bitsPerPixel = 0;
    uint32_t masks[4] = {}; // red, green, blue, alpha (0: none)
    size_t offset = 0;      // of the first stored row
    size_t stride = 0;      // bytes a stored row
    bool hasAlpha = false;  // an alpha mask, and some pixel not fully transparent by it
};

// True when `data` is a BMP of this kind (its compression and depth say so). The layout is
// filled when its header, masks and pixel rows are whole and sound; a broken one leaves the
// width 0. False for any other BMP (Qt's reader takes those).
bool readBmpBitfields(const QByteArray &data, BmpBitfields *layout);
// The pixels as 8-bit RGB, or RGBA when the layout has alpha; nullptr when memory runs out.
CGImageRef decodeBmpBitfields(const QByteArray &data, const BmpBitfields &layout);

} // namespace platform
