#pragma once

#include "platform/core/MCError.h"
#include "platform/graphics/CGTypes.h"

#include <QByteArray>
#include <QString>

// Writing a CGImage as a baseline JPEG, for the framework's own small needs (the disk image
// cache), through the image destination's JPEG encoder without its metadata. 8-bit gray and RGB images are written as they are; any other format is
// first drawn, colour-managed, into 8-bit RGB (or gray for gray images). Alpha is flattened
// over white. The colour space's ICC profile is embedded.
namespace platform {

// The JPEG file's bytes; empty when the image cannot be encoded.
QByteArray encodeJPEG(const CGImageRef &image, double quality = 0.85);

// Writes the file through a temporary file that replaces `path` only when complete, so a
// failure leaves whatever was there. False with `error` filled when encoding or writing fails.
bool writeJPEGFile(const CGImageRef &image, const QString &path, double quality = 0.85, MCError *error = nullptr);

} // namespace platform
