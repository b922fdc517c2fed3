#pragma once

// The colour stages: Auto White Balance, Temperature, Adjust HSL, Adjust HSV, Adjust RGB,
// Colorize, Sepia and Grayscale. Hue is kept in degrees and becomes a fraction of a full
// turn only at the call of the bitmap operation. Every stage runs its operation also with
// neutral values; the operation decides what a neutral value changes.
#include "app/engine/pipeline/MCConvertStage.h"

#include <array>

// Stretches each colour channel over its own range, `strength` percent clipped at each end.
class MCConvertAWB : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 17;
    static const QString kStrengthKey; // "strength"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double strength() const { return doubleValue(kStrengthKey); }
    void setStrength(double strength) { setParameterValue(kStrengthKey, strength); }
    double minStrength() const { return minimumForKey(kStrengthKey); }
    double maxStrength() const { return maximumForKey(kStrengthKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Tints the photo with the light of a black body at `temperature` kelvin.
class MCConvertTemperature : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 18;
    static const QString kTemperatureKey; // "temperature"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    quint64 temperature() const { return unsignedValue(kTemperatureKey); }
    void setTemperature(quint64 kelvin) { setParameterValue(kTemperatureKey, kelvin); }
    double minTemperature() const { return minimumForKey(kTemperatureKey); }
    double maxTemperature() const { return maximumForKey(kTemperatureKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Three double parameters (hue or a first factor, then two factors), shared by the HSL, HSV,
// RGB and Colorize stages: they store, compare and hash alike and differ in their keys,
// defaults and operation.
class MCConvertThreeFactorStage : public MCConvertStage
{
protected:
    // The three numbers as the operation takes them: hue in degrees becomes a fraction of a
    // turn when `firstIsHue`; nothing when one is not a usable number.
    std::optional<std::array<float, 3>> operationArguments(bool firstIsHue) const;
    // The work of every three-factor stage: nothing when inactive, else `operation` with the
    // three arguments; false for a missing bitmap or an unusable number.
    using Operation = bool (MCBitmap::*)(float, float, float, MCError *);
    bool runOperation(MCBitmap *bitmap, bool firstIsHue, Operation operation, MCError *error) const;
};

// Turns the hue and scales saturation and lightness in the HSL model.
class MCConvertHSL : public MCConvertThreeFactorStage
{
public:
    static constexpr qint64 StageID = 12;
    static const QString kHueKey;        // "hue"
    static const QString kSaturationKey; // "saturation"
    static const QString kLightnessKey;  // "lightness"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double hue() const { return doubleValue(kHueKey); }
    void setHue(double degrees) { setParameterValue(kHueKey, degrees); }
    double minHue() const { return minimumForKey(kHueKey); }
    double maxHue() const { return maximumForKey(kHueKey); }
    double saturation() const { return doubleValue(kSaturationKey); }
    void setSaturation(double factor) { setParameterValue(kSaturationKey, factor); }
    double minSaturation() const { return minimumForKey(kSaturationKey); }
    double maxSaturation() const { return maximumForKey(kSaturationKey); }
    double lightness() const { return doubleValue(kLightnessKey); }
    void setLightness(double factor) { setParameterValue(kLightnessKey, factor); }
    double minLightness() const { return minimumForKey(kLightnessKey); }
    double maxLightness() const { return maximumForKey(kLightnessKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Turns the hue and scales saturation and value in the HSV model.
class MCConvertHSV : public MCConvertThreeFactorStage
{
public:
    static constexpr qint64 StageID = 11;
    static const QString kHueKey;        // "hue"
    static const QString kSaturationKey; // "saturation"
    static const QString kValueKey;      // "value"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double hue() const { return doubleValue(kHueKey); }
    void setHue(double degrees) { setParameterValue(kHueKey, degrees); }
    double minHue() const { return minimumForKey(kHueKey); }
    double maxHue() const { return maximumForKey(kHueKey); }
    double saturation() const { return doubleValue(kSaturationKey); }
    void setSaturation(double factor) { setParameterValue(kSaturationKey, factor); }
    double minSaturation() const { return minimumForKey(kSaturationKey); }
    double maxSaturation() const { return maximumForKey(kSaturationKey); }
    double value() const { return doubleValue(kValueKey); }
    void setValue(double factor) { setParameterValue(kValueKey, factor); }
    double minValue() const { return minimumForKey(kValueKey); }
    double maxValue() const { return maximumForKey(kValueKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Multiplies red, green and blue by their own factors.
class MCConvertRGB : public MCConvertThreeFactorStage
{
public:
    static constexpr qint64 StageID = 19;
    static const QString kRedKey;   // "red"
    static const QString kGreenKey; // "green"
    static const QString kBlueKey;  // "blue"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double red() const { return doubleValue(kRedKey); }
    void setRed(double factor) { setParameterValue(kRedKey, factor); }
    double minRed() const { return minimumForKey(kRedKey); }
    double maxRed() const { return maximumForKey(kRedKey); }
    double green() const { return doubleValue(kGreenKey); }
    void setGreen(double factor) { setParameterValue(kGreenKey, factor); }
    double minGreen() const { return minimumForKey(kGreenKey); }
    double maxGreen() const { return maximumForKey(kGreenKey); }
    double blue() const { return doubleValue(kBlueKey); }
    void setBlue(double factor) { setParameterValue(kBlueKey, factor); }
    double minBlue() const { return minimumForKey(kBlueKey); }
    double maxBlue() const { return maximumForKey(kBlueKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Gives every pixel one hue and saturation, keeping its lightness times a factor.
class MCConvertColorize : public MCConvertThreeFactorStage
{
public:
    static constexpr qint64 StageID = 21;
    static const QString kHueKey;        // "hue"
    static const QString kSaturationKey; // "saturation"
    static const QString kLightnessKey;  // "lightness"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double hue() const { return doubleValue(kHueKey); }
    void setHue(double degrees) { setParameterValue(kHueKey, degrees); }
    double minHue() const { return minimumForKey(kHueKey); }
    double maxHue() const { return maximumForKey(kHueKey); }
    double saturation() const { return doubleValue(kSaturationKey); }
    void setSaturation(double saturation) { setParameterValue(kSaturationKey, saturation); }
    double minSaturation() const { return minimumForKey(kSaturationKey); }
    double maxSaturation() const { return maximumForKey(kSaturationKey); }
    double lightness() const { return doubleValue(kLightnessKey); }
    void setLightness(double factor) { setParameterValue(kLightnessKey, factor); }
    double minLightness() const { return minimumForKey(kLightnessKey); }
    double maxLightness() const { return maximumForKey(kLightnessKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Blends the colours towards sepia by `sepia` (0..1).
class MCConvertSepia : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 16;
    static const QString kSepiaKey; // "sepia"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    double sepia() const { return doubleValue(kSepiaKey); }
    void setSepia(double strength) { setParameterValue(kSepiaKey, strength); }
    double minSepia() const { return minimumForKey(kSepiaKey); }
    double maxSepia() const { return maximumForKey(kSepiaKey); }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Writes one gray value into red, green and blue; the bitmap stays a colour bitmap.
class MCConvertGrayscale : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 22;
    static const QString kMethodKey; // "method"

    // How the gray value is made.
    enum Method : quint64 {
        Average = 0,
        Minimum = 1,
        Maximum = 2,
        ChannelR = 3,
        ChannelG = 4,
        ChannelB = 5,
        Lightness = 6,
        WeightedBT601 = 7, // 0.299 R + 0.587 G + 0.114 B in linear light
        WeightedBT709 = 8, // 0.2126 R + 0.7152 G + 0.0722 B in linear light
    };

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    quint64 method() const { return unsignedValue(kMethodKey); }
    void setMethod(quint64 method) { setParameterValue(kMethodKey, method); }

    // Back to the average (0), not to the weighted method a new stage starts with.
    void resetToDefaults() override;
    // Methods 9 and above change nothing and answer true.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // The method is stored as a real number and read back truncated.
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;
};
