#pragma once

// The Curves stage: a master curve for all colour channels and one curve each for red,
// green and blue, every curve a list of control points in the square 0..255 × 0..255 (x the
// input level, y the output level).
#include "app/engine/pipeline/MCConvertStage.h"

#include <QList>
#include <QPointF>

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
