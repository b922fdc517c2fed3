#pragma once

// What the tone, colour and sharpness stages share: how a number parameter is declared, and
// how a stored double becomes the float argument of a bitmap operation.
#include "app/engine/pipeline/MCConvertStage.h"

#include <optional>

namespace MCAdjustmentStage {

// A double parameter with the panel limits and its share of the hash mix: lround(value ×
// hashScale) × hashFactor, XORed into the mix.
MCStageParameter doubleParameter(const QString &name, double defaultValue, std::optional<double> minimum,
                                 std::optional<double> maximum, double hashScale = 1000.0, qint64 hashFactor = 1);

// The value as a float argument; nothing for NaN, infinities and values beyond the float
// range, which no pixel operation can use. A stage holding such a value (from a hand-edited
// preset or key-value coding) fails instead of handing it on.
std::optional<float> operationArgument(double value);

// The mean of the bitmap's two scale factors: the ratio of its size to the photo's.
double meanScale(const MCBitmap &bitmap);

} // namespace MCAdjustmentStage
