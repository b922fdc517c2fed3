#pragma once

#include "app/engine/pipeline/MCConvertStage.h"

// Sets the output's dots per inch; the pixels are not touched.
class MCConvertResolution : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 7;
    static const QString kResolutionDPIKey; // "resolutionDPI"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    quint64 resolutionDPI() const { return unsignedValue(kResolutionDPIKey); }
    void setResolutionDPI(quint64 dpi) { setParameterValue(kResolutionDPIKey, dpi); }

    PixelNeed pixelNeed() const override { return PixelNeed::LeavesPixels; }
    quint64 resolutionForResolution(quint64 resolution) const override;
    // Writes the DPI entries and the TIFF X and Y resolution in inches. A resolution that a
    // file cannot hold (0, or beyond a 32-bit count) fails the stage instead of being written.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

private:
    bool isWritableResolution() const;
};
