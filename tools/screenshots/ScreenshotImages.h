#pragma once

// Generated stand-ins for photos, so the pictures need no files.
#include <QImage>

namespace screenshots {

// A landscape-like scene: a sky gradient, a sun, hills and a dark foreground.
QImage landscapePhoto(int width, int height);
// A backlit, mostly dark scene with clipped highlights (a histogram piled at both ends).
QImage nightPhoto(int width, int height);

} // namespace screenshots
