#include "app/stages/MCAdjustmentStage.h"

#include "app/engine/bitmap/MCBitmap.h"

#include <cmath>
#include <limits>

namespace MCAdjustmentStage {

MCStageParameter doubleParameter(const QString &name, double defaultValue, std::optional<double> minimum,
                                 std::optional<double> maximum, double hashScale, qint64 hashFactor)
{
    return {.name = name,
            .type = MCStageParameterType::Double,
            .defaultValue = defaultValue,
            .minimum = minimum,
            .maximum = maximum,
            .hashFactor = hashFactor,
            .hashScale = hashScale};
}

std::optional<float> operationArgument(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(value);
}

double meanScale(const MCBitmap &bitmap) { return (bitmap.scaleX() + bitmap.scaleY()) * 0.5; }

} // namespace MCAdjustmentStage
