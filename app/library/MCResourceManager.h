#pragma once

#include <QString>

// Which well-known format a type identifier names: exact comparisons, an empty identifier
// answers false. (The sets of readable and RAW types join once the image reader lists them.)
namespace MCResourceManager {
bool isJPEGImageType(const QString &identifier);
bool isBMPImageType(const QString &identifier);
bool isGIFImageType(const QString &identifier);
bool isJPEG2000ImageType(const QString &identifier);
bool isPNGImageType(const QString &identifier);
bool isTIFFImageType(const QString &identifier);
bool isPDFImageType(const QString &identifier);
bool isHEICImageType(const QString &identifier); // "public.heic" or "public.heif"
} // namespace MCResourceManager
