#pragma once

// The tone stages: Auto Contrast, Contrast, Levels and Exposure. Each calls one tone
// operation of the bitmap on every run, also with neutral values; the operation decides
// what a neutral value changes.
#include "app/engine/pipeline/MCConvertStage.h"

// Stretches the tonal range so that `strength` percent of the pixels clip at each end.
class MCConvertAutoContrast : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 0;
    static const QString kStrengthKey; // "strength"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double strength() const { return doubleValue(kStrengthKey); }
    void setStrength(double strength) { setParameterValue(kStrengthKey, strength); }
    double minStrength() const { return minimumForKey(kStrengthKey); }
    double maxStrength() const { return maximumForKey(kStrengthKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Luminance contrast about a pivot: `contrast` 1 keeps it, `shift` is the pivot (0..1).
class MCConvertContrast : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 20;
    static const QString kContrastKey; // "contrast"
    static const QString kShiftKey;    // "shift"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double contrast() const { return doubleValue(kContrastKey); }
    void setContrast(double contrast) { setParameterValue(kContrastKey, contrast); }
    double minContrast() const { return minimumForKey(kContrastKey); }
    double maxContrast() const { return maximumForKey(kContrastKey); }
    double shift() const { return doubleValue(kShiftKey); }
    void setShift(double shift) { setParameterValue(kShiftKey, shift); }
    double minShift() const { return minimumForKey(kShiftKey); }
    double maxShift() const { return maximumForKey(kShiftKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Maps the input range onto the output range (fractions of full scale) through `gamma`; a
// gamma above 1 brightens the middle tones. The editor keeps the values in range, the stage
// has no limits of its own, and an emptied field keeps the value it had.
class MCConvertLevels : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 39;
    static const QString kGammaKey;     // "gamma"
    static const QString kMinInputKey;  // "minInput"
    static const QString kMaxInputKey;  // "maxInput"
    static const QString kMinOutputKey; // "minOutput"
    static const QString kMaxOutputKey; // "maxOutput"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double gamma() const { return doubleValue(kGammaKey); }
    void setGamma(double gamma) { setParameterValue(kGammaKey, gamma); }
    double minInput() const { return doubleValue(kMinInputKey); }
    void setMinInput(double level) { setParameterValue(kMinInputKey, level); }
    double maxInput() const { return doubleValue(kMaxInputKey); }
    void setMaxInput(double level) { setParameterValue(kMaxInputKey, level); }
    double minOutput() const { return doubleValue(kMinOutputKey); }
    void setMinOutput(double level) { setParameterValue(kMinOutputKey, level); }
    double maxOutput() const { return doubleValue(kMaxOutputKey); }
    void setMaxOutput(double level) { setParameterValue(kMaxOutputKey, level); }

    void setNilValueForKey(const QString &key) override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Multiplies the colour channels by `exposure`.
class MCConvertExposure : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 10;
    static const QString kExposureKey; // "exposure"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double exposure() const { return doubleValue(kExposureKey); }
    void setExposure(double exposure) { setParameterValue(kExposureKey, exposure); }
    double minExposure() const { return minimumForKey(kExposureKey); }
    double maxExposure() const { return maximumForKey(kExposureKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
