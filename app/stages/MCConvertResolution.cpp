#include "app/stages/MCConvertResolution.h"

#include "platform/imageio/MCImageProperties.h"

#include <limits>

const QString MCConvertResolution::kResolutionDPIKey = QStringLiteral("resolutionDPI");

const MCStageParameters &MCConvertResolution::parameters() const
{
    // No limits for the panels; an emptied field becomes 72.
    static const MCStageParameters table = {
        {.name = kResolutionDPIKey, .type = MCStageParameterType::Unsigned, .defaultValue = 72, .nilValue = 72.0,
         .hashFactor = 1},
    };
    return table;
}

bool MCConvertResolution::isWritableResolution() const
{
    const quint64 dpi = resolutionDPI();
    return dpi > 0 && dpi <= std::numeric_limits<quint32>::max();
}

quint64 MCConvertResolution::resolutionForResolution(quint64 resolution) const
{
    return isActive() && isWritableResolution() ? resolutionDPI() : resolution;
}

bool MCConvertResolution::convertBitmap(MCBitmap *, QVariantMap &metadata, const MCFile *, MCError *)
{
    if (!isActive())
        return true;
    if (!isWritableResolution())
        return false;
    const double dpi = double(resolutionDPI());
    metadata.insert(kCGImagePropertyDPIWidth, dpi);
    metadata.insert(kCGImagePropertyDPIHeight, dpi);
    QVariantMap tiff = metadata.value(kCGImagePropertyTIFFDictionary).toMap();
    tiff.insert(kCGImagePropertyTIFFXResolution, dpi);
    tiff.insert(kCGImagePropertyTIFFYResolution, dpi);
    tiff.insert(kCGImagePropertyTIFFResolutionUnit, 2);
    metadata.insert(kCGImagePropertyTIFFDictionary, tiff);
    return true;
}
