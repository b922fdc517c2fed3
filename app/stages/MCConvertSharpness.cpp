#include "app/stages/MCConvertSharpness.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCAdjustmentStage.h"

#include <cmath>

using MCAdjustmentStage::doubleParameter;
using MCAdjustmentStage::meanScale;
using MCAdjustmentStage::operationArgument;

const QString MCConvertSharpness::kSharpnessKey = QStringLiteral("sharpness");
const QString MCConvertBlur::kTypeKey = QStringLiteral("type");
const QString MCConvertBlur::kRadiusKey = QStringLiteral("radius");
const QString MCConvertVignette::kExposureKey = QStringLiteral("exposure");

// ---------------------------------------------------------------- Sharpness

const MCStageParameters &MCConvertSharpness::parameters() const
{
    static const MCStageParameters table = {doubleParameter(kSharpnessKey, 0.25, 0.0, 1.0)};
    return table;
}

bool MCConvertSharpness::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const std::optional<float> amount = operationArgument(sharpness() * meanScale(*bitmap));
    if (!amount)
        return false;
    return bitmap->adjustSharpness(*amount, error);
}

// ---------------------------------------------------------------- Blur

const MCStageParameters &MCConvertBlur::parameters() const
{
    static const MCStageParameters table = {
        // No limits: an emptied type field has no replacement.
        {.name = kTypeKey, .type = MCStageParameterType::Unsigned, .defaultValue = quint64(Box)},
        {.name = kRadiusKey, .type = MCStageParameterType::Unsigned, .defaultValue = quint64(8), .minimum = 1.0,
         .maximum = 32.0},
    };
    return table;
}

quint64 MCConvertBlur::hashMix() const { return radius() + type() * 16; }

quint64 MCConvertBlur::scaledRadius(quint64 radius, double scaleX, double scaleY)
{
    const double scaled = std::ceil(double(radius) * (scaleX + scaleY) * 0.5);
    // A radius the photo cannot hold is as good as the largest the operation uses; NaN or a
    // negative scale blurs nothing rather than converting an undefined value.
    if (!(scaled > 0.0))
        return 0;
    return scaled >= 4294967296.0 ? quint64(4294967296) : quint64(scaled);
}

bool MCConvertBlur::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const quint64 scaled = scaledRadius(radius(), bitmap->scaleX(), bitmap->scaleY());
    return bitmap->blurWithRadius(scaled, type(), error);
}

// ---------------------------------------------------------------- Vignette

const MCStageParameters &MCConvertVignette::parameters() const
{
    static const MCStageParameters table = {doubleParameter(kExposureKey, 0.5, 0.0, 1.0)};
    return table;
}

bool MCConvertVignette::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    const std::optional<float> gain = operationArgument(exposure());
    if (!bitmap || !gain)
        return false;
    return bitmap->vignetteWithExposure(*gain, error);
}
