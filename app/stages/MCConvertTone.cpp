#include "app/stages/MCConvertTone.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCAdjustmentStage.h"
#include "platform/core/MCDispatch.h"

using MCAdjustmentStage::doubleParameter;
using MCAdjustmentStage::operationArgument;

const QString MCConvertAutoContrast::kStrengthKey = QStringLiteral("strength");
const QString MCConvertContrast::kContrastKey = QStringLiteral("contrast");
const QString MCConvertContrast::kShiftKey = QStringLiteral("shift");
const QString MCConvertLevels::kGammaKey = QStringLiteral("gamma");
const QString MCConvertLevels::kMinInputKey = QStringLiteral("minInput");
const QString MCConvertLevels::kMaxInputKey = QStringLiteral("maxInput");
const QString MCConvertLevels::kMinOutputKey = QStringLiteral("minOutput");
const QString MCConvertLevels::kMaxOutputKey = QStringLiteral("maxOutput");
const QString MCConvertExposure::kExposureKey = QStringLiteral("exposure");

// ---------------------------------------------------------------- Auto Contrast

const MCStageParameters &MCConvertAutoContrast::parameters() const
{
    static const MCStageParameters table = {doubleParameter(kStrengthKey, 0.5, 0.0, 1.0)};
    return table;
}

bool MCConvertAutoContrast::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    // The strength is a percentage: the fraction of pixels clipped at each end.
    const std::optional<float> fraction = operationArgument(strength() / 100.0);
    if (!bitmap || !fraction)
        return false;
    return bitmap->autoContrast(*fraction, error);
}

// ---------------------------------------------------------------- Contrast

const MCStageParameters &MCConvertContrast::parameters() const
{
    static const MCStageParameters table = {
        doubleParameter(kContrastKey, 1.0, 0.0, 2.0, 7.0),
        doubleParameter(kShiftKey, 0.5, 0.0, 1.0, 11.0),
    };
    return table;
}

bool MCConvertContrast::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    const std::optional<float> factor = operationArgument(contrast());
    const std::optional<float> pivot = operationArgument(shift());
    if (!bitmap || !factor || !pivot)
        return false;
    return bitmap->adjustContrast(*factor, *pivot, error);
}

// ---------------------------------------------------------------- Levels

const MCStageParameters &MCConvertLevels::parameters() const
{
    // The stage sets no limits (an emptied field keeps its level); the panel's stepper arrows
    // stop at these.
    const auto level = [](const QString &key, double defaultValue, double hashScale, double minimum,
                          double maximum) {
        MCStageParameter parameter = doubleParameter(key, defaultValue, std::nullopt, std::nullopt, hashScale);
        parameter.stepperMinimum = minimum;
        parameter.stepperMaximum = maximum;
        return parameter;
    };
    static const MCStageParameters table = {
        level(kGammaKey, 1.0, 51.0, 0.01, 9.99),
        level(kMinInputKey, 0.0, 71.0, 0.0, 1.0),
        level(kMaxInputKey, 1.0, 111.0, 0.0, 1.0),
        level(kMinOutputKey, 0.0, 171.0, 0.0, 1.0),
        level(kMaxOutputKey, 1.0, 191.0, 0.0, 1.0),
    };
    return table;
}

void MCConvertLevels::setNilValueForKey(const QString &key)
{
    if (!hasParameter(key))
        return MCConvertStage::setNilValueForKey(key);
    // An emptied field keeps the level it showed: the value of this moment is set again on
    // the main queue, after the binding's own call has returned.
    std::weak_ptr<MCConvertStage> stage = weak_from_this();
    platform::dispatchMain([stage, key, value = parameterValue(key)] {
        if (std::shared_ptr<MCConvertStage> alive = stage.lock())
            alive->setParameterValue(key, value);
    });
}

bool MCConvertLevels::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    // The operation takes the exponent, the inverse of the gamma the user sees. A gamma of 0
    // or below has no exponent; the levels themselves are clamped to 0..1 by the operation.
    if (!bitmap || !(gamma() > 0))
        return false;
    const std::optional<float> exponent = operationArgument(1.0 / gamma());
    const std::optional<float> inLow = operationArgument(minInput());
    const std::optional<float> inHigh = operationArgument(maxInput());
    const std::optional<float> outLow = operationArgument(minOutput());
    const std::optional<float> outHigh = operationArgument(maxOutput());
    // A gamma so large that its exponent rounds to 0 would flatten every tone.
    if (!exponent || !(*exponent > 0.0f) || !inLow || !inHigh || !outLow || !outHigh)
        return false;
    return bitmap->adjustGamma(*exponent, *inLow, *inHigh, *outLow, *outHigh, error);
}

// ---------------------------------------------------------------- Exposure

const MCStageParameters &MCConvertExposure::parameters() const
{
    static const MCStageParameters table = {doubleParameter(kExposureKey, 1.0, 0.5, 2.0)};
    return table;
}

bool MCConvertExposure::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    const std::optional<float> gain = operationArgument(exposure());
    if (!bitmap || !gain)
        return false;
    return bitmap->adjustExposure(*gain, error);
}
