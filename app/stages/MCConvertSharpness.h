#pragma once

// The stages that work on neighbourhoods and regions: Sharpness, Blur and Vignette.
// Sharpness and Blur state their amount for the full-size photo and scale it by the
// bitmap's scale factors, so a preview read at a smaller size looks like the output.
#include "app/engine/pipeline/MCConvertStage.h"

// 3 × 3 sharpening by `sharpness` (0 changes nothing).
class MCConvertSharpness : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 13;
    static const QString kSharpnessKey; // "sharpness"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double sharpness() const { return doubleValue(kSharpnessKey); }
    void setSharpness(double sharpness) { setParameterValue(kSharpnessKey, sharpness); }
    double minSharpness() const { return minimumForKey(kSharpnessKey); }
    double maxSharpness() const { return maximumForKey(kSharpnessKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// A box, tent or Gaussian blur of `radius` full-size pixels.
class MCConvertBlur : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 38;
    static const QString kTypeKey;   // "type"
    static const QString kRadiusKey; // "radius"

    enum Type : quint64 { Box = 0, Tent = 1, Gaussian = 2 };

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // Other types (from a hand-edited preset) leave the picture as it is.
    quint64 type() const { return unsignedValue(kTypeKey); }
    void setType(quint64 type) { setParameterValue(kTypeKey, type); }
    quint64 radius() const { return unsignedValue(kRadiusKey); }
    void setRadius(quint64 radius) { setParameterValue(kRadiusKey, radius); }
    double minRadius() const { return minimumForKey(kRadiusKey); }
    double maxRadius() const { return maximumForKey(kRadiusKey); }

    // The radius handed to the bitmap: ceil(radius × the mean of the scale factors), so a
    // preview at a quarter of the size blurs by a quarter of the radius, and never 0 for a
    // radius above 0.
    static quint64 scaledRadius(quint64 radius, double scaleX, double scaleY);

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    quint64 hashMix() const override; // radius + type × 16
};

// Darkens the edges: `exposure` is the brightness factor of the corners, 1 no vignette.
class MCConvertVignette : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 201;
    static const QString kExposureKey; // "exposure"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double exposure() const { return doubleValue(kExposureKey); }
    void setExposure(double exposure) { setParameterValue(kExposureKey, exposure); }
    double minExposure() const { return minimumForKey(kExposureKey); }
    double maxExposure() const { return maximumForKey(kExposureKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
