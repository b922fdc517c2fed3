#include "app/library/MCResourceManager.h"

#include "platform/types/UTType.h"

namespace MCResourceManager {
bool isJPEGImageType(const QString &identifier) { return identifier == kUTTypeJPEG; }
bool isBMPImageType(const QString &identifier) { return identifier == kUTTypeBMP; }
bool isGIFImageType(const QString &identifier) { return identifier == kUTTypeGIF; }
bool isJPEG2000ImageType(const QString &identifier) { return identifier == kUTTypeJPEG2000; }
bool isPNGImageType(const QString &identifier) { return identifier == kUTTypePNG; }
bool isTIFFImageType(const QString &identifier) { return identifier == kUTTypeTIFF; }
bool isPDFImageType(const QString &identifier) { return identifier == kUTTypePDF; }
bool isHEICImageType(const QString &identifier)
{
    return identifier == kUTTypeHEIC || identifier == kUTTypeHEIF;
}
} // namespace MCResourceManager
