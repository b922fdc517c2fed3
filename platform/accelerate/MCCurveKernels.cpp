#include "platform/accelerate/MCCurveKernels.h"

#include "platform/accelerate/vImageTable.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::pixel {

QList<QPointF> sanitizedControlPoints(const QList<QPointF> &controlPoints)
{
    QList<QPointF> points;
    for (const QPointF &p : controlPoints) {
        if (std::isnan(p.x()) || std::isnan(p.y()))
            continue;
        points.append(QPointF(std::clamp(p.x(), 0.0, 255.0), std::clamp(p.y(), 0.0, 255.0)));
    }
    std::stable_sort(points.begin(), points.end(), [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
    QList<QPointF> kept;
    for (const QPointF &p : points) {
        if (kept.isEmpty() || p.x() - kept.last().x() >= 1.0)
            kept.append(p);
    }
    if (kept.size() == 1 && points.size() >= 2) {
        // All points within one level: keep the last one's value a level beside the first.
        const QPointF first = kept.first(), last = points.last();
        if (first.x() <= 254.0)
            kept.append(QPointF(first.x() + 1.0, last.y()));
        else
            kept.prepend(QPointF(first.x() - 1.0, first.y()));
    }
    return kept;
}

namespace {

// The control points as coordinate arrays, with the second derivatives of the natural spline
// through them (zero at both ends): a tridiagonal system over the inner points, solved by
// forward elimination and back substitution.
struct Spline
{
    std::vector<double> X, Y, h, M;

    explicit Spline(const QList<QPointF> &p)
    {
        const size_t n = size_t(p.size());
        X.resize(n);
        Y.resize(n);
        h.assign(n, 0.0);
        M.assign(n, 0.0);
        std::vector<double> d(n, 0.0);
        for (size_t i = 0; i < n; ++i) {
            X[i] = p[qsizetype(i)].x();
            Y[i] = p[qsizetype(i)].y();
        }
        for (size_t i = 1; i < n; ++i) {
            h[i] = X[i] - X[i - 1];
            d[i] = Y[i] - Y[i - 1];
        }
        if (n <= 2)
            return;
        std::vector<double> sub(n), diag(n), super(n), rhs(n);
        for (size_t i = 1; i + 1 < n; ++i) {
            sub[i] = h[i] / 6.0;
            diag[i] = (h[i] + h[i + 1]) / 3.0;
            super[i] = h[i + 1] / 6.0;
            rhs[i] = d[i + 1] / h[i + 1] - d[i] / h[i];
        }
        for (size_t i = 2; i + 1 < n; ++i) {
            const double q = sub[i] / diag[i - 1];
            diag[i] -= q * super[i - 1];
            rhs[i] -= q * rhs[i - 1];
        }
        M[n - 2] = rhs[n - 2] / diag[n - 2];
        for (size_t i = n - 2; i-- > 1;)
            M[i] = (rhs[i] - super[i] * M[i + 1]) / diag[i];
    }

    size_t size() const { return X.size(); }

    // The cubic of segment k (from point k − 1 to point k) at `j` past its start, with `width`
    // the segment's width: the sampler passes its whole-number width, the exact value the real
    // one.
    double value(size_t k, double j, double width) const
    {
        const double a = width - j;
        return ((Y[k - 1] - (width + a) * j * M[k - 1] / 6.0) * a + (Y[k] - (width + j) * a * M[k] / 6.0) * j) /
               width;
    }
};

} // namespace

QList<QPointF> splinePoints(const QRectF &rect, const QList<QPointF> &controlPoints)
{
    QList<QPointF> out;
    const Spline s(sanitizedControlPoints(controlPoints));
    const size_t n = s.size();
    if (n < 2)
        return out;
    const double x0 = rect.x(), y0 = rect.y();
    const double sx = ((x0 + rect.width()) - x0) / 255.0, sy = ((y0 + rect.height()) - y0) / 255.0;
    const auto addPoint = [&](double px, double py) { out.append(QPointF(px * sx + x0, py * sy + y0)); };

    for (double t = 0; t < s.X[0]; t += 1.0)
        addPoint(t, s.Y[0]);
    for (size_t k = 1; k < n; ++k) {
        const unsigned N = unsigned(s.h[k]); // at least 1 after sanitising
        for (unsigned j = k == 1 ? 0 : 1; j <= N; ++j)
            addPoint(std::clamp(s.X[k - 1] + j, 0.0, 255.0), std::clamp(s.value(k, j, N), 0.0, 255.0));
    }
    for (double t = s.X[n - 1] + 1.0; t <= 255.0; t += 1.0)
        addPoint(t, s.Y[n - 1]);
    return out;
}

std::optional<double> splineValueAtX(const QList<QPointF> &controlPoints, double x)
{
    const Spline s(sanitizedControlPoints(controlPoints));
    const size_t n = s.size();
    if (n < 2 || !(x >= 0.0 && x <= 255.0))
        return std::nullopt;
    if (x <= s.X[0])
        return s.Y[0];
    if (x >= s.X[n - 1])
        return s.Y[n - 1];
    size_t k = 1;
    while (k + 1 < n && x > s.X[k])
        ++k;
    return std::clamp(s.value(k, x - s.X[k - 1], s.h[k]), 0.0, 255.0);
}

std::array<double, 256> curveLevels(const QList<QPointF> &controlPoints)
{
    std::array<double, 256> levels;
    const QList<QPointF> samples = splinePoints(QRectF(0, 0, 255, 255), controlPoints);
    if (samples.size() < 2) {
        for (int i = 0; i < 256; ++i)
            levels[i] = i;
        return levels;
    }
    // Samples have increasing x; for integer control points sample i sits at x = i and is
    // taken as it is.
    qsizetype s = 0;
    for (int i = 0; i < 256; ++i) {
        while (s + 1 < samples.size() && samples[s + 1].x() <= i)
            ++s;
        const QPointF &a = samples[s];
        if (i <= a.x() || s + 1 == samples.size()) {
            levels[i] = a.y();
            continue;
        }
        const QPointF &b = samples[s + 1];
        levels[i] = a.y() + (b.y() - a.y()) * (i - a.x()) / (b.x() - a.x());
    }
    return levels;
}

vImage_Error applyToneCurves(vImage_Buffer *planes, unsigned count, SampleType type, const QList<QList<QPointF>> &curves)
{
    if (curves.size() != 4 || count < 1 || count > 3 || !planesAreUsable(planes, count, type))
        return kvImageInvalidParameter;
    const std::array<double, 256> master = curveLevels(curves[0]);
    for (unsigned c = 0; c < count; ++c) {
        std::array<double, 256> value = master;
        if (count == 3) {
            const std::array<double, 256> own = curveLevels(curves[qsizetype(c) + 1]);
            for (int i = 0; i < 256; ++i)
                value[i] = std::clamp(own[i] - i + master[i], 0.0, 255.0);
        }
        vImage_Error status;
        if (type == SampleType::UInt8) {
            Pixel_8 table[256];
            for (int i = 0; i < 256; ++i)
                table[i] = Pixel_8(std::clamp(value[i], 0.0, 255.0));
            status = vImageTableLookUp_Planar8(&planes[c], &planes[c], table, kvImageNoFlags);
        } else {
            Pixel_F table[256];
            for (int i = 0; i < 256; ++i)
                table[i] = Pixel_F(value[i] / 255.0);
            status = vImageInterpolatedLookupTable_PlanarF(&planes[c], &planes[c], table, 256, 1.0f, 0.0f, kvImageNoFlags);
        }
        if (status != kvImageNoError)
            return status;
    }
    return kvImageNoError;
}

} // namespace platform::pixel
