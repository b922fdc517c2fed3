#include "app/engine/bitmap/MCBitmap.h"

#include "halvard/imageio/MCImage.h"
#include "platform/accelerate/MCAlphaKernels.h"
#include "platform/accelerate/MCLayoutKernels.h"
#include "platform/accelerate/vImageAlpha.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageConverter.h"
#include "platform/accelerate/vImageGeometry.h"
#include "platform/accelerate/vImagePlanar.h"
#include "platform/color/ColorSyncProfile.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/graphics/CGPixelLayout.h"
#include "platform/graphics/CGRowLoop.h"
#include "platform/imageio/MCImageDestination.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>

namespace {

struct OrientationEntry
{
    bool flipsHorizontally;
    bool flipsVertically;
    uint64_t quarterTurns; // counter-clockwise
};

// EXIF orientations 1 to 8 as flips and quarter turns that make the photo upright.
constexpr OrientationEntry kOrientations[8] = {
    {false, false, 0}, {true, false, 0}, {false, false, 2}, {false, true, 0},
    {false, true, 3},  {false, false, 3}, {false, true, 1}, {false, false, 1},
};

const OrientationEntry &orientationEntry(uint64_t orientation)
{
    return kOrientations[(orientation >= 1 && orientation <= 8) ? orientation - 1 : 0];
}

void freeBuffer(vImage_Buffer &buffer)
{
    std::free(buffer.data);
    buffer = vImage_Buffer();
}

bool isFourComponentWorkingLayout(const vImage_CGImageFormat &format)
{
    return (format.bitsPerComponent == 8 && format.bitsPerPixel == 32) ||
           (format.bitsPerComponent == 32 && format.bitsPerPixel == 128);
}

// Sines and cosines of quarter turns leave residues like 3000.0000000000005 in the box of a
// rotated image; sides that are whole numbers to within this stay whole.
double snapped(double value)
{
    const double whole = std::round(value);
    return std::abs(value - whole) < 1e-6 ? whole : value;
}

// An image over the buffer's memory without copying; valid while the buffer is.
CGImageRef imageOverBuffer(const vImage_Buffer &buffer, const vImage_CGImageFormat &format)
{
    if (!buffer.data)
        return nullptr;
    // The memory stays the bitmap's: the image must not free it.
    std::shared_ptr<const uint8_t> data(static_cast<const uint8_t *>(buffer.data), [](const uint8_t *) {});
    return CGImage::create(buffer.width, buffer.height, format.bitsPerComponent, format.bitsPerPixel, buffer.rowBytes,
                           format.colorSpace, format.bitmapInfo, data, buffer.rowBytes * buffer.height,
                           format.renderingIntent, false);
}

// Writes `image` with its properties in the format of the type identifier through the image
// destination, which writes the file whole or not at all. The one place the bitmap hands its
// pixels to an image writer; the writer's own error becomes the underlying error.
bool writeImage(const CGImageRef &image, const QString &path, const QString &type, const QVariantMap &properties,
                MCError *error)
{
    std::unique_ptr<MCImageDestination> destination = MCImageDestination::createWithURL(path, type, 1, error);
    if (!destination)
        return false;
    destination->addImage(image, properties);
    return destination->finalize(error);
}

// What the user can do about a failed save: a file-system failure (the system's errno deep in
// the writer's error) asks for space or another output folder; anything else is the output
// settings' business.
QString savingSuggestion(const MCError &writerError)
{
    const MCError *systemError = &writerError;
    while (systemError && systemError->domain() != MCPOSIXErrorDomain)
        systemError = systemError->underlyingError();
    auto tr = [](const char *text) { return QCoreApplication::translate("MCBitmap", text); };
    if (!systemError)
        return tr("Make sure that the convert settings are proper.");
    switch (systemError->code()) {
    case ENOSPC:
    case EDQUOT:
        return tr("Free some space on the disk, or choose an output folder on another disk.");
    case EROFS:
        return tr("The output folder is on a disk that can only be read. Choose another output folder.");
    case EACCES:
    case EPERM:
        return tr("Choose an output folder you may write to, or change the folder’s permissions.");
    case ENOENT:
    case ENOTDIR:
        return tr("The output folder doesn’t exist. Choose another output folder.");
    default:
        return tr("Check the output folder and its disk, then try again.");
    }
}

// MARK: Reduced reading

// Whether the angle is a whole number of quarter turns, which map pixels onto pixels.
bool isQuarterTurn(double angle)
{
    const double turns = angle / (std::numbers::pi / 2);
    return std::abs(turns - std::round(turns)) < 1e-9;
}

// A buffer of its own memory, freed with it.
struct OwnedBuffer
{
    vImage_Buffer buffer{};
    ~OwnedBuffer() { std::free(buffer.data); }
    bool allocate(size_t width, size_t height, uint32_t bitsPerPixel)
    {
        std::free(buffer.data);
        buffer.data = nullptr;
        return vImageBuffer_Init(&buffer, height, width, bitsPerPixel, kvImageNoFlags) == kvImageNoError;
    }
    // An image over the memory, which passes to the image.
    CGImageRef release(uint32_t bitsPerComponent, uint32_t bitsPerPixel, const CGColorSpaceRef &space,
                       CGBitmapInfo info, CGColorRenderingIntent intent)
    {
        std::shared_ptr<const uint8_t> data(static_cast<const uint8_t *>(buffer.data),
                                            [](const uint8_t *p) { std::free(const_cast<uint8_t *>(p)); });
        const size_t size = buffer.rowBytes * buffer.height;
        const vImage_Buffer described = buffer;
        buffer.data = nullptr;
        return CGImage::create(described.width, described.height, bitsPerComponent, bitsPerPixel, described.rowBytes,
                               space, info, data, size, intent, false);
    }
};

// Pixels of 8-bit components in a form the resampler takes, with their format: four
// components (any order, alpha premultiplied or none) or one gray component as they are;
// three components widened to four in `scratch`; straight alpha last premultiplied into
// `scratch`, so that transparent pixels lend no colour to their neighbours.
bool resamplable8(const MCImage &image, OwnedBuffer *scratch, vImage_Buffer *pixels, vImage_CGImageFormat *format)
{
    *format = image.imageFormat();
    platform::CGPixelLayout layout;
    if (!format->colorSpace ||
        !platform::describePixelLayout(format->colorSpace->numberOfComponents(), format->bitsPerComponent,
                                       format->bitsPerPixel, format->bitmapInfo, &layout) ||
        layout.bitsPerComponent != 8)
        return false;
    *pixels = image.imageBuffer();
    const CGBitmapInfo otherBits = format->bitmapInfo & ~(kCGBitmapAlphaInfoMask | kCGBitmapByteOrderMask);
    if (layout.channels == 3 && layout.alpha < 0) {
        if (!scratch->allocate(pixels->width, pixels->height, 32))
            return false;
        const vImage_Buffer source = *pixels, &target = scratch->buffer;
        platform::forEachRowRange(source.height, source.width * 4, [&](size_t first, size_t end) {
            for (size_t y = first; y < end; ++y) {
                const auto *in = static_cast<const uint8_t *>(source.data) + y * source.rowBytes;
                auto *out = static_cast<uint8_t *>(target.data) + y * target.rowBytes;
                for (size_t x = 0; x < source.width; ++x, in += 3, out += 4) {
                    out[0] = in[0];
                    out[1] = in[1];
                    out[2] = in[2];
                    out[3] = 0xff;
                }
            }
        });
        *pixels = scratch->buffer;
        format->bitsPerPixel = 32;
        format->bitmapInfo = otherBits | kCGImageAlphaNoneSkipLast;
        return true;
    }
    if (layout.channels != 4 && layout.channels != 1)
        return false;
    if (layout.alpha < 0 || layout.premultiplied)
        return true;
    if (layout.alpha != 3 || !scratch->allocate(pixels->width, pixels->height, 32) ||
        vImagePremultiplyData_RGBA8888(pixels, &scratch->buffer, kvImageNoFlags) != kvImageNoError)
        return false;
    *pixels = scratch->buffer;
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(format->bitmapInfo);
    format->bitmapInfo = (format->bitmapInfo & ~kCGBitmapAlphaInfoMask) |
                         (alpha == kCGImageAlphaFirst ? kCGImageAlphaPremultipliedFirst : kCGImageAlphaPremultipliedLast);
    return true;
}

// The image resampled to width × height with the Lanczos filter, for reading a reduced
// bitmap: 8-bit pixels are resampled in their own colour space; other formats are first drawn
// into the bitmap's 8-bit format (alpha premultiplied) at full size. nullptr when neither
// applies (a float bitmap from a deeper image), and the caller draws the image as it is.
std::shared_ptr<const MCImage> resampledImage(const MCImage &image, size_t width, size_t height,
                                              const vImage_CGImageFormat &bitmapFormat)
{
    OwnedBuffer scratch;
    vImage_Buffer pixels;
    vImage_CGImageFormat format;
    if (!resamplable8(image, &scratch, &pixels, &format)) {
        if (bitmapFormat.bitsPerComponent != 8 || bitmapFormat.bitsPerPixel != 32)
            return nullptr;
        format = bitmapFormat;
        if (CGBitmapAlphaInfo(format.bitmapInfo) == kCGImageAlphaLast)
            format.bitmapInfo = (format.bitmapInfo & ~kCGBitmapAlphaInfoMask) | kCGImageAlphaPremultipliedLast;
        if (!scratch.allocate(image.width(), image.height(), 32))
            return nullptr;
        std::memset(scratch.buffer.data, 0, scratch.buffer.rowBytes * scratch.buffer.height);
        const QTransform identity;
        if (image.drawInBuffer(&scratch.buffer, &format, &identity) != kvImageNoError)
            return nullptr;
        pixels = scratch.buffer;
    }
    OwnedBuffer reduced;
    if (!reduced.allocate(width, height, format.bitsPerPixel))
        return nullptr;
    const vImage_Error status = format.bitsPerPixel == 8
                                    ? vImageScale_Planar8(&pixels, &reduced.buffer, nullptr, kvImageNoFlags)
                                    : vImageScale_ARGB8888(&pixels, &reduced.buffer, nullptr, kvImageNoFlags);
    if (status != kvImageNoError)
        return nullptr;
    const CGImageRef result = reduced.release(format.bitsPerComponent, format.bitsPerPixel, format.colorSpace,
                                              format.bitmapInfo, format.renderingIntent);
    return result ? MCImage::create(result) : nullptr;
}

// Whether the image's pixels can be placed into a bitmap of `format` directly: opaque 8- or
// 16-bit RGB (alpha none or skipped) in the bitmap's own colour space, into an RGB working
// format of 8-bit or float components with the fourth component last (the drawing then only
// copies or widens each sample, and the fourth comes out at full scale).
bool placesDirectly(const MCImage &image, const vImage_CGImageFormat &format, platform::CGPixelLayout *layout)
{
    const vImage_CGImageFormat &in = image.imageFormat();
    if (!in.colorSpace || !format.colorSpace || in.decode || format.colorSpace->model() != kCGColorSpaceModelRGB ||
        format.colorSpace->numberOfComponents() != 3 || !CGColorSpaceEqualToColorSpace(in.colorSpace, format.colorSpace))
        return false;
    if (!platform::describePixelLayout(3, in.bitsPerComponent, in.bitsPerPixel, in.bitmapInfo, layout) ||
        layout->isFloat || layout->swapBytes || layout->alpha >= 0)
        return false;
    platform::CGPixelLayout out;
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(format.bitmapInfo);
    if ((alpha != kCGImageAlphaLast && alpha != kCGImageAlphaPremultipliedLast && alpha != kCGImageAlphaNoneSkipLast) ||
        !isFourComponentWorkingLayout(format) ||
        !platform::describePixelLayout(3, format.bitsPerComponent, format.bitsPerPixel, format.bitmapInfo, &out) ||
        out.swapBytes || out.channels != 4 || (out.isFloat != (format.bitsPerComponent == 32)))
        return false;
    return out.colour[0] == 0 && out.colour[1] == 1 && out.colour[2] == 2 && (out.alpha == 3 || out.padding == 3);
}

// The pixel placement of `toMemory` (image pixels, rows from the top, to bitmap memory) when it
// maps the image's pixels one to one onto a width × height bitmap: whole-pixel steps of a
// quarter turn or mirror, pixel centres onto pixel centres. Nothing otherwise.
std::optional<MCPixelPlacement> exactPlacement(const QTransform &toMemory, size_t sourceWidth, size_t sourceHeight,
                                               size_t width, size_t height)
{
    if (sourceWidth * sourceHeight != width * height)
        return std::nullopt;
    bool invertible = false;
    const QTransform back = toMemory.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    const QPointF origin = back.map(QPointF(0.5, 0.5));
    const QPointF alongX = back.map(QPointF(1.5, 0.5)) - origin, alongY = back.map(QPointF(0.5, 1.5)) - origin;
    auto whole = [](double value, long limit, long *result) {
        const double rounded = std::round(value);
        if (std::abs(value - rounded) > 1e-6 || std::abs(rounded) > double(limit))
            return false;
        *result = long(rounded);
        return true;
    };
    long dux, dvx, duy, dvy, u0, v0;
    if (!whole(alongX.x(), 1, &dux) || !whole(alongX.y(), 1, &dvx) || !whole(alongY.x(), 1, &duy) ||
        !whole(alongY.y(), 1, &dvy) || std::abs(dux) + std::abs(dvx) != 1 || std::abs(duy) + std::abs(dvy) != 1 ||
        dux * duy + dvx * dvy != 0)
        return std::nullopt;
    if (!whole(origin.x() - 0.5, long(sourceWidth), &u0) || !whole(origin.y() - 0.5, long(sourceHeight), &v0))
        return std::nullopt;
    MCPixelPlacement placement;
    placement.u0 = u0;
    placement.v0 = v0;
    placement.dux = int(dux);
    placement.dvx = int(dvx);
    placement.duy = int(duy);
    placement.dvy = int(dvy);
    // Every bitmap pixel reads inside the image (MCPlaceOpaquePixels checks the corners too).
    const long lastX = long(width) - 1, lastY = long(height) - 1;
    for (long y : {0L, lastY})
        for (long x : {0L, lastX}) {
            const long u = u0 + x * dux + y * duy, v = v0 + x * dvx + y * dvy;
            if (u < 0 || v < 0 || u >= long(sourceWidth) || v >= long(sourceHeight))
                return std::nullopt;
        }
    return placement;
}

} // namespace

// MARK: - Creation

std::unique_ptr<MCBitmap> MCBitmap::create(const std::shared_ptr<const MCImage> &image, const CGColorSpaceRef &colorSpace,
                                           CGBitmapInfo bitmapInfo, uint64_t bitsPerComponent, uint64_t bitsPerPixel,
                                           const QSizeF &fitSize, double angle, bool flippedHorizontally,
                                           bool flippedVertically, bool planar)
{
    if (!image || !colorSpace)
        return nullptr;
    const double sx = flippedHorizontally ? -1.0 : 1.0;
    const double sy = flippedVertically ? -1.0 : 1.0;
    QTransform t1;
    t1.rotateRadians(angle);
    t1.scale(sx, sy);
    const QRectF box = t1.mapRect(QRectF(0, 0, double(image->width()), double(image->height())));
    const double minX = snapped(box.left()), minY = snapped(box.top());
    const double W = snapped(box.right()) - minX, H = snapped(box.bottom()) - minY;
    if (!(W >= 1.0) || !(H >= 1.0))
        return nullptr;

    double kx = 1.0, ky = 1.0, w = W, h = H;
    if (!(fitSize.width() == 0 && fitSize.height() == 0)) {
        const double tw = std::isnan(fitSize.width()) ? W : std::min(W, fitSize.width());
        const double th = std::isnan(fitSize.height()) ? H : std::min(H, fitSize.height());
        const double rw = tw / W, rh = th / H;
        if (rw > rh) {
            w = rh * W;
            h = th;
        } else {
            w = tw;
            h = rw * H;
        }
        w = std::round(w);
        h = std::round(h);
        kx = w / W;
        ky = h / H;
    }
    if (!(w >= 1.0) || !(h >= 1.0) || w > double(CGImage::kMaximumSide) || h > double(CGImage::kMaximumSide))
        return nullptr;

    std::unique_ptr<MCBitmap> bitmap(new MCBitmap);

    // A reduced bitmap is read from the image resampled to the size it needs before the turn
    // (a Lanczos filter rather than one source pixel per bitmap pixel); quarter turns and flips
    // then place its pixels exactly.
    std::shared_ptr<const MCImage> source = image;
    double dx = kx, dy = ky, x0 = minX, y0 = minY;
    if ((kx < 1.0 || ky < 1.0) && isQuarterTurn(angle)) {
        const bool swapped = std::lround(angle / (std::numbers::pi / 2)) % 2 != 0;
        const size_t rw = size_t(swapped ? h : w), rh = size_t(swapped ? w : h);
        vImage_CGImageFormat bitmapFormat{uint32_t(bitsPerComponent), uint32_t(bitsPerPixel), colorSpace, bitmapInfo,
                                          0, nullptr, image->renderingIntent()};
        if (auto reduced = resampledImage(*image, rw, rh, bitmapFormat)) {
            source = reduced;
            const QRectF turned = t1.mapRect(QRectF(0, 0, double(rw), double(rh)));
            dx = dy = 1.0;
            x0 = snapped(turned.left());
            y0 = snapped(turned.top());
        }
    }
    QTransform t2;
    t2.scale(dx, dy);
    t2.translate(-x0, -y0);
    t2.rotateRadians(angle);
    t2.scale(sx, sy);

    vImage_CGImageFormat &format = bitmap->m_imageFormat;
    format.bitsPerComponent = uint32_t(bitsPerComponent);
    format.bitsPerPixel = uint32_t(bitsPerPixel);
    format.colorSpace = colorSpace;
    format.bitmapInfo = bitmapInfo;
    format.renderingIntent = image->renderingIntent();
    const size_t width = size_t(w), height = size_t(h);
    // Opaque pixels in the bitmap's own space that land one to one (the photo's size, turned or
    // mirrored) are placed straight into the store the bitmap starts with, the same values the
    // drawing below would give, without clearing or compositing anything first.
    platform::CGPixelLayout layout;
    std::optional<MCPixelPlacement> placement;
    if (placesDirectly(*source, format, &layout) &&
        (placement = exactPlacement(QTransform(1, 0, 0, -1, 0, double(source->height())) * t2 *
                                        QTransform(1, 0, 0, -1, 0, double(height)),
                                    source->width(), source->height(), width, height))) {
        vImage_Buffer *targets = planar ? bitmap->m_imageChannels.data() : &bitmap->m_imageBuffer;
        for (size_t k = 0; k < (planar ? 4u : 1u); ++k)
            if (vImageBuffer_Init(&targets[k], height, width, planar ? format.bitsPerComponent : format.bitsPerPixel,
                                  kvImageNoFlags))
                return nullptr; // the destructor frees what was had
        const int offsets[3] = {layout.colour[0], layout.colour[1], layout.colour[2]};
        if (MCPlaceOpaquePixels(source->imageBuffer(), layout.bitsPerComponent, layout.channels, offsets, *placement,
                                targets, planar, format.bitsPerComponent == 32) != kvImageNoError)
            return nullptr;
        bitmap->m_editMode = planar ? 1 : 0;
    } else {
        vImage_Buffer &buffer = bitmap->m_imageBuffer;
        if (vImageBuffer_Init(&buffer, height, width, uint32_t(bitsPerPixel), kvImageNoFlags))
            return nullptr;
        std::memset(buffer.data, 0, buffer.rowBytes * buffer.height);
        if (source->drawInBuffer(&buffer, &format, &t2) != kvImageNoError)
            return nullptr; // the destructor frees the buffer
    }
    bitmap->m_scaleX = kx;
    bitmap->m_scaleY = ky;
    bitmap->m_originalColorSpace = colorSpace;
    return bitmap;
}

std::unique_ptr<MCBitmap> MCBitmap::createWithCGImage(const CGImageRef &image, MCError *)
{
    if (!image)
        return nullptr;
    std::unique_ptr<MCBitmap> bitmap(new MCBitmap);
    bitmap->m_imageFormat = vImageFormatOfImage(*image);
    if (vImageBuffer_InitWithCGImage(&bitmap->m_imageBuffer, &bitmap->m_imageFormat, nullptr, image, kvImageNoFlags))
        return nullptr;
    bitmap->m_originalColorSpace = bitmap->m_imageFormat.colorSpace;
    return bitmap;
}

MCBitmap::~MCBitmap()
{
    freeStores();
}

void MCBitmap::freeStores()
{
    freeBuffer(m_imageBuffer);
    freeChannels();
}

void MCBitmap::freeChannels()
{
    for (vImage_Buffer &channel : m_imageChannels)
        freeBuffer(channel);
}

std::unique_ptr<MCBitmap> MCBitmap::copy() const
{
    std::unique_ptr<MCBitmap> bitmap(new MCBitmap);
    bitmap->m_scaleX = m_scaleX;
    bitmap->m_scaleY = m_scaleY;
    bitmap->m_reducedForRun = m_reducedForRun;
    bitmap->m_assignedColorSpace = m_assignedColorSpace;
    bitmap->m_originalColorSpace = m_originalColorSpace;
    bitmap->m_imageFormat = m_imageFormat;
    bitmap->m_editMode = m_editMode;
    auto copyBuffer = [](const vImage_Buffer &from, vImage_Buffer &to) {
        if (!from.data)
            return true;
        const size_t bytes = from.rowBytes * from.height;
        void *data = std::aligned_alloc(16, (bytes + 15) / 16 * 16);
        if (!data)
            return false;
        std::memcpy(data, from.data, bytes);
        to = from;
        to.data = data;
        return true;
    };
    if (m_editMode == 0)
        return copyBuffer(m_imageBuffer, bitmap->m_imageBuffer) ? std::move(bitmap) : nullptr;
    for (size_t k = 0; k < 4; ++k)
        if (!copyBuffer(m_imageChannels[k], bitmap->m_imageChannels[k]))
            return nullptr;
    return bitmap;
}

// MARK: - Orientation

bool MCBitmap::flipsHorizontallyFromOrientation(uint64_t orientation)
{
    return orientationEntry(orientation).flipsHorizontally;
}

bool MCBitmap::flipsVerticallyFromOrientation(uint64_t orientation)
{
    return orientationEntry(orientation).flipsVertically;
}

double MCBitmap::rotationAngleInDegreesFromOrientation(uint64_t orientation)
{
    return 90.0 * double(orientationEntry(orientation).quarterTurns);
}

double MCBitmap::rotationAngleInRadiansFromOrientation(uint64_t orientation)
{
    return std::numbers::pi / 2 * double(orientationEntry(orientation).quarterTurns);
}

uint64_t MCBitmap::bitmapRotationFromOrientation(uint64_t orientation)
{
    return orientationEntry(orientation).quarterTurns;
}

QSizeF MCBitmap::rotatedSize(const QSizeF &size, uint64_t orientation)
{
    return orientationEntry(orientation).quarterTurns % 2 ? size.transposed() : size;
}

// MARK: - Accessors

QSizeF MCBitmap::size() const
{
    const vImage_Buffer &current = m_editMode == 0 ? m_imageBuffer : m_imageChannels[0];
    return QSizeF(double(current.width), double(current.height));
}

double MCBitmap::profileGamma() const
{
    const CGColorSpaceRef &space = colorSpace();
    const double gamma = space ? ColorSyncProfileEstimateGamma(space->iccData()) : 0.0;
    return gamma > 0 ? gamma : 2.2;
}

bool MCBitmap::isAlphaUsed() const
{
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(bitmapInfo());
    return alpha >= kCGImageAlphaPremultipliedLast && alpha <= kCGImageAlphaFirst;
}

bool MCBitmap::isAlphaPremultiplied() const
{
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(bitmapInfo());
    return alpha == kCGImageAlphaPremultipliedLast || alpha == kCGImageAlphaPremultipliedFirst;
}

// MARK: - Stores

bool MCBitmap::allocateChannels()
{
    if (!m_imageBuffer.data)
        return true;
    for (vImage_Buffer &channel : m_imageChannels) {
        if (channel.data && channel.width == m_imageBuffer.width && channel.height == m_imageBuffer.height)
            continue;
        freeBuffer(channel);
        if (vImageBuffer_Init(&channel, m_imageBuffer.height, m_imageBuffer.width, m_imageFormat.bitsPerComponent,
                              kvImageNoFlags)) {
            for (vImage_Buffer &each : m_imageChannels)
                freeBuffer(each);
            return false;
        }
    }
    return true;
}

bool MCBitmap::allocateBuffer()
{
    const vImage_Buffer &channel = m_imageChannels[0];
    if (!channel.data)
        return true;
    if (m_imageBuffer.data && m_imageBuffer.width == channel.width && m_imageBuffer.height == channel.height)
        return true;
    freeBuffer(m_imageBuffer);
    return vImageBuffer_Init(&m_imageBuffer, channel.height, channel.width, m_imageFormat.bitsPerPixel,
                             kvImageNoFlags) == kvImageNoError;
}

bool MCBitmap::useImageChannels()
{
    if (m_editMode == 1)
        return true;
    const uint32_t bpc = m_imageFormat.bitsPerComponent, bpp = m_imageFormat.bitsPerPixel;
    if (bpc == bpp && (bpc == 8 || bpc == 32)) {
        std::swap(m_imageBuffer, m_imageChannels[0]);
        freeBuffer(m_imageBuffer);
        m_editMode = 1;
        return true;
    }
    const bool known = (bpc == 8 && (bpp == 32 || bpp == 24)) || (bpc == 32 && (bpp == 128 || bpp == 96));
    if (!known || !allocateChannels())
        return false;
    vImage_Buffer *c = m_imageChannels.data();
    vImage_Error status;
    switch (bpp) {
    case 128: status = vImageConvert_ARGBFFFFtoPlanarF(&m_imageBuffer, &c[0], &c[1], &c[2], &c[3], 0); break;
    case 96: status = vImageConvert_RGBFFFtoPlanarF(&m_imageBuffer, &c[0], &c[1], &c[2], 0); break;
    case 32: status = vImageConvert_ARGB8888toPlanar8(&m_imageBuffer, &c[0], &c[1], &c[2], &c[3], 0); break;
    default: status = vImageConvert_RGB888toPlanar8(&m_imageBuffer, &c[0], &c[1], &c[2], 0); break;
    }
    // A failed split keeps the buffer current: switching anyway would let the next merge
    // write stale planes over good pixels.
    if (status != kvImageNoError)
        return false;
    // The store left behind is freed: holding both would keep two working copies of a
    // full-size photo for the rest of its run.
    freeBuffer(m_imageBuffer);
    m_editMode = 1;
    return true;
}

bool MCBitmap::useImageBuffer()
{
    if (m_editMode == 0)
        return true;
    const uint32_t bpc = m_imageFormat.bitsPerComponent, bpp = m_imageFormat.bitsPerPixel;
    if (bpc == bpp) {
        std::swap(m_imageBuffer, m_imageChannels[0]);
        freeChannels();
        m_editMode = 0;
        return true;
    }
    if (!allocateBuffer() || mergeChannelRows(0, m_imageBuffer) != kvImageNoError)
        return false;
    freeChannels();
    m_editMode = 0;
    return true;
}

vImage_Error MCBitmap::mergeChannelRows(size_t firstRow, const vImage_Buffer &destination) const
{
    std::array<vImage_Buffer, 4> c = m_imageChannels;
    for (vImage_Buffer &plane : c) {
        if (!plane.data)
            continue;
        if (firstRow + destination.height > plane.height)
            return kvImageRoiLargerThanInputBuffer;
        plane.data = static_cast<uint8_t *>(plane.data) + firstRow * plane.rowBytes;
        plane.height = destination.height;
    }
    switch (m_imageFormat.bitsPerPixel) {
    case 128: return vImageConvert_PlanarFtoARGBFFFF(&c[0], &c[1], &c[2], &c[3], &destination, 0);
    case 96: return vImageConvert_PlanarFtoRGBFFF(&c[0], &c[1], &c[2], &destination, 0);
    case 32: return vImageConvert_Planar8toARGB8888(&c[0], &c[1], &c[2], &c[3], &destination, 0);
    case 24: return vImageConvert_Planar8toRGB888(&c[0], &c[1], &c[2], &destination, 0);
    default: return kvImageInvalidImageFormat;
    }
}

bool MCBitmap::replaceBuffer(const vImage_Buffer &buffer)
{
    if (buffer.data != m_imageBuffer.data)
        std::free(m_imageBuffer.data);
    m_imageBuffer = buffer;
    return true;
}

// MARK: - Drawing

CGContextRef MCBitmap::beginContext(uint64_t orientation)
{
    if (!useImageBuffer())
        return nullptr;
    vImage_CGImageFormat &format = m_imageFormat;
    if (CGBitmapAlphaInfo(format.bitmapInfo) == kCGImageAlphaLast && isFourComponentWorkingLayout(format)) {
        const vImage_Error status = format.bitsPerComponent == 8
                                        ? vImagePremultiplyData_RGBA8888(&m_imageBuffer, &m_imageBuffer, 0)
                                        : vImagePremultiplyData_RGBAFFFF(&m_imageBuffer, &m_imageBuffer, 0);
        if (status == kvImageNoError)
            format.bitmapInfo = (format.bitmapInfo & ~kCGBitmapAlphaInfoMask) | kCGImageAlphaPremultipliedLast;
    }
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(format.bitmapInfo);
    if (alpha != kCGImageAlphaPremultipliedLast && alpha != kCGImageAlphaNoneSkipLast &&
        format.bitsPerPixel != format.bitsPerComponent)
        return nullptr;
    CGContextRef context = CGContext::createBitmap(m_imageBuffer.data, m_imageBuffer.width, m_imageBuffer.height,
                                                   format.bitsPerComponent, m_imageBuffer.rowBytes, format.colorSpace,
                                                   format.bitmapInfo);
    if (!context)
        return nullptr;
    const double width = double(m_imageBuffer.width), height = double(m_imageBuffer.height);
    if (flipsVerticallyFromOrientation(orientation)) {
        context->translateCTM(0, height);
        context->scaleCTM(1, -1);
    }
    if (flipsHorizontallyFromOrientation(orientation)) {
        context->translateCTM(width, 0);
        context->scaleCTM(-1, 1);
    }
    if (const uint64_t turns = bitmapRotationFromOrientation(orientation)) {
        context->translateCTM(width / 2, height / 2);
        context->rotateCTM(-double(turns) * std::numbers::pi / 2);
        context->translateCTM(-width / 2, -height / 2);
    }
    return context;
}

bool MCBitmap::endContext(const CGContextRef &)
{
    if (!useImageBuffer())
        return false;
    vImage_CGImageFormat &format = m_imageFormat;
    if (CGBitmapAlphaInfo(format.bitmapInfo) != kCGImageAlphaPremultipliedLast || !isFourComponentWorkingLayout(format))
        return true;
    const vImage_Error status = format.bitsPerComponent == 8
                                    ? vImageUnpremultiplyData_RGBA8888(&m_imageBuffer, &m_imageBuffer, 0)
                                    : vImageUnpremultiplyData_RGBAFFFF(&m_imageBuffer, &m_imageBuffer, 0);
    if (status != kvImageNoError)
        return false;
    format.bitmapInfo = (format.bitmapInfo & ~kCGBitmapAlphaInfoMask) | kCGImageAlphaLast;
    return true;
}

void MCBitmap::drawInRect(const QRectF &rect, const QRectF &fromRect, CGContext &context)
{
    if (rect.isEmpty() || !useImageBuffer())
        return;
    CGImageRef image = imageOverBuffer(m_imageBuffer, m_imageFormat);
    if (image && !fromRect.isNull())
        image = CGImage::createWithImageInRect(image, fromRect);
    if (image)
        context.drawImage(rect, image);
}

std::optional<MCBitmapColor> MCBitmap::colorAtPoint(const QPointF &point) const
{
    const bool planar = m_editMode == 1;
    const vImage_Buffer &store = planar ? m_imageChannels[0] : m_imageBuffer;
    if (!store.data || !(point.x() >= 0) || !(point.y() >= 0) || point.x() >= double(store.width) ||
        point.y() >= double(store.height))
        return std::nullopt;
    const size_t x = size_t(point.x()), y = size_t(point.y());
    const uint32_t bpc = m_imageFormat.bitsPerComponent, bpp = m_imageFormat.bitsPerPixel;
    const size_t count = bpp / bpc;
    if (!((bpc == 8 || bpc == 32) && bpp == bpc * count && (count == 1 || count == 4)))
        return std::nullopt;
    if (planar)
        for (size_t k = 0; k < count; ++k)
            if (!m_imageChannels[k].data)
                return std::nullopt;
    auto sample = [&](size_t k) -> double {
        const vImage_Buffer &source = planar ? m_imageChannels[k] : m_imageBuffer;
        const size_t index = planar ? x : x * count + k;
        const uint8_t *row = static_cast<const uint8_t *>(source.data) + y * source.rowBytes;
        if (bpc == 8)
            return row[index] / 255.0;
        float value;
        std::memcpy(&value, row + 4 * index, 4);
        return value;
    };
    MCBitmapColor color{colorSpace(), {}};
    for (size_t k = 0; k < count; ++k)
        color.components.push_back(sample(k));
    if (count == 1)
        color.components.push_back(1.0);
    return color;
}

vImage_Error MCBitmap::drawInBuffer(const vImage_Buffer *buffer, const vImage_CGImageFormat *format,
                                    const QTransform *transform) const
{
    const CGImageRef image = imageOverBuffer(m_imageBuffer, m_imageFormat);
    if (!image)
        return kvImageInvalidImageObject;
    const std::shared_ptr<MCImage> drawn = MCImage::create(image);
    return drawn ? drawn->drawInBuffer(buffer, format, transform) : kvImageInvalidImageObject;
}

// MARK: - Conversion and saving

bool MCBitmap::convertToBitmapInfo(CGBitmapInfo bitmapInfo, uint64_t bitsPerComponent,
                                   const std::vector<double> &backgroundColor, MCError *)
{
    // Planes of a multi-component format convert straight into the new format; the others
    // switch to the buffer first (one-component formats switch without copying).
    const bool fromChannels = m_editMode == 1 && m_imageFormat.bitsPerPixel != m_imageFormat.bitsPerComponent;
    if ((!fromChannels && !useImageBuffer()) || !colorSpace())
        return false;
    vImage_CGImageFormat destination = m_imageFormat;
    destination.bitsPerComponent = uint32_t(bitsPerComponent);
    destination.bitmapInfo = bitmapInfo;
    const CGImageAlphaInfo alpha = CGBitmapAlphaInfo(bitmapInfo);
    const size_t components = colorSpace()->numberOfComponents() +
                              (alpha >= kCGImageAlphaPremultipliedLast && alpha <= kCGImageAlphaNoneSkipFirst ? 1 : 0);
    destination.bitsPerPixel = uint32_t(components * bitsPerComponent);
    if (backgroundColor.size() < colorSpace()->numberOfComponents())
        return false;
    const vImageConverterRef converter = vImageConverter_CreateWithCGImageFormat(
        &m_imageFormat, &destination, backgroundColor.data(), kvImageNoFlags, nullptr);
    if (!converter)
        return false;
    if (fromChannels)
        return convertChannelsToFormat(destination, converter);
    vImage_Buffer target = m_imageBuffer;
    const vImage_Error placement = vImageConverter_MustOperateOutOfPlace(converter, &m_imageBuffer, &m_imageBuffer, 0);
    if (placement == kvImageOutOfPlaceOperationRequired) {
        if (vImageBuffer_Init(&target, m_imageBuffer.height, m_imageBuffer.width, destination.bitsPerPixel, 0))
            return false;
    } else if (placement != kvImageNoError) {
        return false;
    }
    if (vImageConvert_AnyToAny(converter, &m_imageBuffer, &target, nullptr, 0) != kvImageNoError) {
        if (target.data != m_imageBuffer.data)
            std::free(target.data);
        return false;
    }
    replaceBuffer(target);
    m_imageFormat = destination;
    return true;
}

bool MCBitmap::convertChannelsToFormat(const vImage_CGImageFormat &destination, const vImageConverterRef &converter)
{
    const vImage_Buffer &first = m_imageChannels[0];
    const size_t width = first.width, height = first.height;
    vImage_Buffer target;
    if (vImageBuffer_Init(&target, height, width, destination.bitsPerPixel, kvImageNoFlags) != kvImageNoError)
        return false;
    // The common last step of a photo without transparency, 8-bit RGBA planes to 8-bit RGB:
    // the colour planes are interleaved as they are, which is what the conversion of opaque
    // pixels gives. Any other change goes through the converter a few rows at a time.
    vImage_Error status;
    if (m_imageFormat.bitsPerComponent == 8 && m_imageFormat.bitsPerPixel == 32 &&
        CGBitmapAlphaInfo(m_imageFormat.bitmapInfo) == kCGImageAlphaLast && destination.bitsPerComponent == 8 &&
        destination.bitsPerPixel == 24 && destination.bitmapInfo == kCGImageAlphaNone &&
        MCIsOpaquePlanar8(m_imageChannels[3])) {
        status = vImageConvert_Planar8toRGB888(&m_imageChannels[0], &m_imageChannels[1], &m_imageChannels[2], &target, 0);
    } else {
        status = convertChannelRows(converter, target);
    }
    if (status != kvImageNoError) {
        std::free(target.data);
        return false;
    }
    freeStores();
    m_imageBuffer = target;
    m_imageFormat = destination;
    m_editMode = 0;
    return true;
}

vImage_Error MCBitmap::convertChannelRows(const vImageConverterRef &converter, const vImage_Buffer &target) const
{
    const size_t width = target.width;
    const size_t workingBytes = m_imageFormat.bitsPerPixel / 8;
    const size_t rowBytes = (width * workingBytes + 15) / 16 * 16;
    // Bands small enough that merging and converting them stay on the band's own thread.
    const size_t bandRows = std::max<size_t>(1, 64 * 1024 / std::max<size_t>(rowBytes, 1));
    std::atomic<vImage_Error> failure{kvImageNoError};
    platform::forEachRowRange(target.height, width * (2 * workingBytes + target.rowBytes / std::max<size_t>(width, 1)),
                              [&](size_t begin, size_t end) {
        void *rows = std::aligned_alloc(16, bandRows * rowBytes);
        if (!rows) {
            failure = kvImageMemoryAllocationError;
            return;
        }
        for (size_t y = begin; y < end && failure == kvImageNoError; y += bandRows) {
            const size_t count = std::min(bandRows, end - y);
            const vImage_Buffer band{rows, count, width, rowBytes};
            const vImage_Buffer out{static_cast<uint8_t *>(target.data) + y * target.rowBytes, count, width,
                                    target.rowBytes};
            vImage_Error status = mergeChannelRows(y, band);
            if (status == kvImageNoError)
                status = vImageConvert_AnyToAny(converter, &band, &out, nullptr, kvImageNoFlags);
            if (status != kvImageNoError)
                failure = status;
        }
        std::free(rows);
    });
    return failure;
}

bool MCBitmap::convertToFinalColorSpace(const CGColorSpaceRef &space, CGBitmapInfo bitmapInfo, uint64_t bitsPerComponent,
                                        const std::vector<double> &backgroundColor, MCError *error)
{
    // A format change reads the planes themselves, so the interleaved working copy is never
    // made beside them.
    if (bitmapInfo != m_imageFormat.bitmapInfo || bitsPerComponent != m_imageFormat.bitsPerComponent) {
        if (!convertToBitmapInfo(bitmapInfo, bitsPerComponent, backgroundColor, error))
            return false;
    } else if (!useImageBuffer()) {
        return false;
    }
    if (space != colorSpace())
        return convertToColorSpace(space, m_imageFormat.renderingIntent, false, error);
    return true;
}

bool MCBitmap::saveAtURL(const QString &path, const QString &type, const QVariantMap &metadata, MCError *error)
{
    CGImageRef image;
    if (useImageBuffer())
        image = imageOverBuffer(m_imageBuffer, m_imageFormat);
    MCError writerError;
    if (image && writeImage(image, path, type, metadata, &writerError))
        return true;
    const QString name = QFileInfo(path).fileName();
    MCError failure(MCErrorDomain, 1, QCoreApplication::translate("MCBitmap", "“%1” could not be converted.").arg(name),
                    writerError.localizedFailureReason(), savingSuggestion(writerError));
    failure.setUnderlyingError(writerError);
    return MCSetError(error, failure);
}

// MARK: - Pixel-operation frame

bool MCBitmap::runKernels(const Kernels &kernels)
{
    // Not being able to work on planes means the operation did not happen: say so, rather
    // than answering success over unchanged pixels.
    if (!useImageChannels())
        return false;
    const uint32_t bpc = m_imageFormat.bitsPerComponent, bpp = m_imageFormat.bitsPerPixel;
    vImage_Error status = kvImageNoError;
    if (bpc == 8 && bpp == 8 && kernels.planar8)
        status = kernels.planar8(m_imageChannels.data(), 1);
    else if (bpc == 32 && bpp == 32 && kernels.planarF)
        status = kernels.planarF(m_imageChannels.data(), 1);
    else if (bpc == 8 && bpp == 32 && kernels.planar8)
        status = kernels.planar8(m_imageChannels.data(), 3);
    else if (bpc == 32 && bpp == 128 && kernels.planarF)
        status = kernels.planarF(m_imageChannels.data(), 3);
    return status == kvImageNoError;
}
