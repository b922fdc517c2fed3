#pragma once

// Small image operations of the view kit.
#include <QColor>
#include <QImage>
#include <QRectF>

// The part of `image` inside `rect`, given in device-independent pixels from the top-left
// corner; scaled into the image's pixel grid by its device pixel ratio. The result keeps that
// ratio. A null image when the rectangle misses the image.
QImage MCImageFromRect(const QImage &image, const QRectF &rect);
// A copy of the image whose painted pixels take `color`, each keeping its own opacity; an
// invalid colour answers a plain copy.
QImage MCImageTintedWithColor(const QImage &image, const QColor &color);

#include "platform/graphics/CGImage.h"

// The image as an 8-bit sRGB bitmap (red, green, blue and a padding byte); nullptr for a null
// image. Transparent pixels are composed as the premultiplied colour they carry.
CGImageRef MCCGImageFromQImage(const QImage &image);
