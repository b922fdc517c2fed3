#pragma once

#include "app/engine/pipeline/MCConvertStage.h"
#include "app/stages/MCStageGeometry.h"

// Cuts the photo to an aspect ratio given as the user sees the photo (after its orientation).
class MCConvertCrop : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 1;
    static const QString kCropMethodKey; // "cropMethod"
    static const QString kCropSide1Key;  // "cropSide1"
    static const QString kCropSide2Key;  // "cropSide2"
    static const QString kAnchorKey;     // "anchor"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // 0: the ratio turns with the photo (cropSide1:cropSide2 as width:height of a landscape or
    // square photo, cropSide2:cropSide1 of a portrait one); other values: always side1:side2.
    quint64 cropMethod() const { return unsignedValue(kCropMethodKey); }
    void setCropMethod(quint64 method) { setParameterValue(kCropMethodKey, method); }
    quint64 cropSide1() const { return unsignedValue(kCropSide1Key); }
    void setCropSide1(quint64 side) { setParameterValue(kCropSide1Key, side); }
    quint64 cropSide2() const { return unsignedValue(kCropSide2Key); }
    void setCropSide2(quint64 side) { setParameterValue(kCropSide2Key, side); }
    // Which part is kept: MCStageAnchor bits, 0 the centre.
    quint64 anchor() const { return unsignedValue(kAnchorKey); }
    void setAnchor(quint64 anchor) { setParameterValue(kAnchorKey, anchor); }

    double minCropSide1() const { return minimumForKey(kCropSide1Key); }
    double maxCropSide1() const { return maximumForKey(kCropSide1Key); }
    double minCropSide2() const { return minimumForKey(kCropSide2Key); }
    double maxCropSide2() const { return maximumForKey(kCropSide2Key); }

    // The margins to cut off a stored bitmap of `size` shown with `orientation`.
    MCEdgeInsets cropInsetsForOriginalSize(const QSizeF &size, quint64 orientation) const;

    QSizeF imageSizeForSize(const QSizeF &size, quint64 &orientation) const override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
