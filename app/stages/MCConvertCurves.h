#pragma once

// The Curves stage: a master curve for all colour channels and one curve each for red,
// green and blue, every curve a list of control points in the square 0..255 × 0..255 (x the
// input level, y the output level).
#include "app/engine/pipeline/MCConvertStage.h"

#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

class MCConvertCurves : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 2;
    static const QString kPointsAKey;         // "pointsA", the master curve
    static const QString kPointsRKey;         // "pointsR"
    static const QString kPointsGKey;         // "pointsG"
    static const QString kPointsBKey;         // "pointsB"
    static const QString kCurrentChannelKey;  // "currentChannel"

    // The straight curve every channel starts with: (0, 0), (255, 255).
    static QList<QPointF> defaultPoints();

    // The curve a point list stands for, the same spline wherever it is drawn or applied: the
    // curves editor draws these samples and reads values off the curve with curveValueAtX()
    // while the conversion maps the levels through the same samples.
    //
    // The natural cubic spline through the points, one sample per level, mapped from the grid
    // into `rect`; empty for fewer than two points.
    static QList<QPointF> splinePointsInRect(const QRectF &rect, const QList<QPointF> &points);
    // The curve's output level at input level `x`, exactly; nothing for x outside 0..255 or
    // fewer than two points.
    static std::optional<double> curveValueAtX(const QList<QPointF> &points, double x);
    // A list an editor can work on, however damaged the stored one is: sorted by x, clamped to
    // 0..255, points closer than 1 in x to the one before dropped; the straight curve when
    // fewer than two points remain. A well-formed list comes back unchanged.
    static QList<QPointF> mendedPoints(const QList<QPointF> &points);

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    QList<QPointF> pointsA() const { return points(kPointsAKey); }
    void setPointsA(const QList<QPointF> &points) { setPoints(kPointsAKey, points); }
    QList<QPointF> pointsR() const { return points(kPointsRKey); }
    void setPointsR(const QList<QPointF> &points) { setPoints(kPointsRKey, points); }
    QList<QPointF> pointsG() const { return points(kPointsGKey); }
    void setPointsG(const QList<QPointF> &points) { setPoints(kPointsGKey, points); }
    QList<QPointF> pointsB() const { return points(kPointsBKey); }
    void setPointsB(const QList<QPointF> &points) { setPoints(kPointsBKey, points); }
    // Which curve the editor shows (0 master, 1 red, 2 green, 3 blue); the conversion does
    // not read it.
    quint64 currentChannel() const { return unsignedValue(kCurrentChannelKey); }
    void setCurrentChannel(quint64 channel) { setParameterValue(kCurrentChannelKey, channel); }

    // Maps the channels through the four curves. Curves holding a coordinate that is not a
    // finite number fail the stage.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // A curve is stored as archived data of its point list; data that is no readable list of
    // points gives the straight curve.
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;

private:
    QList<QPointF> points(const QString &key) const;
    void setPoints(const QString &key, const QList<QPointF> &points);
};
