#pragma once

#include "platform/graphics/CGTypes.h"

#include <QByteArray>

#include <cstddef>
#include <memory>
#include <vector>

// Colour transforms between CGColorSpaces (lcms2 underneath), in the platform's model: a
// transform is a chain of steps, each naming a profile, the direction it is used in, a
// rendering intent and black-point compensation; it is independent of pixel formats, which
// are given when converting. The lcms transform for each (chain, source format, destination
// format) is built once and kept in a shared, thread-safe cache, so converting many buffers
// with equal settings builds nothing after the first.
//
// Pixel formats are named by a depth and a layout. The layout is the alpha info and byte
// order of a CGBitmapInfo (mask kColorSyncDataLayoutMask): alpha none, first, last,
// premultiplied first or last, or a padding component (skip first or last), in memory order
// unless a byte order says otherwise. Alpha is carried through a conversion (converted in
// depth, premultiplied or not as each side asks); a destination with alpha from a source
// without alpha gets opaque alpha, padding components are written as full scale.
//
// Component encodings: integer components are 0 to full scale (255, 65535); float components
// nominally 0 to 1 for gray, RGB and CMYK (CMYK components are ink amounts, 1 = full ink).
// Lab: float L 0..100 and a, b as they are; 8-bit L × 255 / 100 and a, b + 128; 16-bit
// L × 65535 / 100 and (a, b + 128) × 257.
enum ColorSyncDataDepth : int32_t {
    kColorSync8BitInteger = 2,
    kColorSync16BitInteger = 3,
    kColorSync32BitFloat = 7,
};

using ColorSyncDataLayout = uint32_t;
constexpr ColorSyncDataLayout kColorSyncDataLayoutMask = kCGBitmapAlphaInfoMask | kCGBitmapByteOrderMask;

// How a step uses its profile: device to connection space (the first step), connection space
// to connection space (a proof step in the middle: the colours are taken into the profile's
// device space and back, so they show its gamut) or connection space to device (the last step).
enum ColorSyncTransformTag : int32_t {
    kColorSyncTransformDeviceToPCS = 0,
    kColorSyncTransformPCSToPCS = 1,
    kColorSyncTransformPCSToDevice = 2,
};

struct ColorSyncTransformStep
{
    CGColorSpaceRef space;
    // 0 (default) uses the rendering intent in the profile's header; 1 to 4 as the platform
    // numbers them; any other value makes the chain invalid.
    CGColorRenderingIntent intent = kCGRenderingIntentDefault;
    ColorSyncTransformTag tag = kColorSyncTransformDeviceToPCS;
    bool blackPointCompensation = false;
};

class ColorSyncTransform;
using ColorSyncTransformRef = std::shared_ptr<const ColorSyncTransform>;

class ColorSyncTransform
{
public:
    // nullptr when the chain is not usable: fewer than two steps, a step without a colour space
    // or with an unknown intent, steps out of order (device to PCS first, PCS to device last,
    // PCS to PCS between), or a chain lcms cannot link (say an intent a profile lacks).
    static ColorSyncTransformRef create(const std::vector<ColorSyncTransformStep> &steps);
    // From one space to another: [source, device to PCS], [destination, PCS to device].
    static ColorSyncTransformRef create(const CGColorSpaceRef &source, const CGColorSpaceRef &destination,
                                        CGColorRenderingIntent intent, bool blackPointCompensation);
    // Soft proof of `space` through `proof`: the pixels stay in `space` but show what the
    // proof space can reproduce: [space, device to PCS], [proof, PCS to PCS], [space, PCS to
    // device], every step with the same intent and compensation.
    static ColorSyncTransformRef createProof(const CGColorSpaceRef &space, const CGColorSpaceRef &proof,
                                             CGColorRenderingIntent intent, bool blackPointCompensation);

    const std::vector<ColorSyncTransformStep> &steps() const { return m_steps; }
    const CGColorSpaceRef &sourceSpace() const { return m_steps.front().space; }
    const CGColorSpaceRef &destinationSpace() const { return m_steps.back().space; }

    // Converts width × height pixels. Source and destination may be the same memory when their
    // formats have the same bytes per pixel and row length (in place). False for a null
    // pointer, a zero size, a format this transform cannot serve (an unsupported depth or
    // layout, a byte order other than the host's for float data) or a row length below what
    // a row needs. Rows are converted in parallel when the buffer is large.
    bool convert(size_t width, size_t height, void *destination, ColorSyncDataDepth destinationDepth,
                 ColorSyncDataLayout destinationLayout, size_t destinationBytesPerRow, const void *source,
                 ColorSyncDataDepth sourceDepth, ColorSyncDataLayout sourceLayout, size_t sourceBytesPerRow) const;

    // Bytes per pixel of a format for `space` (components of the space, plus one for alpha or
    // padding), 0 when the depth or layout is not one we convert.
    static size_t bytesPerPixel(const CGColorSpaceRef &space, ColorSyncDataDepth depth, ColorSyncDataLayout layout);

    // How many lcms transforms the shared cache holds; counts builds for the tests and benchmarks.
    static size_t cachedTransformCount();
    static size_t transformBuildCount();
    static void clearCache();

private:
    ColorSyncTransform() = default;

    std::vector<ColorSyncTransformStep> m_steps;
    QByteArray m_key; // identifies the chain (profile digests, tags, intents, compensation)
};

namespace platform {

// The depth of a CGImage-style component size: 8 and 16 integer, 32 float; 0 otherwise.
ColorSyncDataDepth colorSyncDepth(size_t bitsPerComponent, CGBitmapInfo bitmapInfo);

} // namespace platform
