// Watermarks: text measured, fitted and rendered glyph by glyph into canvases, and text, image
// and rectangle watermarks placed in the upright photo and drawn into the bitmap.
#include "app/engine/bitmap/MCBitmap.h"

#include "platform/color/ColorSyncTransform.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <new>
#include <numbers>

namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

// Running extremes that keep their value when a candidate is NaN.
void lower(double &value, double candidate)
{
    if (candidate < value)
        value = candidate;
}

void raise(double &value, double candidate)
{
    if (candidate > value)
        value = candidate;
}

// Whether every number that places a watermark is finite: a NaN size or offset would draw
// nothing and still answer success.
bool allFinite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

bool shadowFinite(const std::optional<MCShadow> &shadow)
{
    return !shadow || allFinite({shadow->shadowOffset.width(), shadow->shadowOffset.height(), shadow->shadowBlurRadius});
}

// A canvas side from a wanted extent, 0 when none can be made (not positive, not a number or
// beyond what any image may be).
size_t canvasSide(double extent)
{
    if (!(extent > 0) || extent > double(CGImage::kMaximumSide))
        return 0;
    return size_t(extent);
}

CGContextRef newCanvasContext(size_t width, size_t height)
{
    if (width == 0 || height == 0)
        return nullptr;
    return CGContext::createBitmap(nullptr, width, height, 8, 4 * width, CGColorSpace::createDeviceRGB(),
                                   kCGImageAlphaPremultipliedLast);
}

// Discrete weights that move a row of samples by `shift` (any fraction) and blur it with a
// Gaussian of `sigma`: out[x] = Σ weights[t] · in[x − first − t].
struct ShiftKernel
{
    long first = 0;
    std::vector<float> weights;

    ShiftKernel(double shift, double sigma)
    {
        const double whole = std::floor(shift);
        const double fraction = shift - whole;
        const long radius = sigma < 0.5 ? 1 : long(std::ceil(3 * sigma)) + 1;
        first = long(whole) - radius;
        double sum = 0;
        std::vector<double> w;
        for (long t = -radius; t <= radius; ++t) {
            const double u = double(t) - fraction;
            // Below half a pixel of blur the move alone counts: linear between two samples.
            const double k = sigma < 0.5 ? std::max(0.0, 1.0 - std::fabs(u)) : std::exp(-u * u / (2 * sigma * sigma));
            w.push_back(k);
            sum += k;
        }
        for (double k : w)
            weights.push_back(float(sum > 0 ? k / sum : 0));
        first = long(whole) - radius;
    }

    // One line of `count` samples `stride` apart.
    void apply(const float *in, float *out, size_t count, size_t stride) const
    {
        const long n = long(count);
        for (long x = 0; x < n; ++x) {
            float sum = 0;
            for (size_t t = 0; t < weights.size(); ++t) {
                const long k = x - first - long(t);
                if (k >= 0 && k < n)
                    sum += weights[t] * in[size_t(k) * stride];
            }
            out[size_t(x) * stride] = sum;
        }
    }
};

// Casts a shadow of the layer in `context` (8-bit premultiplied RGBA, identity transform) on
// the layer's own alpha: the shadow goes under the layer, and with a mask (gray, white lets
// through) the result is kept only where the mask is white.
void castShadow(CGContext &context, const MCShadow &shadow, const CGImageRef &mask)
{
    const size_t w = context.width(), h = context.height();
    uint8_t *data = context.data();
    const size_t rowBytes = context.bytesPerRow();
    std::vector<float> coverage(w * h), moved(w * h);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
            coverage[y * w + x] = float(data[y * rowBytes + 4 * x + 3]) / 255.0f;
    // Offsets are y-up; rows count down.
    const double sigma = shadow.shadowBlurRadius / 2;
    const ShiftKernel across(shadow.shadowOffset.width(), sigma);
    const ShiftKernel down(-shadow.shadowOffset.height(), sigma);
    for (size_t y = 0; y < h; ++y)
        across.apply(&coverage[y * w], &moved[y * w], w, 1);
    for (size_t x = 0; x < w; ++x)
        down.apply(&moved[x], &coverage[x], h, w);

    const QColor colour = shadow.shadowColor.toRgb();
    const float rgb[3] = {float(colour.redF()), float(colour.greenF()), float(colour.blueF())};
    const float strength = float(colour.alphaF());
    for (size_t y = 0; y < h; ++y) {
        uint8_t *row = data + y * rowBytes;
        const uint8_t *maskRow = mask ? mask->row(y) : nullptr;
        for (size_t x = 0; x < w; ++x) {
            uint8_t *px = row + 4 * x;
            const float under = (1.0f - float(px[3]) / 255.0f) * std::clamp(coverage[y * w + x], 0.0f, 1.0f) * strength;
            const float keep = maskRow ? float(maskRow[x]) / 255.0f : 1.0f;
            for (int c = 0; c < 4; ++c) {
                const float shadowPart = (c < 3 ? rgb[c] : 1.0f) * under * 255.0f;
                px[c] = uint8_t(std::lround(std::clamp((float(px[c]) + shadowPart) * keep, 0.0f, 255.0f)));
            }
        }
    }
}

// The canvas grows so that the shadow fits while the watermark stays where it was placed.
void applyShadowMargins(const MCShadow &shadow, QPointF &position, QRectF &canvas)
{
    const double ox = shadow.shadowOffset.width(), oy = shadow.shadowOffset.height();
    const double b = shadow.shadowBlurRadius;
    position += QPointF((ox < 0 ? -ox : 0) + b, (oy < 0 ? -oy : 0) + b);
    canvas.translate((ox < 0 ? ox : 0) - b, (oy < 0 ? oy : 0) - b);
    canvas.setSize(canvas.size() + QSizeF(std::fabs(ox) + 2 * b, std::fabs(oy) + 2 * b));
}

// The upright photo in pixels of the full-size photo: the bitmap's pixel rectangle through the
// orientation transform, divided by the scales.
QRectF placementFrame(const CGContext &context, double scaleX, double scaleY)
{
    const QRectF r = context.getCTM().mapRect(QRectF(0, 0, double(context.width()), double(context.height())));
    return QRectF(r.x() / scaleX, r.y() / scaleY, r.width() / scaleX, r.height() / scaleY);
}

// The origin of a w × h box whose rotated bounding box is anchored in `frame` by the mask and
// moved inward by the offset.
QPointF placedOrigin(const QRectF &frame, const QSizeF &box, double degrees, uint64_t mask, const QPointF &offset)
{
    const double w = box.width(), h = box.height();
    const QRectF turned =
        QTransform().translate(w / 2, h / 2).rotate(degrees).translate(-w / 2, -h / 2).mapRect(QRectF(0, 0, w, h));
    double x, y;
    if (mask & 1)
        x = frame.left() + offset.x() - turned.x();
    else if (mask & 2)
        x = frame.left() + frame.width() - offset.x() + turned.x() - w;
    else
        x = frame.center().x() + offset.x() - w / 2;
    if (mask & 8)
        y = frame.top() + offset.y() - turned.y(); // top() is the smallest y: the bottom edge
    else if (mask & 4)
        y = frame.top() + frame.height() - offset.y() + turned.y() - h;
    else
        y = frame.center().y() + offset.y() - h / 2;
    return QPointF(x, y);
}

// Scales into full-size pixels and turns about the centre of `drawn`, whose origin becomes
// the local origin.
void setDrawingTransform(CGContext &context, double scaleX, double scaleY, const QRectF &drawn, double degrees)
{
    context.scaleCTM(scaleX, scaleY);
    context.translateCTM(drawn.center().x(), drawn.center().y());
    context.rotateCTM(degrees * std::numbers::pi / 180);
    context.translateCTM(-drawn.width() / 2, -drawn.height() / 2);
}

// An sRGB colour in the context's own space, as the painter takes it.
QColor colorForContext(const QColor &color, const CGContext &context)
{
    const QColor rgb = color.toRgb();
    const CGColorSpaceRef sRGB = CGColorSpace::createDeviceRGB();
    if (CGColorSpaceEqualToColorSpace(sRGB, context.colorSpace()))
        return rgb;
    const float in[3] = {float(rgb.redF()), float(rgb.greenF()), float(rgb.blueF())};
    float out[3] = {in[0], in[1], in[2]};
    const ColorSyncTransformRef transform =
        ColorSyncTransform::create(sRGB, context.colorSpace(), kCGRenderingIntentRelativeColorimetric, false);
    if (transform)
        transform->convert(1, 1, out, kColorSync32BitFloat, kCGImageAlphaNone, sizeof(out), in, kColorSync32BitFloat,
                           kCGImageAlphaNone, sizeof(in));
    return QColor::fromRgbF(std::clamp(out[0], 0.0f, 1.0f), std::clamp(out[1], 0.0f, 1.0f),
                            std::clamp(out[2], 0.0f, 1.0f), rgb.alphaF());
}

MCTextAttributes solidColorOverrides(const QColor &color)
{
    MCTextAttributes overrides;
    overrides.foregroundColor = color;
    overrides.strokeColor = color;
    return overrides;
}

} // namespace

// ---------------------------------------------------------------- text

QRectF MCBitmap::boundsOfText(const MCAttributedString &text, bool boundsToGlyph) const
{
    const MCTextFrame frame(text);
    const std::vector<MCTextLine> &lines = frame.lines();
    // The top comes from the first line with glyphs and the bottom from the last one, so a
    // text that starts or ends with an empty line still has a box (of its inked lines).
    qsizetype firstInked = -1, lastInked = -1;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i)
        if (lines[size_t(i)].hasGlyphs()) {
            if (firstInked < 0)
                firstInked = i;
            lastInked = i;
        }
    double minX = kLargest, minY = kLargest, maxX = -kLargest, maxY = -kLargest;
    for (qsizetype i = firstInked; i >= 0 && i <= lastInked; ++i) {
        const MCTextLine &line = lines[size_t(i)];
        if (!line.hasGlyphs())
            continue;
        const QPointF origin = frame.lineOrigins()[size_t(i)];
        auto fold = [&](const QRectF &bounds) {
            if (bounds.isEmpty())
                return;
            const QRectF r = bounds.translated(origin);
            lower(minX, r.x());
            raise(maxX, r.x() + r.width());
            if (i == firstInked)
                raise(maxY, r.y() + r.height());
            if (i == lastInked)
                lower(minY, r.y());
        };
        fold(line.glyphPathBounds);
        if (!boundsToGlyph)
            fold(line.opticalBounds);
    }
    if (!(minX <= maxX) || !(minY <= maxY))
        return QRectF();
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

double MCBitmap::fontSizeWithString(const QString &string, const MCTextAttributes &attributes, const QSizeF &size,
                                    bool boundsToGlyph, double outlineWidth) const
{
    QFont font = attributes.font.value_or(QFont());
    if (!attributes.font)
        font.setPointSizeF(12);
    // A font given by pixel size has no point size; here the two are the same number.
    const double pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : double(font.pixelSize());
    const double target = size.height();
    auto measure = [&](const MCTextAttributes &a) {
        MCAttributedString text;
        text.append(string, a);
        return boundsOfText(text, boundsToGlyph).height();
    };
    const double measured = measure(attributes);
    // Nothing to scale from: no ink, or a height that cannot be compared.
    if (!(measured > 0) || !std::isfinite(target) || !(target >= 0))
        return pointSize;
    double current = std::trunc(pointSize * target / measured);
    if (!std::isfinite(current))
        return pointSize;
    // A size below a point cannot make a font; the smallest that can is answered instead.
    if (current < 1)
        return 1;
    MCTextAttributes working = attributes;
    for (;;) {
        if (outlineWidth > 0)
            working.strokeWidth = pointSize * outlineWidth / 100;
        font.setPointSizeF(current);
        working.font = font;
        if (current <= 8)
            break;
        if (measure(working) <= target)
            break;
        current -= 1;
    }
    return current;
}

void MCBitmap::drawText(const MCAttributedString &text, const MCTextAttributes *attributes,
                        MCTextContext &context) const
{
    const MCTextFrame frame(text);
    drawLines(frame.lines(), frame.lineOrigins(), attributes, context);
}

void MCBitmap::drawLines(const std::vector<MCTextLine> &lines, const std::vector<QPointF> &origins,
                         const MCTextAttributes *attributes, MCTextContext &context) const
{
    const QPointF start = context.textPosition;
    const size_t count = std::min(lines.size(), origins.size());
    for (size_t i = 0; i < count; ++i) {
        context.textPosition = start + origins[i];
        drawLine(lines[i], attributes, context);
    }
    context.textPosition = start;
}

void MCBitmap::drawLine(const MCTextLine &line, const MCTextAttributes *attributes, MCTextContext &context) const
{
    for (const MCTextRun &run : line.runs) {
        MCTextAttributes merged = run.attributes;
        if (attributes)
            merged.addEntriesFrom(*attributes);
        drawRun(run, merged, context);
    }
}

void MCBitmap::drawRun(const MCTextRun &run, const MCTextAttributes &attributes, MCTextContext &context) const
{
    if (run.isEmpty() || !context.painter)
        return;
    // The glyphs belong to the font the run was laid out in, which is the attributes' font
    // or the fallback that holds the characters.
    if (attributes.foregroundColor)
        context.fillColor = *attributes.foregroundColor;
    if (attributes.strokeColor)
        context.strokeColor = *attributes.strokeColor;
    context.fillThenStroke = attributes.strokeWidth.has_value();
    if (attributes.strokeWidth)
        context.lineWidth = *attributes.strokeWidth;
    for (qsizetype i = 0; i < run.glyphs.size(); ++i)
        context.drawGlyph(run, i);
}

CGImageRef MCBitmap::newImageMaskWithSize(const QSizeF &size, const MCAttributedString &text, const QPointF &point) const
{
    const size_t width = canvasSide(std::ceil(size.width())), height = canvasSide(std::ceil(size.height()));
    const CGColorSpaceRef gray = CGColorSpace::createDeviceGray();
    if (width == 0 || height == 0 || !gray)
        return nullptr;
    QImage image(int(width), int(height), QImage::Format_Grayscale8);
    if (image.isNull())
        return nullptr;
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        MCTextContext::setUpPainter(painter, int(height));
        MCTextContext context{&painter, point};
        const MCTextAttributes black = solidColorOverrides(Qt::black);
        drawText(text, &black, context);
    }
    const QByteArray pixels(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
    return CGImage::create(width, height, 8, 8, size_t(image.bytesPerLine()), gray, kCGImageAlphaNone, pixels);
}

CGImageRef MCBitmap::newImageWithSize(const QSizeF &size, const MCAttributedString &text,
                                      const std::optional<MCShadow> &shadow, const QPointF &point) const
{
    const CGContextRef canvas =
        newCanvasContext(canvasSide(std::ceil(size.width())), canvasSide(std::ceil(size.height())));
    if (!canvas)
        return nullptr;
    if (shadow && shadow->shadowColor.alphaF() > 0) {
        // The shadow of a solid copy of the text, kept off the letters so that a translucent
        // text does not show its own shadow through itself.
        if (const CGImageRef mask = newImageMaskWithSize(size, text, point)) {
            QColor solid = shadow->shadowColor;
            solid.setAlphaF(1);
            const MCTextAttributes overrides = solidColorOverrides(solid);
            canvas->paint([&](QPainter &painter) {
                MCTextContext context{&painter, point};
                drawText(text, &overrides, context);
            });
            castShadow(*canvas, *shadow, mask);
        }
    }
    const bool painted = canvas->paint([&](QPainter &painter) {
        MCTextContext context{&painter, point};
        drawText(text, nullptr, context);
    });
    return painted ? canvas->createImage() : nullptr;
}

CGImageRef MCBitmap::newImageWithSize(const QSizeF &size, const CGImageRef &image, const QRectF &rect,
                                      const std::optional<MCShadow> &shadow) const
{
    if (!image)
        return nullptr;
    const CGContextRef canvas =
        newCanvasContext(canvasSide(std::round(size.width())), canvasSide(std::round(size.height())));
    if (!canvas)
        return nullptr;
    if (!canvas->drawImage(rect, image))
        return nullptr;
    if (shadow && shadow->shadowColor.alphaF() > 0)
        castShadow(*canvas, *shadow, nullptr);
    return canvas->createImage();
}

// ---------------------------------------------------------------- placement and drawing

bool MCBitmap::drawText(const MCAttributedString &text, double opacity, const std::optional<MCShadow> &shadow,
                        uint64_t textPositionMask, const QPointF &textOffset, double rotation, bool tiles,
                        const QPointF &tileOffset, bool boundsToGlyph, uint64_t orientation)
{
    if (!allFinite({opacity, textOffset.x(), textOffset.y(), rotation, tileOffset.x(), tileOffset.y()}) ||
        !shadowFinite(shadow))
        return false;
    const CGContextRef context = beginContext(orientation);
    if (!context)
        return false;
    const QRectF bounds = boundsOfText(text, boundsToGlyph);
    if (bounds.isEmpty())
        return endContext(context); // no ink: nothing to draw
    QPointF position(-bounds.x(), -bounds.y());
    QRectF canvas(0, 0, bounds.width(), bounds.height());
    // The outline reaches half its width outside the glyphs.
    const std::optional<double> stroke = text.attributesAtIndex(0).strokeWidth;
    if (stroke && *stroke > 0) {
        position += QPointF(*stroke / 2, *stroke / 2);
        canvas.setSize(canvas.size() + QSizeF(*stroke, *stroke));
    }
    canvas.moveTopLeft(placedOrigin(placementFrame(*context, scaleX(), scaleY()), canvas.size(), rotation,
                                    textPositionMask, textOffset));
    if (shadow)
        applyShadowMargins(*shadow, position, canvas);
    if (tiles) {
        // Each tile holds the text centred in its spacing.
        position += tileOffset / 2;
        canvas.translate(-tileOffset / 2);
        canvas.setSize(canvas.size() + QSizeF(tileOffset.x(), tileOffset.y()));
    }
    // Whole pixels outward; the text keeps its place inside.
    const double left = std::floor(canvas.x()), bottom = std::floor(canvas.y());
    const QRectF snapped(left, bottom, std::ceil(canvas.x() + canvas.width()) - left,
                         std::ceil(canvas.y() + canvas.height()) - bottom);
    position += canvas.topLeft() - snapped.topLeft();

    setDrawingTransform(*context, scaleX(), scaleY(), snapped, rotation);
    CGImageRef image;
    try {
        image = newImageWithSize(snapped.size(), text, shadow, position);
    } catch (const std::bad_alloc &) {
        image = nullptr; // a canvas (a large text, wide tile spacing) beyond the memory we have
    }
    bool drawn = false;
    if (image) {
        context->setAlpha(opacity);
        const QRectF rect(0, 0, snapped.width(), snapped.height());
        drawn = tiles ? context->drawTiledImage(rect, image) : context->drawImage(rect, image);
    }
    const bool ended = endContext(context);
    return drawn && ended;
}

bool MCBitmap::drawImage(const CGImageRef &image, const QSizeF &size, double opacity,
                         const std::optional<MCShadow> &shadow, uint64_t imagePositionMask, const QPointF &imageOffset,
                         double rotation, bool tiles, const QPointF &tileOffset, uint64_t orientation)
{
    if (!allFinite({size.width(), size.height(), opacity, imageOffset.x(), imageOffset.y(), rotation, tileOffset.x(),
                    tileOffset.y()}) ||
        !shadowFinite(shadow))
        return false;
    const CGContextRef context = beginContext(orientation);
    if (!context)
        return false;
    const QPointF origin =
        placedOrigin(placementFrame(*context, scaleX(), scaleY()), size, rotation, imagePositionMask, imageOffset);
    setDrawingTransform(*context, scaleX(), scaleY(), QRectF(origin, size), rotation);
    // The spacing lies on the right and top of each tile; without tiles it stays transparent.
    QRectF tile(0, 0, size.width() + tileOffset.x(), size.height() + tileOffset.y());
    QPointF imageOrigin(0, 0);
    if (shadow)
        applyShadowMargins(*shadow, imageOrigin, tile);
    CGImageRef canvas;
    try {
        canvas = newImageWithSize(tile.size(), image, QRectF(imageOrigin, size), shadow);
    } catch (const std::bad_alloc &) {
        canvas = nullptr; // a canvas beyond the memory we have
    }
    bool drawn = false;
    if (canvas) {
        context->setAlpha(opacity);
        drawn = tiles ? context->drawTiledImage(tile, canvas) : context->drawImage(tile, canvas);
    }
    const bool ended = endContext(context);
    return drawn && ended;
}

bool MCBitmap::drawRectWithSize(const QSizeF &size, const QColor &fillColor, double opacity,
                                uint64_t rectPositionMask, const QPointF &rectOffset, double rotation,
                                double roundedRadius, const std::optional<QColor> &strokeColor,
                                double strokeThickness, uint64_t orientation)
{
    if (!allFinite({size.width(), size.height(), opacity, rectOffset.x(), rectOffset.y(), rotation, roundedRadius,
                    strokeThickness}))
        return false;
    const CGContextRef context = beginContext(orientation);
    if (!context)
        return false;
    const bool stroked = strokeColor.has_value() && strokeThickness > 0;
    const double t = stroked ? strokeThickness : 0;
    // The stroke is centred on the path: the path is inset so that the outer size stays.
    const QSizeF box(size.width() - t, size.height() - t);
    const QRectF frame = placementFrame(*context, scaleX(), scaleY()).adjusted(t / 2, t / 2, -t / 2, -t / 2);
    const QRectF drawn(placedOrigin(frame, box, rotation, rectPositionMask, rectOffset), box);
    setDrawingTransform(*context, scaleX(), scaleY(), drawn, rotation);

    bool painted = true;
    if (drawn.width() > 0 && drawn.height() > 0) {
        QPainterPath path;
        const QRectF local(0, 0, drawn.width(), drawn.height());
        if (roundedRadius > 0)
            path.addRoundedRect(local, std::min(roundedRadius, local.width() / 2),
                                std::min(roundedRadius, local.height() / 2), Qt::AbsoluteSize);
        else
            path.addRect(local);
        const QColor fill = colorForContext(fillColor, *context);
        const QColor line = stroked ? colorForContext(*strokeColor, *context) : QColor();
        context->setAlpha(opacity);
        painted = context->paint([&](QPainter &painter) {
            painter.fillPath(path, fill);
            if (stroked) {
                QPen pen(line, t, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
                pen.setMiterLimit(10);
                painter.strokePath(path, pen);
            }
        });
    }
    const bool ended = endContext(context);
    return painted && ended;
}
