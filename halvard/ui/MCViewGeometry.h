#pragma once

// Pure geometry of the small drawing views: where an image goes in an image view, where the
// grid lines of a histogram lie and how a nine-part image is cut and placed. Rectangles are in
// widget coordinates (y pointing down).
#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>

// Image scaling of MCImageView.
enum class MCImageScaling : int {
    ProportionallyDown = 0,   // own size when it fits, else shrunk keeping the aspect
    AxesIndependently = 1,    // stretched to fill
    None = 2,                 // treated as filling, like every other value but 0 and 3
    ProportionallyUpOrDown = 3 // the largest rectangle of the image's aspect
};

// The rectangle an image is fitted into: the bounds, or with a shadow the bounds shrunk by 6 in
// both directions, 3 from the left and right, 1 from the top and 5 from the bottom, leaving
// room for a shadow that falls down and to both sides.
QRectF MCImageViewFitRect(const QRectF &bounds, bool drawsShadow);
// The image's rectangle inside `fit` for the scaling, its edges aligned to the nearest device
// pixel at `devicePixelRatio`. An empty image size answers `fit` (aligned).
QRectF MCImageViewImageRect(const QRectF &fit, const QSizeF &imageSize, MCImageScaling scaling,
                            qreal devicePixelRatio = 1.0);

// The grid of a histogram view of the given size: vertical lines at the returned x positions and
// horizontal lines at the returned y positions, each half a pixel off a whole number so a
// one-pixel line covers exactly one pixel row or column. Divisions are max(2, side / 32).
struct MCHistogramGrid {
    QList<qreal> verticalLines;
    QList<qreal> horizontalLines;
};
MCHistogramGrid MCHistogramGridForSize(const QSizeF &size);

// The nine source rectangles of an image of `size` cut by `insets` (left, top, right, bottom),
// row by row from the top-left corner. Empty parts have an empty rectangle.
QList<QRectF> MCNinePartSourceRects(const QSizeF &size, const QMarginsF &insets);
// Where the nine parts go in `target`: corners at their own size, edges stretched along their
// edge and the centre in both directions. When the target is smaller than the corners, the
// corners are shrunk in proportion so they never overlap.
QList<QRectF> MCNinePartTargetRects(const QRectF &target, const QMarginsF &insets);
