#pragma once

#include "app/engine/pipeline/MCConvertStage.h"

// Mirrors the pixels, then turns them by quarter turns. The orientation entry of the
// properties is left as it is.
class MCConvertRotate : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 33;
    static const QString kRotateKey; // "rotate"
    static const QString kFlipKey;   // "flip"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // 0 none, 1 a quarter turn counter-clockwise, 2 a half turn, 3 a quarter turn clockwise.
    quint64 rotate() const { return unsignedValue(kRotateKey); }
    void setRotate(quint64 rotate) { setParameterValue(kRotateKey, rotate); }
    // 0 none, 1 left-right mirror, 2 top-bottom mirror.
    quint64 flip() const { return unsignedValue(kFlipKey); }
    void setFlip(quint64 flip) { setParameterValue(kFlipKey, flip); }

    QSizeF imageSizeForSize(const QSizeF &size, quint64 &orientation) const override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
