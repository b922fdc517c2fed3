#pragma once

// The small pictures the screens draw themselves rather than read from disk (badges,
// placeholders) are drawn at twice their size in points, so they stay sharp on dense screens.
#include <QImage>
#include <QSizeF>

#include <functional>

class QPainter;

// A transparent picture of `size` points (device pixel ratio 2), drawn by `draw` in point
// coordinates with antialiasing on.
QImage MCDrawnImage(const QSizeF &size, const std::function<void(QPainter &)> &draw);
