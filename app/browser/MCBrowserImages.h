#pragma once

// The small pictures of the photo browser: the cell frame, the placeholder photos, the badges
// of a thumbnail cell and the arrow of the path bar. They are drawn here with QPainter at twice
// their size in points (device pixel ratio 2), so they stay sharp on dense screens; nothing is
// read from disk. A name that is not known answers a null image, and every caller treats a null
// image as "leave that part out".
//
// Names: "CellBackground" (24 × 24, corners and edges only, insets 6), "EmptyPhoto" and
// "MissingFileLandscape" (64 × 48), "CircleRed", "CircleOrange", "CircleYellow",
// "CircleGreen", "CircleBlue", "CircleViolet", "CircleGray", "MarkedBadge", "LockedBadge",
// "Flagged", "SourceBadgeAlbum", "SourceBadgeDarkroom", "SourceBadgeCatalog",
// "SourceBadgeGallery", "SourceBadgeStudio" (the five media sources), "VideoBadge",
// "BadgeMissing", "Favorite", "Cloud", "Referenced", "Hidden", "Rejected", "RatingStar",
// "PathWhiteArrow" and the eight frame pieces "MB_B_Left_Top" … "MB_B_Right_Bottom".
//
// Main thread only (the drawn images are cached on first use).
#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>

namespace MCBrowserImages {

QImage imageNamed(const QString &name);
// The image's size in points (its pixels divided by its device pixel ratio); empty for null.
QSizeF pointSize(const QImage &image);

// Tests: replace the image of a name (a null image removes it), or with nullopt go back to
// the drawn one.
void setImageForName(const QString &name, const std::optional<QImage> &image);

} // namespace MCBrowserImages
