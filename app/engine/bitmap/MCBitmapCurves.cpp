// Tone curves of the bitmap: the spline that samples a curve and the operation that maps the
// colour channels through the master, red, green and blue curves. Alpha is never changed.
#include "app/engine/bitmap/MCBitmap.h"

#include "app/engine/bitmap/MCBitmapAdjustments.h"
#include "platform/accelerate/MCCurveKernels.h"

using platform::pixel::SampleType;

QList<QPointF> MCBitmap::splinePointsInRect(const QRectF &rect, const QList<QPointF> &controlPoints)
{
    return platform::pixel::splinePoints(rect, controlPoints);
}

bool MCBitmap::histogram(const QList<QList<QPointF>> &curves, MCError *)
{
    if (curves.size() != 4)
        return false;
    return runKernels(mcbitmap::bothDepths([&](vImage_Buffer *channels, unsigned count, SampleType type) {
        return platform::pixel::applyToneCurves(channels, count, type, curves);
    }));
}
