#include "platform/graphics/CGContext.h"

#include "platform/color/ColorSyncTransform.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/graphics/CGPixelLayout.h"
#include "platform/graphics/CGRowLoop.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

using platform::CGPixelLayout;

struct CGContext::Layout : CGPixelLayout
{
};

namespace {

// A clip rectangle that is not axis-aligned in device space: tested per pixel.
struct ClipShape
{
    QTransform deviceToUser; // memory pixel coordinates (rows from the top) to the user space of the clip
    QRectF rect;
};

constexpr size_t kMaxChannels = 5; // colour components and alpha of a working pixel

bool contains(const QRectF &r, const QPointF &p)
{
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

template<typename T>
constexpr float fullScale()
{
    if constexpr (std::is_same_v<T, float>)
        return 1.0f;
    else
        return float(std::numeric_limits<T>::max());
}

template<typename T>
inline T storeComponent(float v)
{
    if constexpr (std::is_same_v<T, float>) {
        return v;
    } else {
        v = std::clamp(v, 0.0f, fullScale<T>());
        return T(v + 0.5f);
    }
}

float fullScaleOf(size_t bitsPerComponent)
{
    return bitsPerComponent == 8 ? 255.0f : bitsPerComponent == 16 ? 65535.0f : 1.0f;
}

// A source image as the sampling kernels read it: components of the context's type, colours
// consecutive from `colourOffset`, alpha (premultiplied) at `alpha` or none.
struct SourceView
{
    const uint8_t *bytes = nullptr;
    size_t rowBytes = 0;
    size_t width = 0;
    size_t height = 0;
    size_t stride = 0; // components per pixel
    size_t colourOffset = 0;
    int alpha = -1;
    size_t colours = 0;
};

struct PreparedSource
{
    SourceView view;
    std::unique_ptr<uint8_t[]> storage;
};

// Reads component `index` of a pixel as 0..1 (floats as they are).
template<typename In>
inline float loadUnit(const uint8_t *pixel, int index)
{
    In v;
    std::memcpy(&v, pixel + sizeof(In) * size_t(index), sizeof(In));
    if constexpr (std::is_same_v<In, float>)
        return v;
    else
        return float(v) * (1.0f / fullScale<In>());
}

// Other byte orders than the host's: rare, read component by component.
inline float loadSwapped(const uint8_t *pixel, int index, size_t bitsPerComponent)
{
    if (bitsPerComponent == 16) {
        uint16_t v;
        std::memcpy(&v, pixel + 2 * size_t(index), 2);
        return qbswap(v) / 65535.0f;
    }
    uint32_t bits;
    std::memcpy(&bits, pixel + 4 * size_t(index), 4);
    bits = qbswap(bits);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// Same-space copy into the working form (colours then alpha, premultiplied) of type Out.
template<typename In, typename Out>
void repackRows(const CGImage &image, const CGPixelLayout &in, uint8_t *out, size_t outRowBytes, size_t outStride)
{
    const size_t w = image.width();
    const size_t nc = in.colours;
    const size_t inBytes = in.bytesPerPixel();
    auto load = [&in](const uint8_t *pixel, int index) {
        return in.swapBytes ? loadSwapped(pixel, index, in.bitsPerComponent) : loadUnit<In>(pixel, index);
    };
    platform::forEachRowRange(image.height(), w * (inBytes + outStride * sizeof(Out)), [&](size_t y0, size_t y1) {
        for (size_t y = y0; y < y1; ++y) {
            const uint8_t *src = image.row(y);
            Out *dst = reinterpret_cast<Out *>(out + y * outRowBytes);
            if constexpr (std::is_same_v<In, uint8_t> && std::is_same_v<Out, uint8_t>) {
                // Bytes to bytes in integers: the everyday case of a decoded photo.
                const bool premultiply = in.alpha >= 0 && !in.premultiplied;
                for (size_t x = 0; x < w; ++x, src += inBytes, dst += outStride) {
                    const unsigned a = in.alpha >= 0 ? src[in.alpha] : 255u;
                    for (size_t c = 0; c < nc; ++c) {
                        const unsigned v = src[in.colour[c]];
                        if (premultiply) {
                            const unsigned t = v * a + 128;
                            dst[c] = uint8_t((t + (t >> 8)) >> 8);
                        } else {
                            dst[c] = uint8_t(v);
                        }
                    }
                    if (in.alpha >= 0)
                        dst[nc] = uint8_t(a);
                }
                continue;
            }
            for (size_t x = 0; x < w; ++x, src += inBytes, dst += outStride) {
                const float a = in.alpha >= 0 ? load(src, in.alpha) : 1.0f;
                const float k = (in.alpha >= 0 && !in.premultiplied ? a : 1.0f) * fullScale<Out>();
                for (size_t c = 0; c < nc; ++c)
                    dst[c] = storeComponent<Out>(load(src, in.colour[c]) * k);
                if (in.alpha >= 0)
                    dst[nc] = storeComponent<Out>(a * fullScale<Out>());
            }
        }
    });
}

template<typename Out>
void repackFrom(const CGImage &image, const CGPixelLayout &in, uint8_t *out, size_t outRowBytes, size_t outStride)
{
    switch (in.bitsPerComponent) {
    case 8:
        repackRows<uint8_t, Out>(image, in, out, outRowBytes, outStride);
        break;
    case 16:
        repackRows<uint16_t, Out>(image, in, out, outRowBytes, outStride);
        break;
    default:
        repackRows<float, Out>(image, in, out, outRowBytes, outStride);
        break;
    }
}

// Brings `image` into the context's space and component type. The image's own memory serves
// when it already is in that form; otherwise a converted copy is made: by repacking when the
// spaces are the same (exact), by a colour transform when they differ.
bool prepareSource(const CGImage &image, const CGColorSpaceRef &space, const CGPixelLayout &context,
                   PreparedSource *prepared)
{
    const CGColorSpaceRef &imageSpace = image.colorSpace();
    if (!imageSpace || !space)
        return false;
    const size_t nc = space->numberOfComponents();
    const bool sameSpace = CGColorSpaceEqualToColorSpace(imageSpace, space);
    CGPixelLayout in;
    const bool described = describePixelLayout(imageSpace->numberOfComponents(), image.bitsPerComponent(),
                                               image.bitsPerPixel(), image.bitmapInfo(), &in);
    SourceView &view = prepared->view;
    view.width = image.width();
    view.height = image.height();
    view.colours = nc;

    if (sameSpace && described && in.bitsPerComponent == context.bitsPerComponent && !in.swapBytes &&
        (in.alpha < 0 || in.premultiplied)) {
        const size_t offset = size_t(in.colour[0]);
        bool consecutive = true;
        for (size_t c = 0; c < nc; ++c)
            consecutive = consecutive && in.colour[c] == int(offset + c);
        if (consecutive) {
            view.bytes = image.bytes();
            view.rowBytes = image.bytesPerRow();
            view.stride = in.channels;
            view.colourOffset = offset;
            view.alpha = in.alpha;
            return true;
        }
    }

    const bool hasAlpha = CGImageAlphaInfoHasAlpha(image.alphaInfo());
    const size_t stride = nc + (hasAlpha ? 1 : 0);
    const size_t componentBytes = context.bitsPerComponent / 8;
    const size_t rowBytes = view.width * stride * componentBytes;
    uint8_t *memory = new (std::nothrow) uint8_t[rowBytes * view.height];
    if (!memory)
        return false;
    prepared->storage.reset(memory);
    view.bytes = memory;
    view.rowBytes = rowBytes;
    view.stride = stride;
    view.colourOffset = 0;
    view.alpha = hasAlpha ? int(nc) : -1;

    if (sameSpace && described) {
        switch (context.bitsPerComponent) {
        case 8:
            repackFrom<uint8_t>(image, in, memory, rowBytes, stride);
            break;
        case 16:
            repackFrom<uint16_t>(image, in, memory, rowBytes, stride);
            break;
        default:
            repackFrom<float>(image, in, memory, rowBytes, stride);
            break;
        }
        return true;
    }
    const ColorSyncDataDepth sourceDepth = platform::colorSyncDepth(image.bitsPerComponent(), image.bitmapInfo());
    const ColorSyncDataDepth depth = platform::colorSyncDepth(context.bitsPerComponent,
                                                              context.isFloat ? kCGBitmapFloatComponents : 0);
    ColorSyncTransformRef transform =
        ColorSyncTransform::create(imageSpace, space, image.renderingIntent(), false);
    return transform &&
           transform->convert(view.width, view.height, memory, depth,
                              hasAlpha ? kCGImageAlphaPremultipliedLast : kCGImageAlphaNone, rowBytes, image.bytes(),
                              sourceDepth, image.bitmapInfo() & kColorSyncDataLayoutMask, image.bytesPerRow());
}

// ---------------------------------------------------------------- resampling weights

double lanczos3(double t)
{
    t = std::fabs(t);
    if (t < 1e-9)
        return 1.0;
    if (t >= 3.0)
        return 0.0;
    const double pt = M_PI * t;
    return 3.0 * std::sin(pt) * std::sin(pt / 3.0) / (pt * pt);
}

// For each destination position, the source positions and weights that make it.
struct Taps
{
    std::vector<uint32_t> first; // into index/weight, one more entry than positions
    std::vector<int32_t> index;
    std::vector<float> weight;
    int32_t lowest = INT32_MAX;
    int32_t highest = -1;

    void add(int32_t i, float w)
    {
        index.push_back(i);
        weight.push_back(w);
        lowest = std::min(lowest, i);
        highest = std::max(highest, i);
    }
};

// Source coordinate u of destination pixel centres: u = (d + 0.5 − offset) / scale for d in
// [begin, end); `size` source pixels.
Taps makeTaps(size_t begin, size_t end, double scale, double offset, size_t size, CGInterpolationQuality quality)
{
    Taps taps;
    const int32_t last = int32_t(size) - 1;
    for (size_t d = begin; d < end; ++d) {
        taps.first.push_back(uint32_t(taps.index.size()));
        const double u = (double(d) + 0.5 - offset) / scale;
        if (quality == kCGInterpolationNone) {
            taps.add(std::clamp(int32_t(std::floor(u)), 0, last), 1.0f);
        } else if (quality == kCGInterpolationLow) {
            const double t = u - 0.5;
            const double j0 = std::floor(t);
            const float f = float(t - j0);
            taps.add(std::clamp(int32_t(j0), 0, last), 1.0f - f);
            taps.add(std::clamp(int32_t(j0) + 1, 0, last), f);
        } else {
            const double s = std::min(1.0, std::fabs(scale)); // widen the filter when reducing
            const double radius = 3.0 / s;
            const int32_t j0 = std::max(0, int32_t(std::floor(u - radius)));
            const int32_t j1 = std::min(last, int32_t(std::ceil(u + radius)));
            const size_t start = taps.index.size();
            double sum = 0;
            for (int32_t j = j0; j <= j1; ++j) {
                const double w = lanczos3((j + 0.5 - u) * s);
                if (w != 0.0) {
                    taps.add(j, float(w));
                    sum += w;
                }
            }
            if (taps.index.size() == start)
                taps.add(std::clamp(int32_t(std::floor(u)), 0, last), 1.0f);
            else
                for (size_t i = start; i < taps.index.size(); ++i)
                    taps.weight[i] = float(taps.weight[i] / sum);
        }
    }
    taps.first.push_back(uint32_t(taps.index.size()));
    return taps;
}

// ---------------------------------------------------------------- compositing

struct Paint
{
    float alpha = 1.0f; // global alpha
    CGBlendMode mode = kCGBlendModeNormal;
};

// Composites working pixels (premultiplied colours then alpha, in component units) into a row.
template<typename T>
void compositeRow(T *row, const CGPixelLayout &l, const float *src, const uint8_t *cover, size_t count,
                  const Paint &paint)
{
    const size_t nc = l.colours;
    const size_t stride = l.channels;
    const float full = fullScale<T>();
    const float f = paint.alpha;
    for (size_t i = 0; i < count; ++i, row += stride, src += kMaxChannels) {
        if (cover && !cover[i])
            continue;
        const float sa = src[nc] * f;
        if (paint.mode == kCGBlendModeCopy) {
            for (size_t c = 0; c < nc; ++c)
                row[l.colour[c]] = storeComponent<T>(src[c] * f);
            if (l.alpha >= 0)
                row[l.alpha] = storeComponent<T>(sa);
        } else {
            const float keep = 1.0f - sa / full;
            for (size_t c = 0; c < nc; ++c)
                row[l.colour[c]] = storeComponent<T>(src[c] * f + float(row[l.colour[c]]) * keep);
            if (l.alpha >= 0)
                row[l.alpha] = storeComponent<T>(sa + float(row[l.alpha]) * keep);
        }
        if (l.padding >= 0)
            row[l.padding] = storeComponent<T>(full);
    }
}

template<typename T>
inline void fetch(const SourceView &s, size_t j, size_t k, float *out)
{
    const T *p = reinterpret_cast<const T *>(s.bytes + k * s.rowBytes) + j * s.stride;
    for (size_t c = 0; c < s.colours; ++c)
        out[c] = float(p[s.colourOffset + c]);
    out[s.colours] = s.alpha >= 0 ? float(p[s.alpha]) : fullScale<T>();
}

// Keeps a filtered working pixel inside what its type can hold and premultiplied colours at
// or below their alpha (a sharpening filter may overshoot both).
template<typename T>
inline void settle(float *px, size_t nc)
{
    const float full = fullScale<T>();
    float &a = px[nc];
    a = std::clamp(a, 0.0f, full);
    for (size_t c = 0; c < nc; ++c) {
        px[c] = std::max(px[c], 0.0f);
        if constexpr (!std::is_same_v<T, float>)
            px[c] = std::min(px[c], a);
    }
}

} // namespace

struct CGContext::State
{
    QTransform ctm;
    float alpha = 1.0f;
    CGBlendMode blendMode = kCGBlendModeNormal;
    CGInterpolationQuality quality = kCGInterpolationDefault;
    QRect clip;                    // memory pixel box the clip allows
    std::vector<ClipShape> shapes; // further clip rectangles tested per pixel
    std::array<float, kMaxChannels> fill{}; // premultiplied, component units; opaque black at first
};

namespace {

// Runs `produce(y, x0, x1, pixels, cover)` for each row of `box` in parallel and composites what it
// made. `produce` fills working pixels and may clear cover flags (which start set, after the
// clip's own per-pixel shapes have had their say).
template<typename T, typename Produce>
void renderBox(uint8_t *data, size_t bytesPerRow, const CGPixelLayout &l, const QRect &box,
               const std::vector<ClipShape> &shapes, const Paint &paint, Produce &&produce)
{
    if (box.isEmpty())
        return;
    const size_t w = size_t(box.width());
    platform::forEachRowRange(size_t(box.height()), w * l.channels * sizeof(T) * 4, [&](size_t r0, size_t r1) {
        std::vector<float> pixels(w * kMaxChannels);
        std::vector<uint8_t> cover(w);
        for (size_t r = r0; r < r1; ++r) {
            const int y = box.top() + int(r);
            std::fill(cover.begin(), cover.end(), uint8_t(1));
            for (const ClipShape &shape : shapes)
                for (size_t i = 0; i < w; ++i)
                    if (cover[i] && !contains(shape.rect, shape.deviceToUser.map(QPointF(box.left() + i + 0.5, y + 0.5))))
                        cover[i] = 0;
            produce(y, box.left(), box.left() + int(w), pixels.data(), cover.data());
            T *row = reinterpret_cast<T *>(data + size_t(y) * bytesPerRow) + size_t(box.left()) * l.channels;
            compositeRow<T>(row, l, pixels.data(), cover.data(), w, paint);
        }
    });
}

// Device coordinates far outside any bitmap, held where whole-pixel arithmetic stays in range.
inline double tame(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, -1e9, 1e9); }

// The device box of a user rectangle under `toDevice`, as whole pixels whose centres may be in it.
QRect deviceBox(const QRectF &rect, const QTransform &toDevice, const QRect &bounds)
{
    const QRectF mapped = toDevice.mapRect(rect);
    const int x0 = int(std::floor(tame(mapped.left()))), y0 = int(std::floor(tame(mapped.top())));
    const int x1 = int(std::ceil(tame(mapped.right()))), y1 = int(std::ceil(tame(mapped.bottom())));
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)).intersected(bounds);
}

// The pixels whose centres lie inside a device rectangle.
QRect pixelsInside(const QRectF &r)
{
    const int x0 = int(std::ceil(tame(r.left()) - 0.5)), x1 = int(std::ceil(tame(r.right()) - 0.5));
    const int y0 = int(std::ceil(tame(r.top()) - 0.5)), y1 = int(std::ceil(tame(r.bottom()) - 0.5));
    return QRect(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

bool isAxisAligned(const QTransform &t)
{
    return std::fabs(t.m12()) < 1e-12 && std::fabs(t.m21()) < 1e-12 && t.type() <= QTransform::TxScale;
}

// Whole rows straight from the source when nothing needs resampling or converting: the source
// holds the context's own layout, its columns follow one another one to one, and the
// compositing is a copy or (8-bit) premultiplied source-over at full opacity. False when the
// case is not one of these; the general path then draws.
template<typename T>
bool blitRows(uint8_t *data, size_t bytesPerRow, const CGPixelLayout &l, const QRect &box, const Paint &paint,
              const SourceView &src, const Taps &rows, const Taps &columns)
{
    if (paint.alpha != 1.0f || src.stride != l.channels)
        return false;
    for (size_t c = 0; c < src.colours; ++c)
        if (l.colour[c] != int(src.colourOffset + c))
            return false;
    if (src.alpha != l.alpha && !(src.alpha < 0 && l.alpha < 0))
        return false;
    const size_t w = size_t(box.width());
    for (size_t i = 0; i < w; ++i)
        if (columns.index[columns.first[i]] != columns.index[columns.first[0]] + int32_t(i))
            return false;
    const bool copy = paint.mode == kCGBlendModeCopy || src.alpha < 0;
    if (!copy && !std::is_same_v<T, uint8_t>)
        return false;
    const size_t pixelBytes = l.channels * sizeof(T);
    const size_t firstColumn = size_t(columns.index[columns.first[0]]);
    platform::forEachRowRange(size_t(box.height()), w * pixelBytes * 2, [&](size_t r0, size_t r1) {
        for (size_t r = r0; r < r1; ++r) {
            const size_t k = size_t(rows.index[rows.first[r]]);
            const uint8_t *from = src.bytes + k * src.rowBytes + firstColumn * pixelBytes;
            uint8_t *to = data + size_t(box.top() + int(r)) * bytesPerRow + size_t(box.left()) * pixelBytes;
            if (copy) {
                std::memcpy(to, from, w * pixelBytes);
                if (l.padding >= 0) {
                    T *p = reinterpret_cast<T *>(to);
                    for (size_t i = 0; i < w; ++i)
                        p[i * l.channels + size_t(l.padding)] = storeComponent<T>(fullScale<T>());
                }
                continue;
            }
            const size_t a = size_t(l.alpha);
            for (size_t i = 0; i < w; ++i, from += l.channels, to += l.channels) {
                const unsigned sa = from[a];
                if (sa == 255) {
                    std::memcpy(to, from, l.channels);
                } else if (sa != 0) {
                    for (size_t c = 0; c < l.channels; ++c) {
                        const unsigned t = unsigned(to[c]) * (255 - sa) + 128;
                        to[c] = uint8_t(std::min(255u, from[c] + ((t + (t >> 8)) >> 8)));
                    }
                }
            }
        }
    });
    return true;
}

template<typename T>
void drawAxisAligned(uint8_t *data, size_t bytesPerRow, const CGPixelLayout &l, QRect box,
                     const std::vector<ClipShape> &shapes, const Paint &paint, const SourceView &src,
                     const QTransform &toDevice, CGInterpolationQuality quality)
{
    const double sx = toDevice.m11(), sy = toDevice.m22(), dx = toDevice.dx(), dy = toDevice.dy();
    // Only pixels whose centres fall inside the image are drawn.
    auto covered = [](int d, double scale, double offset, size_t size) {
        const double u = (d + 0.5 - offset) / scale;
        return u >= 0.0 && u < double(size);
    };
    int x0 = box.left(), x1 = box.right() + 1, y0 = box.top(), y1 = box.bottom() + 1;
    while (x0 < x1 && !covered(x0, sx, dx, src.width))
        ++x0;
    while (x1 > x0 && !covered(x1 - 1, sx, dx, src.width))
        --x1;
    while (y0 < y1 && !covered(y0, sy, dy, src.height))
        ++y0;
    while (y1 > y0 && !covered(y1 - 1, sy, dy, src.height))
        --y1;
    box = QRect(x0, y0, x1 - x0, y1 - y0);
    if (box.isEmpty())
        return;
    const Taps columns = makeTaps(size_t(x0), size_t(x1), sx, dx, src.width, quality);
    const Taps rows = makeTaps(size_t(y0), size_t(y1), sy, dy, src.height, quality);
    const size_t nc = src.colours;
    const size_t span = size_t(columns.highest - columns.lowest + 1);
    if (quality == kCGInterpolationNone && shapes.empty() && blitRows<T>(data, bytesPerRow, l, box, paint, src, rows, columns))
        return;

    renderBox<T>(data, bytesPerRow, l, box, shapes, paint, [&](int y, int bx0, int bx1, float *out, const uint8_t *) {
        const size_t r = size_t(y - y0);
        const uint32_t rb = rows.first[r], re = rows.first[r + 1];
        const size_t w = size_t(bx1 - bx0);
        if (quality == kCGInterpolationNone) {
            const size_t k = size_t(rows.index[rb]);
            for (size_t i = 0; i < w; ++i)
                fetch<T>(src, size_t(columns.index[columns.first[i]]), k, out + i * kMaxChannels);
            return;
        }
        // Vertical pass into one row of the needed source columns, then the horizontal pass.
        thread_local std::vector<float> acc;
        acc.assign(span * kMaxChannels, 0.0f);
        float px[kMaxChannels];
        for (uint32_t t = rb; t < re; ++t) {
            const float wv = rows.weight[t];
            const size_t k = size_t(rows.index[t]);
            for (size_t j = 0; j < span; ++j) {
                fetch<T>(src, size_t(columns.lowest) + j, k, px);
                float *a = acc.data() + j * kMaxChannels;
                for (size_t c = 0; c <= nc; ++c)
                    a[c] += wv * px[c];
            }
        }
        for (size_t i = 0; i < w; ++i) {
            float *o = out + i * kMaxChannels;
            std::fill(o, o + kMaxChannels, 0.0f);
            for (uint32_t t = columns.first[i]; t < columns.first[i + 1]; ++t) {
                const float wh = columns.weight[t];
                const float *a = acc.data() + size_t(columns.index[t] - columns.lowest) * kMaxChannels;
                for (size_t c = 0; c <= nc; ++c)
                    o[c] += wh * a[c];
            }
            settle<T>(o, nc);
        }
    });
}

inline size_t wrapIndex(double v, size_t size)
{
    const double n = double(size);
    double m = std::fmod(v, n);
    if (m < 0)
        m += n;
    return std::min(size - 1, size_t(m));
}

template<typename T>
void sampleBilinear(const SourceView &s, double u, double v, bool tiled, float *out)
{
    const double tu = u - 0.5, tv = v - 0.5;
    const double fu0 = std::floor(tu), fv0 = std::floor(tv);
    const float fu = float(tu - fu0), fv = float(tv - fv0);
    size_t j[2], k[2];
    for (int i = 0; i < 2; ++i) {
        if (tiled) {
            j[i] = wrapIndex(fu0 + i, s.width);
            k[i] = wrapIndex(fv0 + i, s.height);
        } else {
            j[i] = size_t(std::clamp(fu0 + i, 0.0, double(s.width - 1)));
            k[i] = size_t(std::clamp(fv0 + i, 0.0, double(s.height - 1)));
        }
    }
    float p[4][kMaxChannels];
    fetch<T>(s, j[0], k[0], p[0]);
    fetch<T>(s, j[1], k[0], p[1]);
    fetch<T>(s, j[0], k[1], p[2]);
    fetch<T>(s, j[1], k[1], p[3]);
    const float w[4] = {(1 - fu) * (1 - fv), fu * (1 - fv), (1 - fu) * fv, fu * fv};
    for (size_t c = 0; c <= s.colours; ++c)
        out[c] = w[0] * p[0][c] + w[1] * p[1][c] + w[2] * p[2][c] + w[3] * p[3][c];
}

// Any affine placement (turned, sheared) or tiling: each destination pixel centre is mapped
// back into the image. High quality averages a grid of bilinear samples over the pixel's
// footprint when the image is reduced.
template<typename T>
void drawGeneral(uint8_t *data, size_t bytesPerRow, const CGPixelLayout &l, const QRect &box,
                 const std::vector<ClipShape> &shapes, const Paint &paint, const SourceView &src,
                 const QTransform &toImage, CGInterpolationQuality quality, bool tiled)
{
    const double du_dx = toImage.m11(), dv_dx = toImage.m12();
    const double du_dy = toImage.m21(), dv_dy = toImage.m22();
    int nx = 1, ny = 1;
    if (quality != kCGInterpolationNone && quality != kCGInterpolationLow) {
        nx = std::clamp(int(std::ceil(std::hypot(du_dx, dv_dx))), 1, 8);
        ny = std::clamp(int(std::ceil(std::hypot(du_dy, dv_dy))), 1, 8);
    }
    const size_t nc = src.colours;
    renderBox<T>(data, bytesPerRow, l, box, shapes, paint, [&](int y, int x0, int x1, float *out, uint8_t *cover) {
        for (int x = x0; x < x1; ++x) {
            const size_t i = size_t(x - x0);
            if (!cover[i])
                continue;
            const QPointF c = toImage.map(QPointF(x + 0.5, y + 0.5));
            const double u = c.x(), v = c.y();
            if (!tiled && (u < 0 || v < 0 || u >= double(src.width) || v >= double(src.height))) {
                cover[i] = 0;
                continue;
            }
            float *o = out + i * kMaxChannels;
            if (quality == kCGInterpolationNone) {
                const size_t j = tiled ? wrapIndex(std::floor(u), src.width) : size_t(u);
                const size_t k = tiled ? wrapIndex(std::floor(v), src.height) : size_t(v);
                fetch<T>(src, j, k, o);
                continue;
            }
            std::fill(o, o + kMaxChannels, 0.0f);
            float px[kMaxChannels];
            for (int sy = 0; sy < ny; ++sy) {
                for (int sx = 0; sx < nx; ++sx) {
                    const double ox = (sx + 0.5) / nx - 0.5, oy = (sy + 0.5) / ny - 0.5;
                    sampleBilinear<T>(src, u + ox * du_dx + oy * du_dy, v + ox * dv_dx + oy * dv_dy, tiled, px);
                    for (size_t ch = 0; ch <= nc; ++ch)
                        o[ch] += px[ch];
                }
            }
            const float norm = 1.0f / float(nx * ny);
            for (size_t ch = 0; ch <= nc; ++ch)
                o[ch] *= norm;
            settle<T>(o, nc);
        }
    });
}

template<typename T>
void fillBox(uint8_t *data, size_t bytesPerRow, const CGPixelLayout &l, const QRect &box,
             const std::vector<ClipShape> &shapes, const Paint &paint, const std::array<float, kMaxChannels> &colour,
             const QTransform &deviceToUser, const QRectF &rect, bool exact)
{
    renderBox<T>(data, bytesPerRow, l, box, shapes, paint, [&](int y, int x0, int x1, float *out, uint8_t *cover) {
        for (int x = x0; x < x1; ++x) {
            const size_t i = size_t(x - x0);
            if (!exact && cover[i] && !contains(rect, deviceToUser.map(QPointF(x + 0.5, y + 0.5))))
                cover[i] = 0;
            std::copy(colour.begin(), colour.end(), out + i * kMaxChannels);
        }
    });
}

QImage::Format qtFormat(const CGPixelLayout &l, CGImageAlphaInfo alpha, CGBitmapInfo info)
{
    if (l.colours != 3 || l.swapBytes)
        return QImage::Format_Invalid;
    const bool last = alpha == kCGImageAlphaPremultipliedLast || alpha == kCGImageAlphaNoneSkipLast;
    const bool premultiplied = alpha == kCGImageAlphaPremultipliedLast || alpha == kCGImageAlphaPremultipliedFirst;
    const CGBitmapInfo order = info & kCGBitmapByteOrderMask;
    if (l.bitsPerComponent == 8) {
        // Memory R, G, B, A is Qt's RGBA8888; a host-order 0xAARRGGBB word is Qt's ARGB32.
        const bool memoryRGBA = last && l.colour[0] == 0;
        const bool hostARGB = !last && (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? order == kCGBitmapByteOrder32Little
                                                                         : order != kCGBitmapByteOrder32Little);
        if (memoryRGBA)
            return premultiplied ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888;
        if (hostARGB)
            return premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
        return QImage::Format_Invalid;
    }
    if (!last)
        return QImage::Format_Invalid;
    if (l.bitsPerComponent == 16)
        return premultiplied ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBX64;
    return premultiplied ? QImage::Format_RGBA32FPx4_Premultiplied : QImage::Format_RGBX32FPx4;
}

} // namespace

// ---------------------------------------------------------------- CGContext

CGContext::~CGContext() = default;

CGContextRef CGContext::createBitmap(void *data, size_t width, size_t height, size_t bitsPerComponent,
                                     size_t bytesPerRow, CGColorSpaceRef colorSpace, CGBitmapInfo bitmapInfo)
{
    if (width == 0 || height == 0 || !colorSpace || width > size_t(CGImage::kMaximumSide) ||
        height > size_t(CGImage::kMaximumSide) || qint64(width) * qint64(height) > CGImage::kMaximumPixelCount)
        return nullptr;
    const CGColorSpaceModel model = colorSpace->model();
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(bitmapInfo);
    if (model == kCGColorSpaceModelRGB) {
        if (alpha != kCGImageAlphaPremultipliedFirst && alpha != kCGImageAlphaPremultipliedLast &&
            alpha != kCGImageAlphaNoneSkipFirst && alpha != kCGImageAlphaNoneSkipLast)
            return nullptr;
    } else if (model == kCGColorSpaceModelMonochrome || model == kCGColorSpaceModelCMYK) {
        if (alpha != kCGImageAlphaNone)
            return nullptr;
    } else {
        return nullptr;
    }
    if ((bitmapInfo & ~(kCGBitmapAlphaInfoMask | kCGBitmapFloatComponents | kCGBitmapByteOrderMask)) != 0)
        return nullptr;
    const size_t colours = colorSpace->numberOfComponents();
    const size_t channels = colours + (alpha == kCGImageAlphaNone ? 0 : 1);
    auto layout = std::make_unique<Layout>();
    if (!platform::describePixelLayout(colours, bitsPerComponent, channels * bitsPerComponent, bitmapInfo,
                                       layout.get()) ||
        layout->swapBytes)
        return nullptr;
    const size_t minimumRow = width * layout->bytesPerPixel();
    if (bytesPerRow == 0)
        bytesPerRow = data ? minimumRow : (minimumRow + 15) / 16 * 16;
    if (bytesPerRow < minimumRow)
        return nullptr;

    auto context = std::shared_ptr<CGContext>(new CGContext);
    if (!data) {
        uint8_t *memory = new (std::nothrow) uint8_t[bytesPerRow * height]();
        if (!memory)
            return nullptr;
        context->m_ownData.reset(memory);
        data = memory;
    }
    context->m_width = width;
    context->m_height = height;
    context->m_bitsPerComponent = bitsPerComponent;
    context->m_bitsPerPixel = channels * bitsPerComponent;
    context->m_bytesPerRow = bytesPerRow;
    context->m_bitmapInfo = bitmapInfo;
    context->m_colorSpace = std::move(colorSpace);
    context->m_data = static_cast<uint8_t *>(data);
    context->m_layout = std::move(layout);
    context->m_state = std::make_unique<State>();
    context->m_state->clip = QRect(0, 0, int(width), int(height));
    // The fill colour starts as opaque black: no light, or full black ink.
    context->m_state->fill[colours] = fullScaleOf(bitsPerComponent);
    if (model == kCGColorSpaceModelCMYK)
        context->m_state->fill[3] = fullScaleOf(bitsPerComponent);
    return context;
}

void CGContext::saveGState() { m_savedStates.push_back(*m_state); }

void CGContext::restoreGState()
{
    if (m_savedStates.empty())
        return;
    *m_state = std::move(m_savedStates.back());
    m_savedStates.pop_back();
}

CGAffineTransform CGContext::getCTM() const { return m_state->ctm; }

void CGContext::translateCTM(double tx, double ty) { m_state->ctm.translate(tx, ty); }

void CGContext::scaleCTM(double sx, double sy) { m_state->ctm.scale(sx, sy); }

void CGContext::rotateCTM(double radians) { m_state->ctm.rotateRadians(radians); }

void CGContext::concatCTM(const CGAffineTransform &transform) { m_state->ctm = transform * m_state->ctm; }

void CGContext::setAlpha(double alpha) { m_state->alpha = float(std::clamp(alpha, 0.0, 1.0)); }

void CGContext::setBlendMode(CGBlendMode mode)
{
    m_state->blendMode = mode == kCGBlendModeCopy ? kCGBlendModeCopy : kCGBlendModeNormal;
}

void CGContext::setInterpolationQuality(CGInterpolationQuality quality) { m_state->quality = quality; }

QRect CGContext::clipBox() const { return m_state->clip; }

namespace {
// User space to memory pixel coordinates (rows from the top).
QTransform toMemory(const QTransform &ctm, size_t height) { return ctm * QTransform(1, 0, 0, -1, 0, double(height)); }
} // namespace

void CGContext::clipToRect(const QRectF &rect)
{
    const QTransform device = toMemory(m_state->ctm, m_height);
    if (isAxisAligned(device)) {
        m_state->clip = m_state->clip.intersected(pixelsInside(device.mapRect(rect.normalized())));
        return;
    }
    bool invertible = false;
    const QTransform back = device.inverted(&invertible);
    if (!invertible) {
        m_state->clip = QRect();
        return;
    }
    m_state->clip = m_state->clip.intersected(deviceBox(rect.normalized(), device, m_state->clip));
    m_state->shapes.push_back({back, rect.normalized()});
}

bool CGContext::setFillColor(const std::vector<double> &components, const CGColorSpaceRef &space)
{
    const CGColorSpaceRef &from = space ? space : m_colorSpace;
    const size_t n = from->numberOfComponents();
    if (components.size() != n + 1)
        return false;
    const size_t nc = m_colorSpace->numberOfComponents();
    std::vector<float> colour(nc);
    if (CGColorSpaceEqualToColorSpace(from, m_colorSpace)) {
        for (size_t c = 0; c < nc; ++c)
            colour[c] = float(components[c]);
    } else {
        std::vector<float> in(components.begin(), components.begin() + qsizetype(n));
        ColorSyncTransformRef transform =
            ColorSyncTransform::create(from, m_colorSpace, kCGRenderingIntentRelativeColorimetric, false);
        if (!transform || !transform->convert(1, 1, colour.data(), kColorSync32BitFloat, kCGImageAlphaNone,
                                              nc * sizeof(float), in.data(), kColorSync32BitFloat,
                                              kCGImageAlphaNone, n * sizeof(float)))
            return false;
    }
    const float full = fullScaleOf(m_bitsPerComponent);
    const float alpha = float(std::clamp(components[n], 0.0, 1.0));
    for (size_t c = 0; c < nc; ++c)
        m_state->fill[c] = std::clamp(colour[c], 0.0f, 1.0f) * alpha * full;
    m_state->fill[nc] = alpha * full;
    return true;
}

bool CGContext::setRGBFillColor(double red, double green, double blue, double alpha)
{
    return setFillColor({red, green, blue, alpha}, CGColorSpace::createWithName(kCGColorSpaceSRGB));
}

bool CGContext::setGrayFillColor(double gray, double alpha)
{
    return setFillColor({gray, alpha}, CGColorSpace::createWithName(kCGColorSpaceGenericGrayGamma2_2));
}

bool CGContext::fillDevice(const QRectF &given, bool clear)
{
    const QRectF rect = given.normalized();
    if (rect.isEmpty())
        return true;
    const QTransform device = toMemory(m_state->ctm, m_height);
    bool invertible = false;
    const QTransform back = device.inverted(&invertible);
    if (!invertible)
        return true;
    const bool exact = isAxisAligned(device);
    QRect box = deviceBox(rect, device, clipBox());
    if (exact)
        box = box.intersected(pixelsInside(device.mapRect(rect)));
    Paint paint{m_state->alpha, m_state->blendMode};
    std::array<float, kMaxChannels> colour = m_state->fill;
    if (clear) {
        paint = Paint{1.0f, kCGBlendModeCopy};
        colour.fill(0.0f);
    }
    switch (m_bitsPerComponent) {
    case 8:
        fillBox<uint8_t>(m_data, m_bytesPerRow, *m_layout, box, m_state->shapes, paint, colour, back, rect, exact);
        break;
    case 16:
        fillBox<uint16_t>(m_data, m_bytesPerRow, *m_layout, box, m_state->shapes, paint, colour, back, rect, exact);
        break;
    default:
        fillBox<float>(m_data, m_bytesPerRow, *m_layout, box, m_state->shapes, paint, colour, back, rect, exact);
        break;
    }
    // A cleared skip component stays what the format says it is: unused, written full.
    return true;
}

void CGContext::fillRect(const QRectF &rect) { fillDevice(rect, false); }

void CGContext::clearRect(const QRectF &rect) { fillDevice(rect, true); }

bool CGContext::drawImage(const QRectF &rect, const CGImageRef &image) { return drawImage(rect, image, false); }

bool CGContext::drawTiledImage(const QRectF &rect, const CGImageRef &image) { return drawImage(rect, image, true); }

bool CGContext::drawImage(const QRectF &given, const CGImageRef &image, bool tiled)
{
    if (!image)
        return false;
    const QRectF rect = given.normalized();
    if (rect.isEmpty())
        return true;
    // Image pixel coordinates (columns, rows from the top) to user space to memory.
    const QTransform imageToUser(rect.width() / double(image->width()), 0, 0,
                                 -rect.height() / double(image->height()), rect.left(), rect.bottom());
    const QTransform toDevice = imageToUser * toMemory(m_state->ctm, m_height);
    bool invertible = false;
    const QTransform toImage = toDevice.inverted(&invertible);
    if (!invertible)
        return true; // a degenerate transform draws nothing, like an empty rectangle
    QRect box = clipBox();
    if (!tiled)
        box = deviceBox(QRectF(0, 0, double(image->width()), double(image->height())), toDevice, box);
    if (box.isEmpty())
        return true;

    PreparedSource source;
    if (!prepareSource(*image, m_colorSpace, *m_layout, &source))
        return false;

    CGInterpolationQuality quality = m_state->quality;
    if (quality == kCGInterpolationDefault || quality == kCGInterpolationMedium)
        quality = kCGInterpolationHigh;
    if (!image->shouldInterpolate())
        quality = kCGInterpolationNone;
    // Whole-pixel placements at the image's own size need no filter at all.
    const bool pixelExact = isAxisAligned(toDevice) && std::fabs(std::fabs(toDevice.m11()) - 1.0) < 1e-9 &&
                            std::fabs(std::fabs(toDevice.m22()) - 1.0) < 1e-9 &&
                            std::fabs(toDevice.dx() - std::round(toDevice.dx())) < 1e-9 &&
                            std::fabs(toDevice.dy() - std::round(toDevice.dy())) < 1e-9;
    if (pixelExact)
        quality = kCGInterpolationNone;

    const Paint paint{m_state->alpha, m_state->blendMode};
    const bool separable = !tiled && isAxisAligned(toDevice);
    auto run = [&](auto zero) {
        using T = decltype(zero);
        if (separable)
            drawAxisAligned<T>(m_data, m_bytesPerRow, *m_layout, box, m_state->shapes, paint, source.view, toDevice,
                               quality);
        else
            drawGeneral<T>(m_data, m_bytesPerRow, *m_layout, box, m_state->shapes, paint, source.view, toImage,
                           quality, tiled);
    };
    switch (m_bitsPerComponent) {
    case 8:
        run(uint8_t(0));
        break;
    case 16:
        run(uint16_t(0));
        break;
    default:
        run(0.0f);
        break;
    }
    return true;
}

CGImageRef CGContext::createImage() const
{
    QByteArray pixels;
    try {
        pixels = QByteArray(reinterpret_cast<const char *>(m_data), qsizetype(m_bytesPerRow * m_height));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return CGImage::create(m_width, m_height, m_bitsPerComponent, m_bitsPerPixel, m_bytesPerRow, m_colorSpace,
                           m_bitmapInfo, pixels);
}

bool CGContext::paint(const std::function<void(QPainter &)> &paint)
{
    const QImage::Format format = qtFormat(*m_layout, alphaInfo(), m_bitmapInfo);
    if (format == QImage::Format_Invalid || m_bytesPerRow > size_t(std::numeric_limits<qsizetype>::max()))
        return false;
    QImage image(m_data, int(m_width), int(m_height), qsizetype(m_bytesPerRow), format);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    const QRect box = clipBox();
    painter.setClipRect(box);
    for (const ClipShape &shape : m_state->shapes) {
        QPainterPath path;
        path.addRect(shape.rect);
        painter.setTransform(shape.deviceToUser.inverted());
        painter.setClipPath(path, Qt::IntersectClip);
    }
    painter.setTransform(toMemory(m_state->ctm, m_height));
    painter.setOpacity(m_state->alpha);
    if (m_state->blendMode == kCGBlendModeCopy)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    paint(painter);
    painter.end();
    return true;
}
