#include "app/stages/MCConvertColor.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCAdjustmentStage.h"

#include <cmath>
#include <limits>

using MCAdjustmentStage::doubleParameter;
using MCAdjustmentStage::operationArgument;

const QString MCConvertAWB::kStrengthKey = QStringLiteral("strength");
const QString MCConvertTemperature::kTemperatureKey = QStringLiteral("temperature");
const QString MCConvertHSL::kHueKey = QStringLiteral("hue");
const QString MCConvertHSL::kSaturationKey = QStringLiteral("saturation");
const QString MCConvertHSL::kLightnessKey = QStringLiteral("lightness");
const QString MCConvertHSV::kHueKey = QStringLiteral("hue");
const QString MCConvertHSV::kSaturationKey = QStringLiteral("saturation");
const QString MCConvertHSV::kValueKey = QStringLiteral("value");
const QString MCConvertRGB::kRedKey = QStringLiteral("red");
const QString MCConvertRGB::kGreenKey = QStringLiteral("green");
const QString MCConvertRGB::kBlueKey = QStringLiteral("blue");
const QString MCConvertColorize::kHueKey = QStringLiteral("hue");
const QString MCConvertColorize::kSaturationKey = QStringLiteral("saturation");
const QString MCConvertColorize::kLightnessKey = QStringLiteral("lightness");
const QString MCConvertSepia::kSepiaKey = QStringLiteral("sepia");
const QString MCConvertGrayscale::kMethodKey = QStringLiteral("method");

namespace {

// The table of a three-factor stage: each value hashes as lround(value × 7), × 11, × 17 in
// table order.
MCStageParameters threeFactors(const QString &first, double firstDefault, double firstMaximum, const QString &second,
                               double secondDefault, double secondMaximum, const QString &third, double thirdDefault,
                               double thirdMaximum)
{
    MCStageParameter firstParameter = doubleParameter(first, firstDefault, 0.0, firstMaximum, 7.0);
    if (firstMaximum == 360.0)
        firstParameter.step = 1.0; // a hue, in whole degrees
    return {
        firstParameter,
        doubleParameter(second, secondDefault, 0.0, secondMaximum, 11.0),
        doubleParameter(third, thirdDefault, 0.0, thirdMaximum, 17.0),
    };
}

} // namespace

// ---------------------------------------------------------------- Auto White Balance

const MCStageParameters &MCConvertAWB::parameters() const
{
    static const MCStageParameters table = {doubleParameter(kStrengthKey, 0.5, 0.0, 1.0)};
    return table;
}

bool MCConvertAWB::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    // The strength is a percentage: the fraction of pixels clipped at each end.
    const std::optional<float> fraction = operationArgument(strength() / 100.0);
    if (!bitmap || !fraction)
        return false;
    return bitmap->autoWhiteBalance(*fraction, error);
}

// ---------------------------------------------------------------- Temperature

const MCStageParameters &MCConvertTemperature::parameters() const
{
    static const MCStageParameters table = {
        {.name = kTemperatureKey, .type = MCStageParameterType::Unsigned, .defaultValue = quint64(6500),
         .minimum = 2000.0, .maximum = 20000.0, .hashFactor = 1, .step = 100.0},
    };
    return table;
}

bool MCConvertTemperature::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    return bitmap->adjustTemperature(float(temperature()), error);
}

// ---------------------------------------------------------------- three factors

std::optional<std::array<float, 3>> MCConvertThreeFactorStage::operationArguments(bool firstIsHue) const
{
    const MCStageParameters &table = parameters();
    std::array<float, 3> arguments{};
    for (size_t i = 0; i < 3; ++i) {
        double value = doubleValue(table[i].name);
        if (i == 0 && firstIsHue)
            value /= 360.0;
        const std::optional<float> argument = operationArgument(value);
        if (!argument)
            return std::nullopt;
        arguments[i] = *argument;
    }
    return arguments;
}

bool MCConvertThreeFactorStage::runOperation(MCBitmap *bitmap, bool firstIsHue, Operation operation,
                                             MCError *error) const
{
    if (!isActive())
        return true;
    const auto arguments = operationArguments(firstIsHue);
    if (!bitmap || !arguments)
        return false;
    const auto [first, second, third] = *arguments;
    return (bitmap->*operation)(first, second, third, error);
}

const MCStageParameters &MCConvertHSL::parameters() const
{
    static const MCStageParameters table =
        threeFactors(kHueKey, 0.0, 360.0, kSaturationKey, 1.0, 2.0, kLightnessKey, 1.0, 2.0);
    return table;
}

bool MCConvertHSL::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    return runOperation(bitmap, true, &MCBitmap::adjustH, error);
}

const MCStageParameters &MCConvertHSV::parameters() const
{
    static const MCStageParameters table =
        threeFactors(kHueKey, 0.0, 360.0, kSaturationKey, 1.0, 2.0, kValueKey, 1.0, 2.0);
    return table;
}

bool MCConvertHSV::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    return runOperation(bitmap, true, &MCBitmap::adjustHSV, error);
}

const MCStageParameters &MCConvertRGB::parameters() const
{
    static const MCStageParameters table = threeFactors(kRedKey, 1.0, 2.0, kGreenKey, 1.0, 2.0, kBlueKey, 1.0, 2.0);
    return table;
}

bool MCConvertRGB::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    return runOperation(bitmap, false, &MCBitmap::adjustR, error);
}

const MCStageParameters &MCConvertColorize::parameters() const
{
    static const MCStageParameters table =
        threeFactors(kHueKey, 0.0, 360.0, kSaturationKey, 0.5, 1.0, kLightnessKey, 1.0, 2.0);
    return table;
}

bool MCConvertColorize::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    return runOperation(bitmap, true, &MCBitmap::colorizeH, error);
}

// ---------------------------------------------------------------- Sepia

const MCStageParameters &MCConvertSepia::parameters() const
{
    static const MCStageParameters table = {doubleParameter(kSepiaKey, 1.0, 0.0, 1.0)};
    return table;
}

bool MCConvertSepia::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    const std::optional<float> strength = operationArgument(sepia());
    if (!bitmap || !strength)
        return false;
    return bitmap->adjustSepia(*strength, error);
}

// ---------------------------------------------------------------- Grayscale

const MCStageParameters &MCConvertGrayscale::parameters() const
{
    // No limits: an emptied field has no replacement and goes to the platform's default.
    static const MCStageParameters table = {
        {.name = kMethodKey, .type = MCStageParameterType::Unsigned, .defaultValue = quint64(WeightedBT601),
         .hashFactor = 1000}, // lround(method × 1000)
    };
    return table;
}

void MCConvertGrayscale::resetToDefaults() { setMethod(Average); }

QVariant MCConvertGrayscale::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.name == kMethodKey)
        return double(value.toULongLong());
    return MCConvertStage::encodeParameter(parameter, value);
}

std::optional<QVariant> MCConvertGrayscale::decodeParameter(const MCStageParameter &parameter,
                                                            const QVariant &stored) const
{
    if (parameter.name != kMethodKey)
        return MCConvertStage::decodeParameter(parameter, stored);
    // Read as a real number and truncated (7.9 reads 7; a missing or unreadable value 0). A
    // value that names no whole method at all (NaN, negative, beyond the integers) reads as
    // an unknown method, which converts nothing, rather than as an arbitrary one.
    bool ok = false;
    const double real = stored.toDouble(&ok);
    if (!ok)
        return QVariant(quint64(0));
    const double whole = std::trunc(real);
    if (!(whole >= 0.0) || whole >= 1.8e19)
        return QVariant(std::numeric_limits<quint64>::max());
    return QVariant(quint64(whole));
}

bool MCConvertGrayscale::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    const quint64 chosen = method();
    if (chosen > WeightedBT709)
        return true;
    if (!bitmap)
        return false;
    switch (chosen) {
    case Average:
        return bitmap->grayscaleAverage(error);
    case Minimum:
        return bitmap->grayscaleMinimum(error);
    case Maximum:
        return bitmap->grayscaleMaximum(error);
    case ChannelR:
        return bitmap->grayscaleChannelR(error);
    case ChannelG:
        return bitmap->grayscaleChannelG(error);
    case ChannelB:
        return bitmap->grayscaleChannelB(error);
    case Lightness:
        return bitmap->grayscaleLightness(error);
    default: {
        // Luma weights, applied in linear light with the gamma of the bitmap's profile.
        const std::array<float, 3> weights = chosen == WeightedBT601 ? std::array<float, 3>{0.299f, 0.587f, 0.114f}
                                                                     : std::array<float, 3>{0.2126f, 0.7152f, 0.0722f};
        const float gamma = float(bitmap->profileGamma());
        return bitmap->grayscaleWeighted(weights, gamma, error);
    }
    }
}
