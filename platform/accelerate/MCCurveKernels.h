#pragma once

// Tone curves: the natural cubic spline through a curve's control points, sampled once per
// level, and the kernel that maps a bitmap's planar channels through four curves (master,
// red, green, blue).
//
// Control points live in a 256 × 256 grid (0..255 on both axes). Before sampling they are
// sanitised, so that any input gives a well-formed curve: sorted by x, clamped to the grid, a
// point closer than 1 in x to the one kept before it dropped (a zero-length segment would
// divide by zero), and at least two kept when at least two were given.
#include "platform/accelerate/MCPixelKernel.h"

#include <QList>
#include <QPointF>
#include <QRectF>

#include <array>
#include <optional>

namespace platform::pixel {

QList<QPointF> sanitizedControlPoints(const QList<QPointF> &controlPoints);

// One point per level of the spline through the (sanitised) control points, mapped from the
// grid into `rect` (x' = x × width / 255 + x0, likewise y): a flat part before the first point
// and after the last, cubic segments between, evaluated at whole steps from each point. For
// integer control points there are exactly 256 points, the i-th at x = i. Empty for fewer
// than two points.
QList<QPointF> splinePoints(const QRectF &rect, const QList<QPointF> &controlPoints);

// The same spline's value at `x` (grid units), evaluated exactly with the real widths of the
// segments: the first point's y up to its x, the last one's from its x on. Nothing for x
// outside 0..255 (or not a number) and for fewer than two points.
std::optional<double> splineValueAtX(const QList<QPointF> &controlPoints, double x);

// The value of a curve at levels 0..255 (grid units), read from its sampled points by x
// (interpolated between samples, held beyond the ends). A curve of fewer than two points is
// the identity.
std::array<double, 256> curveLevels(const QList<QPointF> &controlPoints);

// Maps the first `count` planes through the curves. One plane (gray): the master curve.
// Three planes: each colour curve plus the master's offset from the identity, clamped.
// `curves` holds master, red, green, blue; any other number is −21773.
vImage_Error applyToneCurves(vImage_Buffer *planes, unsigned count, SampleType type, const QList<QList<QPointF>> &curves);

} // namespace platform::pixel
