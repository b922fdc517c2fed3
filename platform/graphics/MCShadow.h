#pragma once

#include <QColor>
#include <QSizeF>

// A drop shadow: offset (pixels, positive height is up), blur radius (pixels) and colour.
// A colour whose alpha is 0 casts nothing.
struct MCShadow
{
    QSizeF shadowOffset;
    double shadowBlurRadius = 0;
    QColor shadowColor = QColor::fromRgbF(0, 0, 0, 1.0f / 3.0f);

    bool operator==(const MCShadow &) const = default;
};
