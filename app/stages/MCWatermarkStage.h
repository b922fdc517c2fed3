#pragma once

// What the text, image and rectangle watermark stages share: offsets and gaps in percent or
// pixels, the drop shadow from an angle and a distance, the orientation entry, and the limit
// on the canvas into which a watermark is rendered before it is drawn.
#include "app/engine/pipeline/MCConvertStage.h"
#include "platform/core/MCError.h"
#include "platform/graphics/MCShadow.h"

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <QVariantMap>

#include <optional>

class MCBitmap;
class MCFile;

namespace MCWatermarkStage {

// Parameter declarations of the watermark stages: a number with the panel's limits (and what
// an emptied field becomes, the minimum unless given); a flag; one of the panel's folded
// groups, which is stored and copied but neither compared, observed nor undone, and resizes
// the panel.
MCStageParameter number(const QString &name, MCStageParameterType type, const QVariant &value, double minimum,
                        double maximum, std::optional<double> nilValue = std::nullopt);
MCStageParameter flag(const QString &name, bool value);
MCStageParameter foldedGroup(const QString &name, bool value);

// The full-size photo's pixel size in the bitmap's own axes: its size over its scale,
// truncated toward zero.
QSizeF truncatedFullSize(const MCBitmap &bitmap);

// An offset or gap: `percent` of `side` when `inPercent`, else `pixels`. Not rounded.
inline double length(bool inPercent, double percent, double pixels, double side)
{
    return inPercent ? percent * side / 100.0 : pixels;
}

// A shadow of `color` whose blur and offset are percentages of `base` (the font size or the
// picture's height), cast towards `angle` degrees counter-clockwise from the right (y up).
MCShadow shadow(const QColor &color, double blurPercent, double distancePercent, double angle, double base);

// The EXIF orientation entry of the property dictionary; 0 when absent.
quint64 orientation(const QVariantMap &metadata);

// The size of the canvas a watermark of `element` pixels is rendered into: grown by twice the
// shadow's blur plus its offset and by the gap between tiles.
QSizeF canvasSize(const QSizeF &element, const std::optional<MCShadow> &shadow, const QPointF &gap);
// Whether such a canvas can be made: finite, every side and the pixel count within what any
// image may be.
bool canvasFits(const QSizeF &size);
// Fills `error` with the stage failure on `file` whose reason is that the watermark's canvas
// of `size` pixels is larger than any picture may be; answers false.
bool failWithOversizedCanvas(const MCConvertStage &stage, const MCFile *file, const QSizeF &size, MCError *error);

} // namespace MCWatermarkStage
