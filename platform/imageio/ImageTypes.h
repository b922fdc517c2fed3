#pragma once

#include <QString>
#include <QStringList>

// The type identifiers our decoders read, as the uniform type registry names them.
namespace platform {

// Every still-image type the image sources read, camera RAW types included.
QStringList CGImageSourceCopyTypeIdentifiers();
// The camera RAW types among them (DNG, CR2, CR3, NEF, ARW, ORF, RAF, RW2 ...).
QStringList cameraRawTypeIdentifiers();
bool isCameraRawType(const QString &identifier);

} // namespace platform
