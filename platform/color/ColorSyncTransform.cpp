#include "platform/color/ColorSyncTransform.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGPixelLayout.h"
#include "platform/graphics/CGRowLoop.h"

#include <QHash>
#include <QMutex>

#include <lcms2.h>

#include <cstring>
#include <list>

namespace {

// One lcms pixel format, with what the conversion must do around lcms.
struct PixelFormat
{
    cmsUInt32Number lcms = 0;
    size_t bytesPerPixel = 0;
    size_t colourComponents = 0;
    bool hasExtra = false;     // an alpha or padding component
    bool realAlpha = false;    // the extra component is alpha (not padding)
    bool extraFirst = false;   // the extra component precedes the colours in memory
    bool inkFloat = false;     // float CMYK: lcms counts ink 0..100, we count 0..1
    ColorSyncDataDepth depth = kColorSync8BitInteger;
};

cmsUInt32Number lcmsColourSpace(CGColorSpaceModel model)
{
    switch (model) {
    case kCGColorSpaceModelMonochrome:
        return PT_GRAY;
    case kCGColorSpaceModelRGB:
        return PT_RGB;
    case kCGColorSpaceModelCMYK:
        return PT_CMYK;
    case kCGColorSpaceModelLab:
        return PT_Lab;
    default:
        return 0;
    }
}

bool describe(const CGColorSpace &space, ColorSyncDataDepth depth, ColorSyncDataLayout layout, PixelFormat *out)
{
    const cmsUInt32Number pt = lcmsColourSpace(space.model());
    const size_t n = space.numberOfComponents();
    if (pt == 0 || n == 0 || (layout & ~kColorSyncDataLayoutMask) != 0)
        return false;
    size_t bits = 0;
    switch (depth) {
    case kColorSync8BitInteger:
        bits = 8;
        break;
    case kColorSync16BitInteger:
        bits = 16;
        break;
    case kColorSync32BitFloat:
        bits = 32;
        break;
    default:
        return false;
    }
    const CGBitmapInfo info = layout | (bits == 32 ? kCGBitmapFloatComponents : 0);
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(layout);
    const size_t components = n + (alpha == kCGImageAlphaNone ? 0 : 1);
    platform::CGPixelLayout memory;
    // lcms reads floats in host order only.
    if (!platform::describePixelLayout(n, bits, components * bits, info, &memory) || (bits == 32 && memory.swapBytes))
        return false;
    PixelFormat f;
    f.depth = depth;
    f.colourComponents = n;
    f.hasExtra = alpha != kCGImageAlphaNone;
    f.realAlpha = memory.alpha >= 0;
    f.extraFirst = alpha == kCGImageAlphaPremultipliedFirst || alpha == kCGImageAlphaFirst ||
                   alpha == kCGImageAlphaNoneSkipFirst;
    f.inkFloat = bits == 32 && pt == PT_CMYK;
    f.bytesPerPixel = memory.bytesPerPixel();
    // 8-bit components in a 32-bit little-endian order are the same components reversed in memory.
    const bool reversed = bits == 8 && (layout & kCGBitmapByteOrderMask) == kCGBitmapByteOrder32Little;
    f.lcms = COLORSPACE_SH(pt) | CHANNELS_SH(n) | EXTRA_SH(f.hasExtra ? 1 : 0) | BYTES_SH(bits / 8) |
             FLOAT_SH(bits == 32 ? 1 : 0) | ENDIAN16_SH(memory.swapBytes ? 1 : 0) | DOSWAP_SH(reversed ? 1 : 0) |
             SWAPFIRST_SH(f.extraFirst ? 1 : 0) | PREMUL_SH(memory.premultiplied ? 1 : 0);
    *out = f;
    return true;
}

cmsUInt32Number lcmsIntent(CGColorRenderingIntent intent, cmsHPROFILE profile)
{
    switch (intent) {
    case kCGRenderingIntentDefault:
        return cmsGetHeaderRenderingIntent(profile);
    case kCGRenderingIntentAbsoluteColorimetric:
        return INTENT_ABSOLUTE_COLORIMETRIC;
    case kCGRenderingIntentRelativeColorimetric:
        return INTENT_RELATIVE_COLORIMETRIC;
    case kCGRenderingIntentPerceptual:
        return INTENT_PERCEPTUAL;
    case kCGRenderingIntentSaturation:
        return INTENT_SATURATION;
    }
    return INTENT_PERCEPTUAL;
}

// The shared cache of lcms transforms, least recently used first out.
class TransformCache
{
public:
    static TransformCache &shared()
    {
        static TransformCache cache;
        return cache;
    }

    std::shared_ptr<void> find(const QByteArray &key)
    {
        QMutexLocker lock(&m_mutex);
        auto it = m_index.constFind(key);
        if (it == m_index.constEnd())
            return nullptr;
        m_entries.splice(m_entries.begin(), m_entries, it.value());
        return it.value()->second;
    }

    // Keeps `transform` unless another thread stored one for the key meanwhile; answers the kept one.
    std::shared_ptr<void> insert(const QByteArray &key, std::shared_ptr<void> transform)
    {
        QMutexLocker lock(&m_mutex);
        ++m_builds;
        if (auto it = m_index.constFind(key); it != m_index.constEnd())
            return it.value()->second;
        m_entries.emplace_front(key, std::move(transform));
        m_index.insert(key, m_entries.begin());
        while (m_entries.size() > kCapacity) {
            m_index.remove(m_entries.back().first);
            m_entries.pop_back(); // a transform still converting stays alive through its shared_ptr
        }
        return m_entries.front().second;
    }

    size_t size()
    {
        QMutexLocker lock(&m_mutex);
        return m_entries.size();
    }
    size_t builds()
    {
        QMutexLocker lock(&m_mutex);
        return m_builds;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_index.clear();
        m_entries.clear();
    }

private:
    static constexpr size_t kCapacity = 64;
    using Entry = std::pair<QByteArray, std::shared_ptr<void>>;
    QMutex m_mutex; // guards m_entries, m_index and m_builds
    std::list<Entry> m_entries;
    QHash<QByteArray, std::list<Entry>::iterator> m_index;
    size_t m_builds = 0;
};

// lcms links its Lab profiles into a chain only in their abstract form, which a colour space
// (a device class) cannot be; every Lab space therefore links as lcms's own D50 Lab profile,
// the connection space itself.
cmsHPROFILE linkableProfile(const CGColorSpace &space)
{
    if (space.model() != kCGColorSpaceModelLab)
        return static_cast<cmsHPROFILE>(space.lcmsProfile());
    static cmsHPROFILE lab = cmsCreateLab4Profile(nullptr); // read-only once made
    return lab;
}

std::shared_ptr<void> buildTransform(const std::vector<ColorSyncTransformStep> &steps, cmsUInt32Number inputFormat,
                                     cmsUInt32Number outputFormat, cmsUInt32Number flags)
{
    std::vector<cmsHPROFILE> profiles;
    std::vector<cmsBool> bpc;
    std::vector<cmsUInt32Number> intents;
    std::vector<cmsFloat64Number> adaptation;
    for (const ColorSyncTransformStep &step : steps) {
        cmsHPROFILE profile = linkableProfile(*step.space);
        // A proof step takes the colours into the profile's device space and back out.
        const int uses = step.tag == kColorSyncTransformPCSToPCS ? 2 : 1;
        for (int i = 0; i < uses; ++i) {
            profiles.push_back(profile);
            bpc.push_back(step.blackPointCompensation);
            intents.push_back(lcmsIntent(step.intent, profile));
            adaptation.push_back(1.0);
        }
    }
    cmsHTRANSFORM transform = cmsCreateExtendedTransform(
        nullptr, cmsUInt32Number(profiles.size()), profiles.data(), bpc.data(), intents.data(), adaptation.data(),
        nullptr, 0, inputFormat, outputFormat, flags);
    if (!transform)
        return nullptr;
    return std::shared_ptr<void>(transform, [](void *t) { cmsDeleteTransform(static_cast<cmsHTRANSFORM>(t)); });
}

std::shared_ptr<void> cachedTransform(const QByteArray &chainKey, const std::vector<ColorSyncTransformStep> &steps,
                                      cmsUInt32Number inputFormat, cmsUInt32Number outputFormat,
                                      cmsUInt32Number flags)
{
    QByteArray key = chainKey;
    key.append(reinterpret_cast<const char *>(&inputFormat), sizeof inputFormat);
    key.append(reinterpret_cast<const char *>(&outputFormat), sizeof outputFormat);
    key.append(reinterpret_cast<const char *>(&flags), sizeof flags);
    TransformCache &cache = TransformCache::shared();
    if (std::shared_ptr<void> found = cache.find(key))
        return found;
    // Built outside the cache's lock: building can take milliseconds and others may convert meanwhile.
    std::shared_ptr<void> built = buildTransform(steps, inputFormat, outputFormat, flags);
    if (!built)
        return nullptr;
    return cache.insert(key, std::move(built));
}

template<typename T>
void fillExtra(uint8_t *row, size_t width, const PixelFormat &f, T value)
{
    auto *p = reinterpret_cast<T *>(row);
    const size_t stride = f.colourComponents + 1;
    // Reversed 8-bit layouts move the extra component to the other end.
    bool first = f.extraFirst;
    if (T_DOSWAP(f.lcms))
        first = !first;
    const size_t at = first ? 0 : f.colourComponents;
    for (size_t x = 0; x < width; ++x)
        p[x * stride + at] = value;
}

void fillExtraRow(uint8_t *row, size_t width, const PixelFormat &f)
{
    switch (f.depth) {
    case kColorSync8BitInteger:
        fillExtra<uint8_t>(row, width, f, 255);
        break;
    case kColorSync16BitInteger:
        fillExtra<uint16_t>(row, width, f, 65535);
        break;
    default:
        fillExtra<float>(row, width, f, 1.0f);
        break;
    }
}

// Scales the colour components of a float row (CMYK ink 0..1 <-> lcms's 0..100).
void scaleInkRow(float *row, size_t width, const PixelFormat &f, float factor)
{
    const size_t stride = f.bytesPerPixel / sizeof(float);
    const size_t offset = f.hasExtra && f.extraFirst ? 1 : 0;
    for (size_t x = 0; x < width; ++x) {
        float *p = row + x * stride + offset;
        for (size_t c = 0; c < f.colourComponents; ++c)
            p[c] *= factor;
    }
}

QByteArray chainKey(const std::vector<ColorSyncTransformStep> &steps)
{
    QByteArray key;
    for (const ColorSyncTransformStep &step : steps) {
        key.append(step.space->iccDigest());
        const int32_t fields[3] = {int32_t(step.tag), int32_t(step.intent), step.blackPointCompensation ? 1 : 0};
        key.append(reinterpret_cast<const char *>(fields), sizeof fields);
    }
    return key;
}

bool validChain(const std::vector<ColorSyncTransformStep> &steps)
{
    if (steps.size() < 2)
        return false;
    for (size_t i = 0; i < steps.size(); ++i) {
        const ColorSyncTransformStep &step = steps[i];
        if (!step.space || !step.space->lcmsProfile() || lcmsColourSpace(step.space->model()) == 0)
            return false;
        if (step.intent < kCGRenderingIntentDefault || step.intent > kCGRenderingIntentSaturation)
            return false;
        const ColorSyncTransformTag expected = i == 0                      ? kColorSyncTransformDeviceToPCS
                                               : i + 1 == steps.size() ? kColorSyncTransformPCSToDevice
                                                                       : kColorSyncTransformPCSToPCS;
        if (step.tag != expected)
            return false;
    }
    return true;
}

} // namespace

namespace platform {

ColorSyncDataDepth colorSyncDepth(size_t bitsPerComponent, CGBitmapInfo bitmapInfo)
{
    const bool isFloat = (bitmapInfo & kCGBitmapFloatComponents) != 0;
    if (bitsPerComponent == 8 && !isFloat)
        return kColorSync8BitInteger;
    if (bitsPerComponent == 16 && !isFloat)
        return kColorSync16BitInteger;
    if (bitsPerComponent == 32 && isFloat)
        return kColorSync32BitFloat;
    return ColorSyncDataDepth(0);
}

} // namespace platform

ColorSyncTransformRef ColorSyncTransform::create(const std::vector<ColorSyncTransformStep> &steps)
{
    if (!validChain(steps))
        return nullptr;
    auto transform = std::shared_ptr<ColorSyncTransform>(new ColorSyncTransform);
    transform->m_steps = steps;
    transform->m_key = chainKey(steps);
    // Link the chain once in float (what every other format reuses the work of) to find out
    // now, not at the first conversion, whether lcms can build it.
    PixelFormat in, out;
    if (!describe(*steps.front().space, kColorSync32BitFloat, kCGImageAlphaNone, &in) ||
        !describe(*steps.back().space, kColorSync32BitFloat, kCGImageAlphaNone, &out) ||
        !cachedTransform(transform->m_key, steps, in.lcms, out.lcms, 0))
        return nullptr;
    return transform;
}

ColorSyncTransformRef ColorSyncTransform::create(const CGColorSpaceRef &source, const CGColorSpaceRef &destination,
                                                 CGColorRenderingIntent intent, bool blackPointCompensation)
{
    return create({{source, intent, kColorSyncTransformDeviceToPCS, blackPointCompensation},
                   {destination, intent, kColorSyncTransformPCSToDevice, blackPointCompensation}});
}

ColorSyncTransformRef ColorSyncTransform::createProof(const CGColorSpaceRef &space, const CGColorSpaceRef &proof,
                                                      CGColorRenderingIntent intent, bool blackPointCompensation)
{
    return create({{space, intent, kColorSyncTransformDeviceToPCS, blackPointCompensation},
                   {proof, intent, kColorSyncTransformPCSToPCS, blackPointCompensation},
                   {space, intent, kColorSyncTransformPCSToDevice, blackPointCompensation}});
}

size_t ColorSyncTransform::bytesPerPixel(const CGColorSpaceRef &space, ColorSyncDataDepth depth,
                                         ColorSyncDataLayout layout)
{
    PixelFormat f;
    return space && describe(*space, depth, layout, &f) ? f.bytesPerPixel : 0;
}

bool ColorSyncTransform::convert(size_t width, size_t height, void *destination, ColorSyncDataDepth destinationDepth,
                                 ColorSyncDataLayout destinationLayout, size_t destinationBytesPerRow,
                                 const void *source, ColorSyncDataDepth sourceDepth, ColorSyncDataLayout sourceLayout,
                                 size_t sourceBytesPerRow) const
{
    if (!destination || !source || width == 0 || height == 0)
        return false;
    PixelFormat in, out;
    if (!describe(*sourceSpace(), sourceDepth, sourceLayout, &in) ||
        !describe(*destinationSpace(), destinationDepth, destinationLayout, &out))
        return false;
    if (sourceBytesPerRow < width * in.bytesPerPixel || destinationBytesPerRow < width * out.bytesPerPixel)
        return false;
    const bool inPlace = destination == source;
    if (inPlace && (in.bytesPerPixel != out.bytesPerPixel || sourceBytesPerRow != destinationBytesPerRow))
        return false;

    auto *dst = static_cast<uint8_t *>(destination);
    const auto *src = static_cast<const uint8_t *>(source);
    const size_t rowBytes = width * out.bytesPerPixel;

    // The same profile on both ends in the same format: nothing to convert.
    if (m_steps.size() == 2 && sourceSpace()->isEquivalent(*destinationSpace()) && in.lcms == out.lcms) {
        if (!inPlace)
            platform::forEachRowRange(height, rowBytes, [&](size_t y0, size_t y1) {
                for (size_t y = y0; y < y1; ++y)
                    std::memcpy(dst + y * destinationBytesPerRow, src + y * sourceBytesPerRow, rowBytes);
            });
        return true;
    }

    const bool copyAlpha = in.hasExtra && out.hasExtra && in.realAlpha == out.realAlpha;
    const bool fillAlpha = out.hasExtra && !copyAlpha;
    cmsUInt32Number flags = copyAlpha ? cmsFLAGS_COPY_ALPHA : 0;
    std::shared_ptr<void> handle = cachedTransform(m_key, m_steps, in.lcms, out.lcms, flags);
    if (!handle)
        return false;
    auto transform = static_cast<cmsHTRANSFORM>(handle.get());

    if (inPlace && fillAlpha)
        return false;

    platform::forEachRowRange(height, width * (in.bytesPerPixel + out.bytesPerPixel), [&](size_t y0, size_t y1) {
        // Opaque alpha first: lcms premultiplies by the destination's alpha as it writes.
        if (fillAlpha)
            for (size_t y = y0; y < y1; ++y)
                fillExtraRow(dst + y * destinationBytesPerRow, width, out);
        if (!in.inkFloat) {
            cmsDoTransformLineStride(transform, src + y0 * sourceBytesPerRow, dst + y0 * destinationBytesPerRow,
                                     cmsUInt32Number(width), cmsUInt32Number(y1 - y0),
                                     cmsUInt32Number(sourceBytesPerRow), cmsUInt32Number(destinationBytesPerRow), 0,
                                     0);
        } else {
            // Float ink goes through a scaled copy of each row.
            std::vector<float> scratch(width * in.bytesPerPixel / sizeof(float));
            for (size_t y = y0; y < y1; ++y) {
                std::memcpy(scratch.data(), src + y * sourceBytesPerRow, width * in.bytesPerPixel);
                scaleInkRow(scratch.data(), width, in, 100.0f);
                cmsDoTransform(transform, scratch.data(), dst + y * destinationBytesPerRow, cmsUInt32Number(width));
            }
        }
        if (out.inkFloat)
            for (size_t y = y0; y < y1; ++y)
                scaleInkRow(reinterpret_cast<float *>(dst + y * destinationBytesPerRow), width, out, 0.01f);
    });
    return true;
}

size_t ColorSyncTransform::cachedTransformCount() { return TransformCache::shared().size(); }

size_t ColorSyncTransform::transformBuildCount() { return TransformCache::shared().builds(); }

void ColorSyncTransform::clearCache() { TransformCache::shared().clear(); }
