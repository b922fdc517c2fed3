#pragma once

// The pictures of the preview tables, drawn with QPainter at twice their size in points so
// they stay sharp on dense screens: "BadgeMissing" (16 × 16, the warning badge of a row) and
// "EmptyPhotoLandscapeSmall" (24 × 18, the thumbnail of a photo not loaded, or not loadable).
// An unknown name answers a null image. GUI thread only (drawn once, then cached).
#include <QImage>
#include <QString>

namespace MCPreviewTableImages {

QImage imageNamed(const QString &name);

} // namespace MCPreviewTableImages
