#pragma once

#include "platform/graphics/CGTypes.h"

#include <QRect>
#include <QRectF>
#include <QTransform>

#include <functional>
#include <memory>
#include <vector>

class QPainter;

// An affine transform in the platform's terms: {a, b, c, d, tx, ty} maps (x, y) to
// (a·x + c·y + tx, b·x + d·y + ty), which is QTransform(a, b, c, d, tx, ty). Concatenation
// works the same way in both: translate/scale/rotate apply before what is there already.
using CGAffineTransform = QTransform;

enum CGBlendMode : int32_t {
    kCGBlendModeNormal = 0, // source over
    kCGBlendModeCopy = 17,  // the source replaces what is under it
};

enum CGInterpolationQuality : int32_t {
    kCGInterpolationDefault = 0, // as high
    kCGInterpolationNone = 1,    // nearest pixel
    kCGInterpolationLow = 2,     // bilinear
    kCGInterpolationHigh = 3,    // Lanczos (radius 3, widened when reducing): sharp and free of aliasing
    kCGInterpolationMedium = 4,  // as high
};

class CGContext;
using CGContextRef = std::shared_ptr<CGContext>;

// A bitmap drawing context over pixel memory: the caller's or its own.
//
// Coordinates are the platform's: the origin is the lower-left corner of the bitmap and y
// grows upward, so the first row in memory is the top of the picture (user point (x, y)
// lands in memory row height − y). The current transform (CTM) maps user space onto that
// device space; it starts as the identity. A pixel is drawn when its centre lies inside
// what is drawn (no partial coverage at the edges of shapes).
//
// Formats (bits per component, colour space, alpha info):
// - gray and CMYK: 8, 16 or 32 (float) bits, alpha info none;
// - RGB: 8, 16 or 32 (float) bits, alpha premultiplied first or last, or skip first or last.
// 8-bit components may name a 32-bit byte order (32 little: the pixel's components reversed in
// memory, BGRA for alpha first); 16- and 32-bit components are in host order (the default or
// the host's own 16- or 32-bit order). Anything else is refused: create answers nullptr.
//
// Colours and images are colour-managed into the context's space (ColorSyncTransform): an
// image with its own rendering intent, colours from the space they are given in. Drawing is
// composited premultiplied, in the blend mode, through the clip and with the global alpha.
// A context is used by one thread at a time; drawing spreads its rows over the shared pool.
class CGContext
{
public:
    // `data` nullptr: the context allocates zero-filled memory of its own (bytesPerRow 0 picks a
    // row length, a multiple of 16 bytes). With caller memory, bytesPerRow 0 means tightly packed.
    // nullptr for an unsupported format, a zero or absurd size, rows shorter than a row needs,
    // or memory that cannot be allocated.
    static CGContextRef createBitmap(void *data, size_t width, size_t height, size_t bitsPerComponent,
                                     size_t bytesPerRow, CGColorSpaceRef colorSpace, CGBitmapInfo bitmapInfo);

    ~CGContext();
    CGContext(const CGContext &) = delete;
    CGContext &operator=(const CGContext &) = delete;

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    size_t bitsPerComponent() const { return m_bitsPerComponent; }
    size_t bitsPerPixel() const { return m_bitsPerPixel; }
    size_t bytesPerRow() const { return m_bytesPerRow; }
    CGBitmapInfo bitmapInfo() const { return m_bitmapInfo; }
    CGImageAlphaInfo alphaInfo() const { return CGBitmapAlphaInfo(m_bitmapInfo); }
    const CGColorSpaceRef &colorSpace() const { return m_colorSpace; }
    uint8_t *data() const { return m_data; }

    // Graphics state: CTM, clip, alpha, blend mode, interpolation quality, fill colour.
    void saveGState();
    void restoreGState(); // does nothing without a matching save

    CGAffineTransform getCTM() const;
    void translateCTM(double tx, double ty);
    void scaleCTM(double sx, double sy);
    void rotateCTM(double radians); // counter-clockwise as seen, y being up
    void concatCTM(const CGAffineTransform &transform);

    // Global opacity of everything drawn, clamped to 0..1.
    void setAlpha(double alpha);
    void setBlendMode(CGBlendMode mode);
    void setInterpolationQuality(CGInterpolationQuality quality);
    // Narrows the clip to the rectangle (user space, through the CTM at this moment).
    void clipToRect(const QRectF &rect);

    // The fill colour: components of `space` followed by alpha (numberOfComponents() + 1
    // values, 0..1), converted to the context's space. A null space means the context's own.
    // Answers false, keeping the colour, for a wrong count or a space that cannot be converted.
    bool setFillColor(const std::vector<double> &components, const CGColorSpaceRef &space = nullptr);
    bool setRGBFillColor(double red, double green, double blue, double alpha); // sRGB
    bool setGrayFillColor(double gray, double alpha);                         // gray, gamma 2.2

    void fillRect(const QRectF &rect);
    // Pixels under the rectangle become 0 in every component (transparent black), whatever the
    // blend mode and alpha.
    void clearRect(const QRectF &rect);

    // Draws the image stretched over `rect` (user space), upright: its first row along the
    // rectangle's top (largest y). Images that do not ask to be interpolated are drawn with the
    // nearest pixel, as are pixel-exact placements. Formats a colour transform cannot read
    // (1-, 2- and 4-bit, 5-bit packed, half-float, alpha only) draw nothing and answer false.
    bool drawImage(const QRectF &rect, const CGImageRef &image);
    // The image repeated in every direction over the whole clip, one copy at `rect`.
    bool drawTiledImage(const QRectF &rect, const CGImageRef &image);

    // A copy of the pixels as an image (its own memory; later drawing does not change it).
    CGImageRef createImage() const;

    // Runs `paint` with a QPainter over the pixels, set up with the CTM (and the flip to Qt's
    // y-down device), clip, alpha and blend mode, for text and paths. Colours given to the
    // painter are taken as the context's own space, unconverted. False, without calling, for
    // formats Qt cannot paint: gray, CMYK, alpha first in 16 or 32 bits, 8-bit alpha last in
    // 32-bit little-endian order.
    bool paint(const std::function<void(QPainter &)> &paint);

    struct Layout; // memory layout of the pixels, for the drawing kernels
    struct State;

private:
    CGContext() = default;

    // The device rectangle (memory rows from the top) that the clip allows, and whether the
    // clip is only that rectangle.
    QRect clipBox() const;
    bool fillDevice(const QRectF &rect, bool clear);
    bool drawImage(const QRectF &rect, const CGImageRef &image, bool tiled);

    size_t m_width = 0;
    size_t m_height = 0;
    size_t m_bitsPerComponent = 0;
    size_t m_bitsPerPixel = 0;
    size_t m_bytesPerRow = 0;
    CGBitmapInfo m_bitmapInfo = 0;
    CGColorSpaceRef m_colorSpace;
    uint8_t *m_data = nullptr;
    std::unique_ptr<uint8_t[]> m_ownData;
    std::unique_ptr<Layout> m_layout;
    std::unique_ptr<State> m_state;
    std::vector<State> m_savedStates;
};
