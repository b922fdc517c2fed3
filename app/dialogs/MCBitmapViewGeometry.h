#pragma once

// Pure geometry of the bitmap views and of the before-and-after preview: where a bitmap is
// drawn, how zoom steps and the pan position move it, and how large (and how turned) the
// preview's scaled bitmap is made. The widgets only call these.
//
// Rectangles of the views are in the view's drawing space with y pointing up: the origin is
// the lower-left corner of the bounds, so a positive y offset moves a picture up.
// MCBitmapViewWidgetRect() turns such a rectangle into widget coordinates (y down) at the edge.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QVariantMap>

#include <optional>

// ---------------------------------------------------------------- bitmap view

// The size in points of a bitmap of `pixelSize` pixels on a screen of `deviceRatio` device
// pixels per point (pixels / ratio; a ratio that is not above 0 counts as 1). A bitmap made at
// the screen's density is thus never enlarged past its own pixels.
QSizeF MCBitmapViewPointSize(const QSizeF &pixelSize, double deviceRatio);

// Where a bitmap of `pixelSize` is drawn in bounds of `bounds` (origin 0, 0):
// - no bitmap (an empty size): the bounds;
// - a bitmap larger than the bounds in either direction (in points): fitted keeping its aspect
//   a = w / h; when a × H ≤ W the height is H and the width trunc(a × H), moved right by
//   trunc((W − a × H) / 2); otherwise the width is W and the height trunc(W / a), moved up by
//   trunc((H − W / a) / 2);
// - otherwise at its own size, not enlarged, moved by trunc((W − w) / 2) and trunc((H − h) / 2).
QRectF MCBitmapViewFittedRect(const QSizeF &bounds, const QSizeF &pixelSize, double deviceRatio = 1.0);

// The drawing-space rectangle `rect` in widget coordinates of a view `boundsHeight` high.
QRectF MCBitmapViewWidgetRect(const QRectF &rect, double boundsHeight);
// A widget point (y down) in the drawing space of a view `boundsHeight` high.
QPointF MCBitmapViewDrawingPoint(const QPointF &widgetPoint, double boundsHeight);

// ---------------------------------------------------------------- zoom and pan

constexpr double kMCPreviewBitmapViewMinZoom = 1.0;
constexpr double kMCPreviewBitmapViewMaxZoom = 4.0;

// The pan position with each coordinate clamped to −0.5 … 0.5 (NaN counts as 0): −0.5 shows
// the left (bottom) edge of an enlarged picture, 0 its centre, 0.5 its right (top) edge.
QPointF MCPreviewBitmapViewClampedLocation(const QPointF &location);

// The fitted rectangle `fitted` enlarged by `zoom` (each side trunc(zoom × side)), centred in
// the bounds (x = trunc(W / 2 − width / 2), y likewise), then, along each axis where it is
// larger than the bounds by an excess e > 0, moved by trunc(position − location × e).
QRectF MCPreviewBitmapViewZoomedRect(const QSizeF &bounds, const QRectF &fitted, double zoom,
                                     const QPointF &location);

// How much wider and taller `rect` is than the bounds (negative or 0 where it is not).
QSizeF MCPreviewBitmapViewExcess(const QSizeF &bounds, const QRectF &rect);

// One zoom step: × √2 for a positive direction, / √2 for a negative one, clamped to
// [kMCPreviewBitmapViewMinZoom, kMCPreviewBitmapViewMaxZoom]; direction 0 keeps the zoom.
double MCPreviewBitmapViewSteppedZoom(double zoom, int direction);

// The pan position that brings the part of the picture under `point` toward view when zooming:
// ((p.x − r.x) / r.width − 0.5, (p.y − r.y) / r.height − 0.5) for a point inside `imageRect`
// (its minimum edges included, its maximum ones not); none outside it.
std::optional<QPointF> MCPreviewBitmapViewLocationForPoint(const QRectF &imageRect, const QPointF &point);

// The pan position after the pointer moved by `delta` (drawing space) over a picture that is
// `excess` larger than the bounds: each coordinate less delta / excess where the excess is
// above 0, then clamped. The picture follows the pointer one to one.
QPointF MCPreviewBitmapViewPannedLocation(const QPointF &location, const QPointF &delta, const QSizeF &excess);

// ---------------------------------------------------------------- the preview's scaled bitmap

// How the original is turned into the scaled bitmap: with turning upright on, the EXIF
// orientation of the original's properties ("Orientation"; values outside 1 to 8 count as 1)
// with its flips and angle (radians, counter-clockwise); otherwise orientation 1, unturned.
struct MCPreviewOrientation
{
    quint64 orientation = 1;
    bool flipsHorizontally = false;
    bool flipsVertically = false;
    double angle = 0.0;

    bool operator==(const MCPreviewOrientation &) const = default;
};
MCPreviewOrientation MCPreviewOrientationForMetadata(const QVariantMap &metadata, bool turnsUpright);

// Whether switching turning upright on or off changes the scaled bitmap of a photo with these
// properties: only for a stored orientation of 2 to 8.
bool MCPreviewAutorotateChangesScaledBitmap(const QVariantMap &metadata);

// The size in device pixels the scaled bitmap is fitted into: the view's size in points times
// the screen's `deviceRatio`, divided by k when the pipeline enlarges the photo by k > 1
// (k = the smaller of predicted.width / rotated.width and predicted.height / rotated.height, the
// second alone where the first is not a number), so the converted result fits the view again.
// `rotated` is the original's size as turned, `predicted` the converter's output size for it.
// None while the view is not laid out: either side of the view's pixel size below 1.
std::optional<QSizeF> MCPreviewFitSize(const QSizeF &viewSize, double deviceRatio, const QSizeF &rotated,
                                       const QSizeF &predicted);

// The properties of the scaled bitmap: the original's, with "Orientation" 1 when the pixels
// were turned upright (`turnedUpright`, the setting). Left unturned, the stored orientation
// stays, as in a conversion run, so the watermark stages place their marks as they will be in
// the written file.
QVariantMap MCPreviewScaledMetadata(const QVariantMap &original, bool turnedUpright);

// The properties handed to the preview run: the scaled ones with "QuillonDictionary" (a new
// dictionary when missing or not a dictionary) holding "Filename" = `filename` (empty for
// none). The stages that draw the output's file name read it there.
QVariantMap MCPreviewMetadataForConversion(const QVariantMap &scaled, const QString &filename);
