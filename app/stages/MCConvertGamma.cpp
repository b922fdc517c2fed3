#include "app/stages/MCConvertGamma.h"

#include "app/engine/bitmap/MCBitmap.h"

#include <cmath>

const QString MCConvertGamma::kGammaKey = QStringLiteral("gamma");

const MCStageParameters &MCConvertGamma::parameters() const
{
    static const MCStageParameters table = {
        {.name = kGammaKey, .type = MCStageParameterType::Double, .defaultValue = 2.2, .minimum = 1.0,
         .maximum = 4.4, .hashFactor = 1, .hashScale = 1000.0, .step = 0.1},
    };
    return table;
}

bool MCConvertGamma::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const double ratio = bitmap->profileGamma() / gamma();
    if (std::fabs(ratio - 1.0) < 0.001)
        return true;
    // A gamma of 0, NaN or infinity gives no usable ratio: the stage fails instead of
    // handing the operation a value it cannot map.
    if (!std::isfinite(ratio))
        return false;
    return bitmap->adjustGamma(float(ratio), error);
}
