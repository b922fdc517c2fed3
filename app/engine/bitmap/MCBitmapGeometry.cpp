#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/bitmap/MCBitmapOperations.h"

#include "platform/accelerate/MCAlphaKernels.h"
#include "platform/accelerate/MCGeometryKernels.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageGeometry.h"
#include "platform/graphics/CGImage.h"

#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

// Planes in the planar store: one per component (1 for gray, 3 or 4 for colour).
size_t planeCountOf(const vImage_CGImageFormat &format)
{
    return std::clamp<size_t>(format.bitsPerPixel / std::max<uint32_t>(format.bitsPerComponent, 1), 1, 4);
}

bool isFloat(const vImage_CGImageFormat &format)
{
    return format.bitsPerComponent == 32;
}

// A side of a new plane: whole, at least 1 and within what the system makes at all.
bool isSaneSize(double width, double height)
{
    return width >= 1 && height >= 1 && width <= double(CGImage::kMaximumSide) &&
           height <= double(CGImage::kMaximumSide) && width * height <= double(CGImage::kMaximumPixelCount);
}

// A pixel count from an inset: negative and NaN count as 0, fractions are cut off or rounded.
uint64_t truncatedCount(double value)
{
    return value > 0 ? uint64_t(std::trunc(std::min(value, 1e15))) : 0;
}

uint64_t roundedCount(double value)
{
    return value > 0 ? uint64_t(std::round(std::min(value, 1e15))) : 0;
}

// Makes one plane of width × height per plane of the bitmap, has `work` fill each from its
// plane, and puts them in place of the planes, freeing the old memory. When every result fits
// in the memory of a plane (crops and trims, most quarter turns), they are made one at a time,
// each in the memory of the plane replaced before it, so the photo is never held twice; only
// the first result needs new memory, and the steps fail only on arguments that are the same
// for every plane, so a failure comes at the first plane with nothing changed. Otherwise all
// results are made first and put in place when all succeeded. Either way, when an allocation
// or step fails the planes are left as they were.
using PlaneWork = std::function<vImage_Error(size_t index, const vImage_Buffer &plane, const vImage_Buffer &result)>;
bool replacePlanes(MCBitmap &bitmap, size_t width, size_t height, const PlaneWork &work)
{
    const vImage_CGImageFormat &format = bitmap.imageFormat();
    const size_t count = planeCountOf(format);
    std::array<vImage_Buffer, 4> &planes = bitmap.imageChannels();
    if (!isSaneSize(double(width), double(height)))
        return false;
    vImage_Buffer shape;
    vImageBuffer_Init(&shape, height, width, format.bitsPerComponent, kvImageNoAllocate);
    bool fits = true;
    for (size_t k = 0; k + 1 < count; ++k)
        fits = fits && planes[k].rowBytes * planes[k].height >= shape.rowBytes * shape.height;
    if (fits) {
        vImage_Buffer spare;
        if (vImageBuffer_Init(&spare, height, width, format.bitsPerComponent, kvImageNoFlags) != kvImageNoError)
            return false;
        bool ok = true;
        for (size_t k = 0; ok && k < count; ++k) {
            vImage_Buffer result = shape;
            result.data = spare.data;
            ok = work(k, planes[k], result) == kvImageNoError;
            if (ok) {
                spare = planes[k];
                planes[k] = result;
            }
        }
        std::free(spare.data); // the last plane's old memory, or the unused result
        return ok;
    }
    std::array<vImage_Buffer, 4> results{};
    bool ok = true;
    for (size_t k = 0; ok && k < count; ++k)
        ok = vImageBuffer_Init(&results[k], height, width, format.bitsPerComponent, kvImageNoFlags) == kvImageNoError;
    for (size_t k = 0; ok && k < count; ++k)
        ok = work(k, planes[k], results[k]) == kvImageNoError;
    if (ok) {
        for (size_t k = 0; k < count; ++k)
            std::swap(planes[k], results[k]);
    }
    for (size_t k = 0; k < count; ++k)
        std::free(results[k].data);
    return ok;
}

// Mirrors every plane in place.
bool reflectPlanes(MCBitmap &bitmap, bool vertically)
{
    const vImage_CGImageFormat &format = bitmap.imageFormat();
    for (size_t k = 0; k < planeCountOf(format); ++k) {
        const vImage_Buffer *plane = &bitmap.imageChannels()[k];
        vImage_Error status;
        if (vertically)
            status = isFloat(format) ? vImageVerticalReflect_PlanarF(plane, plane, kvImageNoFlags)
                                     : vImageVerticalReflect_Planar8(plane, plane, kvImageNoFlags);
        else
            status = isFloat(format) ? vImageHorizontalReflect_PlanarF(plane, plane, kvImageNoFlags)
                                     : vImageHorizontalReflect_Planar8(plane, plane, kvImageNoFlags);
        if (status != kvImageNoError)
            return false;
    }
    return true;
}

struct Edges
{
    vImagePixelCount top = 0, left = 0, bottom = 0, right = 0;
};

// Measures the uniform margins of one plane against the key (8-bit or float members).
vImage_Error findEdges(const vImage_Buffer &plane, mcbitmap::WorkingLayout layout, uint8_t key8, uint8_t tolerance8,
                       float keyF, float toleranceF, Edges &edges)
{
    if (layout == mcbitmap::WorkingLayout::RGBA8)
        return MCFindEdgesPlanar8(&plane, key8, tolerance8, &edges.top, &edges.left, &edges.bottom, &edges.right);
    return MCFindEdgesPlanarF(&plane, keyF, toleranceF, &edges.top, &edges.left, &edges.bottom, &edges.right);
}

// Crops the measured depths of the enabled sides; nothing to crop is a success.
bool trimEdges(MCBitmap &bitmap, Edges edges, bool left, bool right, bool top, bool bottom)
{
    if (!left)
        edges.left = 0;
    if (!right)
        edges.right = 0;
    if (!top)
        edges.top = 0;
    if (!bottom)
        edges.bottom = 0;
    if (!edges.left && !edges.right && !edges.top && !edges.bottom)
        return true;
    return bitmap.trim(QMarginsF(double(edges.left), double(edges.top), double(edges.right), double(edges.bottom)));
}

// A border's placement: the picture sits x columns from the left and y rows from the top of
// an area H columns and V rows larger. The sums are rounded, not the rounded parts added.
struct Border
{
    uint64_t x, y, h, v;
};

Border borderOf(const QMarginsF &insets)
{
    const auto side = [](double value) { return value > 0 ? value : 0.0; }; // negative and NaN as 0
    const double left = side(insets.left()), top = side(insets.top());
    return {roundedCount(left), roundedCount(top), roundedCount(left + side(insets.right())),
            roundedCount(top + side(insets.bottom()))};
}

// The border colour per plane: gray bitmaps take the colour's luminance, colour bitmaps its
// red, green, blue and alpha.
std::array<double, 4> borderComponents(const QColor &color, size_t planes)
{
    const std::array<double, 4> rgba = mcbitmap::rgbaOf(color);
    if (planes == 1)
        return {0.299 * rgba[0] + 0.587 * rgba[1] + 0.114 * rgba[2], 0, 0, 0};
    return rgba;
}

// Paints the border inside the edges (the size stays; a border at least as wide as the
// picture paints all of it) or around the picture (it grows by the border).
bool addBorder(MCBitmap &bitmap, const QMarginsF &insets, const QColor &color, bool outside)
{
    const Border border = borderOf(insets);
    if (border.h == 0 && border.v == 0)
        return true;
    if (!bitmap.useImageChannels())
        return false;
    const vImage_CGImageFormat &format = bitmap.imageFormat();
    const size_t count = planeCountOf(format);
    const std::array<double, 4> components = borderComponents(color, count);
    const bool floats = isFloat(format);
    std::array<vImage_Buffer, 4> &planes = bitmap.imageChannels();
    if (outside) {
        const double width = double(planes[0].width) + double(border.h);
        const double height = double(planes[0].height) + double(border.v);
        return replacePlanes(bitmap, size_t(width), size_t(height),
                             [&](size_t k, const vImage_Buffer &plane, const vImage_Buffer &result) {
                                 const uint8_t byte = mcbitmap::byteOfComponent(components[k]);
                                 return floats ? MCPadPlanarF(&plane, &result, border.x, border.y, float(components[k]))
                                               : MCPadPlanar8(&plane, &result, border.x, border.y, byte);
                             });
    }
    for (size_t k = 0; k < count; ++k) {
        const vImage_Buffer &plane = planes[k];
        const bool keeps = plane.width > border.h && plane.height > border.v;
        const vImagePixelCount x = keeps ? border.x : 0, y = keeps ? border.y : 0;
        const vImagePixelCount w = keeps ? plane.width - border.h : 0, h = keeps ? plane.height - border.v : 0;
        const vImage_Error status =
            floats ? MCFillOutsideRectPlanarF(&plane, x, y, w, h, float(components[k]))
                   : MCFillOutsideRectPlanar8(&plane, x, y, w, h, mcbitmap::byteOfComponent(components[k]));
        if (status != kvImageNoError)
            return false;
    }
    return true;
}

} // namespace

bool MCBitmap::flipHorizontally(bool horizontally, bool vertically, MCError *)
{
    if (!useImageChannels())
        return false;
    if (horizontally && !reflectPlanes(*this, false))
        return false;
    return !vertically || reflectPlanes(*this, true);
}

bool MCBitmap::rotate(uint64_t code, MCError *)
{
    if (code > 3 || !useImageChannels())
        return false;
    if (code == kRotate0DegreesClockwise)
        return true;
    if (code == kRotate180DegreesClockwise) // a half turn mirrors both ways, in place
        return flipHorizontally(true, true);
    const bool floats = isFloat(m_imageFormat);
    const vImage_Buffer &first = m_imageChannels[0];
    return replacePlanes(*this, first.height, first.width, [&](size_t, const vImage_Buffer &plane, const vImage_Buffer &result) {
        return floats ? vImageRotate90_PlanarF(&plane, &result, uint8_t(code), 0.0f, kvImageNoFlags)
                      : vImageRotate90_Planar8(&plane, &result, uint8_t(code), 0, kvImageNoFlags);
    });
}

bool MCBitmap::scaleToSize(const QSizeF &size, MCError *)
{
    const double width = std::round(size.width()), height = std::round(size.height());
    if (!isSaneSize(width, height) || !useImageChannels())
        return false;
    const bool floats = isFloat(m_imageFormat);
    const size_t count = planeCountOf(m_imageFormat);
    const bool opaque =
        count == 4 && (floats ? MCIsOpaquePlanarF(m_imageChannels[3]) : MCIsOpaquePlanar8(m_imageChannels[3]));
    std::array<vImage_Buffer, 4> results{};
    bool ok = true;
    for (size_t k = 0; ok && k < count; ++k)
        ok = vImageBuffer_Init(&results[k], size_t(height), size_t(width), m_imageFormat.bitsPerComponent,
                               kvImageNoFlags) == kvImageNoError;
    if (ok && count == 4 && !opaque) {
        // With transparency the four planes are resampled together, premultiplied on the way
        // in and divided again on the way out, so transparent pixels lend no colour to the edge.
        ok = (floats ? MCScaleStraightAlpha_PlanarF(m_imageChannels.data(), results.data())
                     : MCScaleStraightAlpha_Planar8(m_imageChannels.data(), results.data())) == kvImageNoError;
    } else if (ok) {
        // Otherwise the planes are resampled alike in one pass. An 8-bit alpha plane of 255
        // everywhere would resample to 255 everywhere (the weights sum to 1 within far less
        // than half a step): it is filled instead. (Float alpha is filtered with the colours:
        // its weights may sum to a hair off 1.)
        const size_t filtered = opaque && !floats ? 3 : count;
        ok = (floats ? MCScalePlanes_PlanarF(m_imageChannels.data(), results.data(), filtered)
                     : MCScalePlanes_Planar8(m_imageChannels.data(), results.data(), filtered)) == kvImageNoError;
        if (ok && filtered < count)
            ok = MCFillOutsideRectPlanar8(&results[3], 0, 0, 0, 0, 255) == kvImageNoError;
    }
    for (size_t k = 0; ok && k < count; ++k)
        std::swap(m_imageChannels[k], results[k]);
    for (vImage_Buffer &result : results)
        std::free(result.data); // after an exchange: the old planes
    return ok;
}

bool MCBitmap::trim(const QMarginsF &insets, MCError *)
{
    const uint64_t top = truncatedCount(insets.top()), left = truncatedCount(insets.left()),
                   bottom = truncatedCount(insets.bottom()), right = truncatedCount(insets.right());
    if (left + right == 0 && top + bottom == 0)
        return true;
    if (!useImageChannels())
        return false;
    const vImage_Buffer &first = m_imageChannels[0];
    if (first.width <= left + right || first.height <= top + bottom)
        return false; // nothing would be left
    const bool floats = isFloat(m_imageFormat);
    return replacePlanes(*this, first.width - left - right, first.height - top - bottom,
                         [&](size_t, const vImage_Buffer &plane, const vImage_Buffer &result) {
                             return floats ? MCCopyRegionPlanarF(&plane, &result, left, top)
                                           : MCCopyRegionPlanar8(&plane, &result, left, top);
                         });
}

bool MCBitmap::trimTransparentPixels(float threshold, bool trimsLeft, bool trimsRight, bool trimsTop,
                                     bool trimsBottom, MCError *)
{
    // Background is alpha up to threshold × 254/255 of full scale: never a fully opaque pixel.
    const float t = threshold > 0 ? std::min(threshold, 1.0f) : 0.0f;
    return mcbitmap::onWorkingPlanes(*this, [&](vImage_Buffer *planes, mcbitmap::WorkingLayout layout) {
        Edges edges;
        if (findEdges(planes[3], layout, 0, uint8_t(int(254.0f * t)), 0.0f, t * 254.0f / 255.0f, edges))
            return false;
        return trimEdges(*this, edges, trimsLeft, trimsRight, trimsTop, trimsBottom);
    });
}

bool MCBitmap::trimColor(const MCBitmapColor &color, float tolerance, bool trimsLeft, bool trimsRight, bool trimsTop,
                         bool trimsBottom, MCError *)
{
    const std::vector<double> &components = color.components;
    if (components.empty())
        return true;
    const float t = tolerance > 0 ? std::min(tolerance, 1.0f) : 0.0f;
    // A gray colour (one component and alpha) stands for equal red, green and blue.
    const bool gray = components.size() < 3;
    return mcbitmap::onWorkingPlanes(*this, [&](vImage_Buffer *planes, mcbitmap::WorkingLayout layout) {
        // A row or column is background only when red, green and blue all are: the smallest
        // depth of the three channels counts on each side.
        const vImagePixelCount all = ~vImagePixelCount(0);
        Edges edges{all, all, all, all};
        for (size_t k = 0; k < 3; ++k) {
            const double key = components[gray ? 0 : k];
            Edges channel;
            if (findEdges(planes[k], layout, mcbitmap::byteOfComponent(key), mcbitmap::byteOfComponent(t), float(key), t,
                          channel))
                return false;
            edges.top = std::min(edges.top, channel.top);
            edges.left = std::min(edges.left, channel.left);
            edges.bottom = std::min(edges.bottom, channel.bottom);
            edges.right = std::min(edges.right, channel.right);
        }
        return trimEdges(*this, edges, trimsLeft, trimsRight, trimsTop, trimsBottom);
    });
}

bool MCBitmap::addInnerBorder(const QMarginsF &insets, const QColor &color, MCError *)
{
    return addBorder(*this, insets, color, false);
}

bool MCBitmap::addOuterBorder(const QMarginsF &insets, const QColor &color, MCError *)
{
    return addBorder(*this, insets, color, true);
}
