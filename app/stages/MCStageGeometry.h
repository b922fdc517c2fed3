#pragma once

// Conventions the geometry stages share: margins as edge insets (top, left, bottom, right, in
// pixels of the bitmap), how an excess splits between two sides, the anchor mask, and how
// insets worked out on the photo as displayed become insets of the stored bitmap.
#include <QColor>
#include <QSizeF>
#include <QVariantMap>

#include <functional>
#include <optional>
#include <utility>

class MCBitmap;
class MCError;

struct MCEdgeInsets
{
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    bool operator==(const MCEdgeInsets &) const = default;
};

// Bits of the anchor mask; left wins over right and top over bottom; 0 centres.
enum MCStageAnchor : quint64 {
    MCStageAnchorLeft = 1,
    MCStageAnchorRight = 2,
    MCStageAnchorTop = 4,
    MCStageAnchorBottom = 8,
};

namespace MCStageGeometry {

// The size as displayed: sides exchanged for orientations 5 to 8.
QSizeF displaySize(const QSizeF &storedSize, quint64 orientation);
// An excess on one axis: total = ceil(excess), the first (top or left) part trunc(total / 2),
// the second (bottom or right) the rest, so an odd total puts the extra pixel second.
std::pair<double, double> splitExcess(double excess);
// Moves the whole margin of an anchored axis to the side away from the anchor.
MCEdgeInsets anchoredInsets(const MCEdgeInsets &insets, quint64 anchor);
// Insets of the displayed photo turned into insets of the stored bitmap by the EXIF
// orientation; values above 8 (and 0) leave them as they are.
MCEdgeInsets storedInsets(const MCEdgeInsets &displayed, quint64 orientation);
// After a stage changed the bitmap's size: the EXIF pixel dimensions (when there is an EXIF
// dictionary) and the top-level pixel width and height, as unsigned integers.
void writePixelSize(QVariantMap &metadata, const MCBitmap &bitmap);

// The EXIF orientation of the property dictionary as an unsigned number; 0 when it is missing
// or not a number.
quint64 orientationOfMetadata(const QVariantMap &metadata);
// Margins a user gives on the displayed photo (left, right, top, bottom) placed on the sides of
// the stored bitmap of `storedSize` by the orientation (0 counts as 1, values above 8 give no
// margins); percentages are then taken of the stored width (left, right) and height (top,
// bottom).
MCEdgeInsets placedSideInsets(double left, double right, double top, double bottom, quint64 orientation,
                              bool inPercent, const QSizeF &storedSize);
// The full-size photo's pixel size that a bitmap stands for: its sides divided by its scale
// factors, rounded (halves away from zero).
QSizeF fullSizeOfBitmap(const MCBitmap &bitmap);
// Insets in full-size pixels turned into pixels of a bitmap read at reduced size: left and
// right times scaleX, top and bottom times scaleY (a scale of exactly 1 leaves them).
MCEdgeInsets insetsForBitmapScale(const MCEdgeInsets &insets, double scaleX, double scaleY);
// Whether any inset reaches a whole pixel (NaN never does).
bool hasWholePixelInset(const MCEdgeInsets &insets);
// The insets a side stage applies to `bitmap`: `insetsFor` gives them in full-size pixels of
// the stored photo for its orientation (from `metadata`) and full size; they come back in the
// bitmap's own pixels, or nothing when no inset reaches a whole pixel.
std::optional<MCEdgeInsets> bitmapInsets(const MCBitmap &bitmap, const QVariantMap &metadata,
                                         const std::function<MCEdgeInsets(quint64, const QSizeF &)> &insetsFor);

// The bitmap's geometry operations as the stages call them, with insets in the stages' order.
// Each answers the operation's result and never fills `error` itself.
bool scaleBitmap(MCBitmap &bitmap, const QSizeF &size, MCError *error);
bool trimBitmap(MCBitmap &bitmap, const MCEdgeInsets &insets, MCError *error);
bool addBorderToBitmap(MCBitmap &bitmap, bool outer, const MCEdgeInsets &insets, const QColor &color, MCError *error);
bool flipBitmap(MCBitmap &bitmap, bool horizontally, bool vertically, MCError *error);
bool rotateBitmap(MCBitmap &bitmap, quint64 quarterTurns, MCError *error);
bool trimTransparentPixelsOfBitmap(MCBitmap &bitmap, float tolerance, bool left, bool right, bool top, bool bottom,
                                   MCError *error);
// `corner` 0 takes the colour of the top-left pixel, any other value that of the bottom-right.
bool trimColorOfBitmap(MCBitmap &bitmap, int corner, float tolerance, bool left, bool right, bool top, bool bottom,
                       MCError *error);

} // namespace MCStageGeometry
