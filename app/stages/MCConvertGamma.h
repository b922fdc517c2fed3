#pragma once

#include "app/engine/pipeline/MCConvertStage.h"

// Re-encodes the pixels from the gamma of the bitmap's own colour profile to a target gamma.
class MCConvertGamma : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 9;
    static const QString kGammaKey; // "gamma"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double gamma() const { return doubleValue(kGammaKey); }
    void setGamma(double gamma) { setParameterValue(kGammaKey, gamma); }
    double minGamma() const { return minimumForKey(kGammaKey); }
    double maxGamma() const { return maximumForKey(kGammaKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
