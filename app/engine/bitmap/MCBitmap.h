#pragma once

#include "platform/accelerate/vImageConverter.h"
#include "platform/accelerate/vImageTypes.h"
#include "platform/color/ColorSyncTransform.h"
#include "platform/core/MCError.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/MCShadow.h"
#include "platform/text/MCTextFrame.h"

#include <QColor>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class MCImage;

// A colour read from a bitmap: the components of `space` followed by alpha, each 0..1 for
// 8-bit samples and as stored for float samples.
struct MCBitmapColor
{
    CGColorSpaceRef space;
    std::vector<double> components;
};

// The editable image of a conversion. The pixels live in one of two stores: one interleaved
// buffer (drawing contexts, colour conversion and saving use it) or four planar channels
// (the pixel kernels use them; channel k holds the k-th component of each pixel in memory
// order: 0 red, 1 green, 2 blue, 3 alpha for the working formats). The bitmap switches
// between them on demand and frees the store it leaves, so a full-size photo is held once.
//
// Working formats: four components in an RGB space, alpha last and not premultiplied, 8-bit
// (bitmap info 3) or 32-bit float (0x2103); sources of 16 bits are edited as float. The store
// switch knows (8, 32), (8, 24), (8, 8), (32, 128), (32, 96) and (32, 32) as (bits per
// component, bits per pixel).
//
// Drawing contexts and transforms use the drawing convention: origin at the lower left, y up,
// so the first row in memory is the top of the picture. A bitmap is used by one thread at a
// time. Pixel operations answer a bool and never fill an error; only saving does.
class MCBitmap
{
public:
    // Reads `image` in the given format, flipped, then rotated by `angle` (radians, counter-
    // clockwise), then fitted into `fitSize` (a zero size keeps the full size; a NaN side uses
    // the image's own extent; never enlarged). Where the picture does not cover the buffer it
    // stays transparent black. nullptr for a null image, a box or fitted size below one pixel,
    // memory that cannot be had, or a drawing that fails. With `planar` the bitmap may start
    // with its channels as the current store (only the channels are then allocated) where the
    // pixels can be placed straight into them; callers whose next step works on the channels
    // ask for it.
    static std::unique_ptr<MCBitmap> create(const std::shared_ptr<const MCImage> &image, const CGColorSpaceRef &colorSpace,
                                            CGBitmapInfo bitmapInfo, uint64_t bitsPerComponent, uint64_t bitsPerPixel,
                                            const QSizeF &fitSize = QSizeF(0, 0), double angle = 0,
                                            bool flippedHorizontally = false, bool flippedVertically = false,
                                            bool planar = false);
    // The image's own format and pixels at scale 1; nullptr when it is null or cannot be read.
    // `error` is not filled.
    static std::unique_ptr<MCBitmap> createWithCGImage(const CGImageRef &image, MCError *error = nullptr);

    ~MCBitmap();
    MCBitmap(const MCBitmap &) = delete;
    MCBitmap &operator=(const MCBitmap &) = delete;

    // A deep copy of the current store only, the scales, the three colour spaces and the
    // format; nullptr when memory runs out.
    std::unique_ptr<MCBitmap> copy() const;

    // EXIF orientations 1 to 8 (any other value counts as 1).
    static bool flipsHorizontallyFromOrientation(uint64_t orientation);
    static bool flipsVerticallyFromOrientation(uint64_t orientation);
    static double rotationAngleInDegreesFromOrientation(uint64_t orientation);
    static double rotationAngleInRadiansFromOrientation(uint64_t orientation);
    static uint64_t bitmapRotationFromOrientation(uint64_t orientation); // quarter turns
    static QSizeF rotatedSize(const QSizeF &size, uint64_t orientation);

    QSizeF size() const;
    uint64_t bitsPerComponent() const { return m_imageFormat.bitsPerComponent; }
    uint64_t bitsPerPixel() const { return m_imageFormat.bitsPerPixel; }
    CGBitmapInfo bitmapInfo() const { return m_imageFormat.bitmapInfo; }
    const CGColorSpaceRef &colorSpace() const { return m_imageFormat.colorSpace; }
    CGColorRenderingIntent renderingIntent() const { return m_imageFormat.renderingIntent; }
    const CGColorSpaceRef &assignedColorSpace() const { return m_assignedColorSpace; }
    void setAssignedColorSpace(const CGColorSpaceRef &space) { m_assignedColorSpace = space; }
    const CGColorSpaceRef &originalColorSpace() const { return m_originalColorSpace; }
    void setOriginalColorSpace(const CGColorSpaceRef &space) { m_originalColorSpace = space; }
    // The gamma estimated from the colour space's profile; 2.2 when it cannot be estimated.
    double profileGamma() const;
    bool isAlphaUsed() const;          // alpha info 1 to 4
    bool isAlphaPremultiplied() const; // alpha info 1 or 2
    double scaleX() const { return m_scaleX; }
    void setScaleX(double scale) { m_scaleX = scale; }
    double scaleY() const { return m_scaleY; }
    void setScaleY(double scale) { m_scaleY = scale; }
    // A bitmap a run (not a preview) read at reduced size because its stages make the photo
    // smaller anyway: the scales relate it to the full-size photo as for a preview, and the
    // first resampling stage makes it the size it would make of the full-size photo, then
    // calls restoreFullScale().
    bool isReducedForRun() const { return m_reducedForRun; }
    void setReducedForRun(bool reduced) { m_reducedForRun = reduced; }
    // Scales back to 1 and the mark cleared: the pixels now are the full-size result's.
    void restoreFullScale()
    {
        m_scaleX = m_scaleY = 1.0;
        m_reducedForRun = false;
    }

    // The stores. A failed switch leaves the current store as it was.
    bool useImageBuffer();
    bool useImageChannels();
    bool allocateBuffer();
    bool allocateChannels();
    bool isUsingChannels() const { return m_editMode == 1; }
    const vImage_Buffer &imageBuffer() const { return m_imageBuffer; }
    std::array<vImage_Buffer, 4> &imageChannels() { return m_imageChannels; }
    const vImage_CGImageFormat &imageFormat() const { return m_imageFormat; }

    // A context over the buffer for drawing in the photo's upright orientation: the pixels
    // are premultiplied (alpha info 1) until endContext(). nullptr when the switch, the
    // premultiplication or the context fails, or for formats a context cannot draw.
    CGContextRef beginContext(uint64_t orientation);
    bool endContext(const CGContextRef &context);
    // Draws the pixels (cropped to `fromRect`, in pixels from the first row, unless it is
    // null) into `rect` of the context.
    void drawInRect(const QRectF &rect, const QRectF &fromRect, CGContext &context);
    // The colour at column x, row y from the first row in memory, from the current store;
    // nothing outside the bitmap or for formats other than (8, 8), (8, 32), (32, 32), (32, 128).
    std::optional<MCBitmapColor> colorAtPoint(const QPointF &point) const;
    // MCImage's drawing contract, drawing the interleaved buffer as it stands.
    vImage_Error drawInBuffer(const vImage_Buffer *buffer, const vImage_CGImageFormat *format,
                              const QTransform *transform) const;

    // Changes the component size and alpha layout in the current colour space; where alpha
    // is dropped the pixels are composited onto `backgroundColor` (one value per colour
    // component). `error` is not filled.
    bool convertToBitmapInfo(CGBitmapInfo bitmapInfo, uint64_t bitsPerComponent,
                             const std::vector<double> &backgroundColor, MCError *error = nullptr);
    // The pixel format first (background in the current space), then the colour space with
    // the bitmap's own rendering intent.
    bool convertToFinalColorSpace(const CGColorSpaceRef &colorSpace, CGBitmapInfo bitmapInfo, uint64_t bitsPerComponent,
                                  const std::vector<double> &backgroundColor, MCError *error = nullptr);
    // Writes the pixels with `metadata` as their properties in the format named by the type
    // identifier ("public.jpeg" ...). On failure: "MCErrorDomain" 1, "“name” could not be
    // converted.", the writer's reason as failure reason ("No space left on device") and its
    // error as the underlying one; the suggestion is "Make sure that the convert settings are
    // proper." unless the file system failed (then: free space, choose another folder ...).
    bool saveAtURL(const QString &path, const QString &type, const QVariantMap &metadata, MCError *error = nullptr);

    // Colour management (ColorSync transforms on lcms2).
    // The ColorSync intent name of a rendering intent; empty for values other than 0 to 4.
    static QString colorSyncRenderingIntentFromCGRenderingIntent(CGColorRenderingIntent intent);
    // Relabels the pixels; false for a space of another colour model.
    bool assignColorSpace(const CGColorSpaceRef &colorSpace, MCError *error = nullptr);
    vImage_Error convertToColorSpace(const CGColorSpaceRef &colorSpace, const ColorSyncTransformRef &transform);
    bool convertToColorSpace(const CGColorSpaceRef &colorSpace, CGColorRenderingIntent intent, bool bpc,
                             MCError *error = nullptr);
    vImage_Error proofWithColorSpace(const CGColorSpaceRef &colorSpace, const ColorSyncTransformRef &transform);
    bool proofWithColorSpace(const CGColorSpaceRef &colorSpace, CGColorRenderingIntent intent, bool bpc,
                             MCError *error = nullptr);

    // The outer frame of the pixel operations: switch to the channels (false when that fails:
    // the operation did not happen), then run the kernel that matches the layout, (8, 8),
    // (32, 32), (8, 32) or (32, 128), with its colour-channel count (1, 1, 3, 3). A layout
    // outside these runs nothing and answers true; otherwise true exactly when the kernel's
    // status is 0.
    struct Kernels
    {
        std::function<vImage_Error(vImage_Buffer *channels, size_t count)> planar8;
        std::function<vImage_Error(vImage_Buffer *channels, size_t count)> planarF;
    };
    bool runKernels(const Kernels &kernels);

    // ---- Tone adjustments (MCBitmapTone.cpp)
    // Every colour channel is changed, alpha never. Gray bitmaps use channel 0 alone. An
    // operation answers false when it could not be done (no planes, no memory, a rejected
    // argument such as NaN) and then leaves the pixels as they were, except where a platform
    // step fails part way; `error` is never filled.

    // Luminance stretched by `contrast` about the pivot `shift` (0..1); colour pixels keep
    // their chromaticity.
    bool adjustContrast(float contrast, float shift, MCError *error = nullptr);
    // Every colour component times `gain` (≥ 0), saturating at full scale.
    bool adjustExposure(float gain, MCError *error = nullptr);
    // Every colour component c of 0..1 becomes c^ratio; ratios outside 0.1..10 are refused.
    bool adjustGamma(float ratio, MCError *error = nullptr);
    // Levels: input range minInput..maxInput onto the output range minOutput..maxOutput through
    // the exponent `gamma` (fractions of full scale, clamped to 0..1). Gray bitmaps are left.
    bool adjustGamma(float gamma, float minInput, float maxInput, float minOutput, float maxOutput,
                     MCError *error = nullptr);
    // Stretches the range between the levels where `fraction` of the pixels lie below (above)
    // to full scale: one common range for all channels, or each channel's own.
    bool autoContrast(float fraction, MCError *error = nullptr);
    bool autoWhiteBalance(float fraction, MCError *error = nullptr);

    // ---- end

    // ---- Colour adjustments (MCBitmapColor.cpp)
    // Hue is a fraction of a full turn (degrees / 360); saturation, lightness and value 0..1.
    // Results as for the tone adjustments. Gray bitmaps take the gain noted, or are left.

    // Gains per channel. Gray: the mean of the three.
    bool adjustR(float red, float green, float blue, MCError *error = nullptr);
    // Hue shift, saturation factor and lightness factor in the HSL model. Gray: gain `lightness`.
    bool adjustH(float hue, float saturation, float lightness, MCError *error = nullptr);
    // The same in the HSV model, with a value factor. (Named apart from the HSL adjustment,
    // whose arguments have the same types.) Gray: gain `value`.
    bool adjustHSV(float hue, float saturation, float value, MCError *error = nullptr);
    // Every pixel takes the hue and saturation given and its lightness times `lightness`.
    // Gray: gain `lightness`.
    bool colorizeH(float hue, float saturation, float lightness, MCError *error = nullptr);
    // Hue turn, saturation and value through a YIQ matrix. Gray: gain `value`.
    bool adjustY(float hueTurn, float saturation, float value, MCError *error = nullptr);
    // Blend towards sepia by `strength` (0..1). Gray: unchanged.
    bool adjustSepia(float strength, MCError *error = nullptr);
    // Channel gains of black-body light at `kelvin`. Gray: unchanged.
    bool adjustTemperature(float kelvin, MCError *error = nullptr);

    // ---- end

    // ---- Sharpness, blur and vignette (MCBitmapSharpness.cpp)
    // The kernel follows the component size (8-bit or float); gray bitmaps work channel 0,
    // others red, green and blue. Alpha is never changed, but where it is not opaque everywhere
    // sharpness and blur weigh every neighbour by its alpha, so transparent pixels lend no
    // colour to visible ones. false when planes or memory cannot be had (the pixels are then
    // as they were) or for a NaN argument; `error` is never filled.

    // 3 × 3 sharpening by `sharpness` ≥ 0 (0 changes nothing); edge pixels stay as they are.
    bool adjustSharpness(float sharpness, MCError *error = nullptr);
    // Blur of `radius` pixels (0 changes nothing; above 63 counts as 63), `type` 0 box, 1 tent,
    // 2 Gaussian (other types change nothing), its kernel truncated at the picture's edges.
    bool blurWithRadius(uint64_t radius, uint64_t type, MCError *error = nullptr);
    // Darkens (gain < 1) or brightens the picture towards its corners: the centre ellipse keeps
    // its pixels, the corners take them times `gain`. A gray bitmap counts as opaque.
    bool vignetteWithExposure(float gain, MCError *error = nullptr);

    // ---- end

    // ---- Curves (MCBitmapCurves.cpp)
    // A curve is a list of control points in a 256 × 256 grid (0..255 on both axes); the
    // default curve is (0, 0), (255, 255). Points are sanitised before sampling: sorted,
    // clamped to the grid, points closer than 1 in x to the previous one dropped.

    // The natural cubic spline through the control points, one point per level, mapped from
    // the grid into `rect`; empty for fewer than two points. Does not touch a bitmap.
    static QList<QPointF> splinePointsInRect(const QRectF &rect, const QList<QPointF> &controlPoints);
    // Maps the colour channels through four curves: master, red, green, blue (false for any
    // other number). Gray bitmaps take the master curve; a colour channel takes its own curve
    // plus the master's offset from the identity. A curve of fewer than two points counts as
    // the identity.
    bool histogram(const QList<QList<QPointF>> &curves, MCError *error = nullptr);

    // ---- end

    // ---- Geometry (MCBitmapGeometry.cpp)
    // On the planar channels, in place; scales, colour spaces and format never change. Edge
    // insets are in pixels (QMarginsF: left, top, right, bottom; "top" is the first row in
    // memory). An operation answers false when it could not be done (no planes, no memory, an
    // argument it refuses) and then leaves the picture as it was; `error` is never filled.

    // Mirrors left-right and/or top-bottom.
    bool flipHorizontally(bool horizontally, bool vertically, MCError *error = nullptr);
    // Quarter turns: 0 none, 1 counter-clockwise, 2 half, 3 clockwise (as seen with the first
    // row at the top; the values bitmapRotationFromOrientation answers). Other codes: false.
    bool rotate(uint64_t code, MCError *error = nullptr);
    // Resamples to the size rounded to whole pixels (halves away from zero) with a Lanczos
    // filter, edge pixels extended. With transparency the colours are resampled premultiplied
    // (a white disc on transparency stays white to its rim); fully transparent results take
    // colour 0. Below 1 × 1 (or NaN, or absurdly large): false.
    bool scaleToSize(const QSizeF &size, MCError *error = nullptr);
    // Crops the insets (truncated toward zero, negative ones as 0) off each edge; false when
    // no column or no row would be left.
    bool trim(const QMarginsF &insets, MCError *error = nullptr);
    // Crops the edges on the enabled sides where alpha is at most threshold × 254/255 of full
    // scale (threshold 0..1: a fully opaque pixel never counts as background). Working formats
    // only; others are left as they are (true).
    bool trimTransparentPixels(float threshold, bool trimsLeft, bool trimsRight, bool trimsTop, bool trimsBottom,
                               MCError *error = nullptr);
    // Crops the edges on the enabled sides whose red, green and blue are each within
    // `tolerance` (0..1) of the colour's first three components (a colour read from this
    // bitmap with colorAtPoint; alpha plays no part). Working formats only.
    bool trimColor(const MCBitmapColor &color, float tolerance, bool trimsLeft, bool trimsRight, bool trimsTop,
                   bool trimsBottom, MCError *error = nullptr);
    // Paints a border of the colour inside the edges (size unchanged), or adds one around the
    // picture (size grows). The left and top widths and the sums left + right, top + bottom
    // are rounded to whole pixels (halves away from zero). A translucent colour gives a
    // translucent border; gray bitmaps take the colour's luminance.
    bool addInnerBorder(const QMarginsF &insets, const QColor &color, MCError *error = nullptr);
    bool addOuterBorder(const QMarginsF &insets, const QColor &color, MCError *error = nullptr);

    // ---- end

    // ---- Alpha (MCBitmapAlpha.cpp)
    // On the planar channels of the working formats (others are left as they are: true);
    // `error` is never filled. Colours are taken as RGB components.

    // Flattens the picture onto the colour (transparent pixels take it, opaque ones keep
    // theirs; with an opaque colour every pixel ends opaque).
    bool alphaToColor(const QColor &color, MCError *error = nullptr);
    // Turns the colour into transparency and un-mixes it from the other pixels (its alpha
    // plays no part): a pixel of exactly that colour becomes fully transparent.
    bool colorToAlpha(const QColor &color, MCError *error = nullptr);
    // Replaces alpha by the mask's gray levels, the mask stretched over the picture (a portrait
    // mask on a landscape picture is turned a quarter turn first). False for a null mask, a
    // bitmap without an alpha channel (gray) or one the mask cannot be drawn into.
    bool applyAlphaMask(const CGImageRef &mask, MCError *error = nullptr);

    // ---- end

    // ---- Grayscale (MCBitmapGrayscale.cpp)
    // Red, green and blue all receive one gray value; alpha is left alone. Working formats only
    // (others are left as they are: true); `error` is never filled.

    bool grayscaleAverage(MCError *error = nullptr);   // (R + G + B) / 3
    bool grayscaleMinimum(MCError *error = nullptr);   // min(R, G, B)
    bool grayscaleMaximum(MCError *error = nullptr);   // max(R, G, B)
    bool grayscaleChannelR(MCError *error = nullptr);  // red copied into green and blue
    bool grayscaleChannelG(MCError *error = nullptr);  // green into red and blue
    bool grayscaleChannelB(MCError *error = nullptr);  // blue into red and green
    bool grayscaleLightness(MCError *error = nullptr); // (min + max) / 2, rounded up at 8 bits
    // R × wR + G × wG + B × wB, on values raised to `gamma` first and re-encoded with 1 / gamma
    // after (skipped when gamma is exactly 1; gamma or 1 / gamma outside 0.1..10 answers false,
    // and a refusal of gamma itself leaves the picture as it was).
    bool grayscaleWeighted(const std::array<float, 3> &weights, float gamma, MCError *error = nullptr);

    // ---- end

    // ---- Watermarks (MCBitmapWatermark.cpp)

    // Text: measured, fitted and rendered into canvases. These use nothing of the receiver.
    // One unit is one canvas pixel, the origin the lower-left corner, y up; a font size in
    // points is that many pixels.

    // The box of the text's lines in its frame: the glyphs' ink, and with `boundsToGlyph`
    // false also the lines' typographic extents (ascent, descent, advance). Left and right
    // edges from every line, the top from the first line, the bottom from the last; lines
    // without glyphs add nothing. The zero rectangle when nothing was measured.
    QRectF boundsOfText(const MCAttributedString &text, bool boundsToGlyph) const;
    // The point size at which `string` with `attributes` (font converted to that size) is no
    // taller than `size`'s height: a first guess in proportion to a measurement with the
    // attributes as given, truncated to whole points, then lowered one point at a time, never
    // below 8 (a first guess below 8 is answered as it is). With `outlineWidth` above 0 (percent
    // of the given font's size) the outline is measured too. A height that cannot be measured
    // answers the given font's size.
    double fontSizeWithString(const QString &string, const MCTextAttributes &attributes, const QSizeF &size,
                              bool boundsToGlyph, double outlineWidth) const;
    // Draws the text's lines with the frame's origin at the context's text position. Every
    // attribute that `attributes` sets replaces the runs' own.
    void drawText(const MCAttributedString &text, const MCTextAttributes *attributes, MCTextContext &context) const;
    void drawLines(const std::vector<MCTextLine> &lines, const std::vector<QPointF> &origins,
                   const MCTextAttributes *attributes, MCTextContext &context) const;
    void drawLine(const MCTextLine &line, const MCTextAttributes *attributes, MCTextContext &context) const;
    // Glyph by glyph, filled, then stroked when the attributes give a stroke width.
    void drawRun(const MCTextRun &run, const MCTextAttributes &attributes, MCTextContext &context) const;
    // A gray image (8 bits, no alpha) of the size's ceilings, white, with the text (fills and
    // outlines) in black at `point`; nullptr when it cannot be made (a size below one pixel).
    CGImageRef newImageMaskWithSize(const QSizeF &size, const MCAttributedString &text, const QPointF &point) const;
    // An sRGB canvas (8-bit, premultiplied alpha last, rows of 4 × width bytes) of the size's
    // ceilings, transparent, with the text at `point` over its shadow; the shadow shows only
    // outside the letters and their outlines. nullptr when it cannot be made.
    CGImageRef newImageWithSize(const QSizeF &size, const MCAttributedString &text,
                                const std::optional<MCShadow> &shadow, const QPointF &point) const;
    // The same kind of canvas, its size rounded, with `image` stretched over `rect` over its
    // shadow (which a translucent image lets show through).
    CGImageRef newImageWithSize(const QSizeF &size, const CGImageRef &image, const QRectF &rect,
                                const std::optional<MCShadow> &shadow) const;

    // Watermarks drawn into the pixels, placed in the upright photo as displayed for the EXIF
    // `orientation`. Lengths are pixels of the full-size photo (mapped onto this bitmap by
    // scaleX()/scaleY()); `rotation` is in degrees, counter-clockwise; `opacity` 0..1 applies
    // to the watermark as one layer (text, outline and shadow together). The position mask
    // anchors the rotated box: 1 left, else 2 right, else centred; 8 bottom, else 4 top, else
    // centred; the offset moves it inward from an anchored edge, right or up on a centred
    // axis. Tiles repeat the watermark over the whole photo with the spacing between copies,
    // turned with it. False when no drawing context or canvas can be made, or when returning
    // the pixels to straight alpha fails; text without glyphs draws nothing and answers true.
    bool drawText(const MCAttributedString &text, double opacity, const std::optional<MCShadow> &shadow,
                  uint64_t textPositionMask, const QPointF &textOffset, double rotation, bool tiles,
                  const QPointF &tileOffset, bool boundsToGlyph, uint64_t orientation);
    bool drawImage(const CGImageRef &image, const QSizeF &size, double opacity, const std::optional<MCShadow> &shadow,
                   uint64_t imagePositionMask, const QPointF &imageOffset, double rotation, bool tiles,
                   const QPointF &tileOffset, uint64_t orientation);
    // A filled rectangle of outer size `size`; stroked inside that size when `strokeColor` is
    // given and `strokeThickness` is above 0; rounded corners of min(radius, half a side) in
    // each direction. Colours are sRGB.
    bool drawRectWithSize(const QSizeF &size, const QColor &fillColor, double opacity, uint64_t rectPositionMask,
                          const QPointF &rectOffset, double rotation, double roundedRadius,
                          const std::optional<QColor> &strokeColor, double strokeThickness, uint64_t orientation);

    // ---- end

private:
    MCBitmap() = default;
    void freeStores();
    void freeChannels();
    bool replaceBuffer(const vImage_Buffer &buffer); // frees the old memory unless it is the same
    // Interleaves rows [firstRow, firstRow + destination.height) of the channels into
    // `destination` (the working format's layout; four or three planes).
    vImage_Error mergeChannelRows(size_t firstRow, const vImage_Buffer &destination) const;
    // The format change of convertToBitmapInfo read straight from the channels, a few rows
    // at a time, so the interleaved working copy is never made; the channels are freed after.
    bool convertChannelsToFormat(const vImage_CGImageFormat &destination, const vImageConverterRef &converter);
    // The converter from the working format over the channels' rows into `target`.
    vImage_Error convertChannelRows(const vImageConverterRef &converter, const vImage_Buffer &target) const;

    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    bool m_reducedForRun = false;
    CGColorSpaceRef m_assignedColorSpace;
    CGColorSpaceRef m_originalColorSpace;
    vImage_Buffer m_imageBuffer;
    std::array<vImage_Buffer, 4> m_imageChannels;
    vImage_CGImageFormat m_imageFormat;
    uint64_t m_editMode = 0; // 0: the buffer holds the current pixels; 1: the channels do
};
