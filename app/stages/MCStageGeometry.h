#pragma once

// Conventions the geometry stages share: margins as edge insets (top, left, bottom, right, in
// pixels of the bitmap), how an excess splits between two sides, the anchor mask, and how
// insets worked out on the photo as displayed become insets of the stored bitmap.
#include <QSizeF>
#include <QVariantMap>

#include <utility>

class MCBitmap;

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

} // namespace MCStageGeometry
