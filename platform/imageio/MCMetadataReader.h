#pragma once

#include <QByteArray>
#include <QVariantMap>

// Reading the metadata blocks of an image file (EXIF, IPTC, XMP) with exiv2 into the
// sub-dictionaries of the property dictionary ("{Exif}", "{ExifAux}", "{TIFF}", "{GPS}",
// "{IPTC}") and the top-level "Orientation". Unreadable or absent metadata gives an empty
// map; nothing here throws.
namespace platform {

QVariantMap readImageMetadata(const QByteArray &fileData);
// The same over blocks a decoder took out of its container: an EXIF TIFF structure and an XMP
// packet (either may be empty).
QVariantMap readImageMetadataFromBlocks(const QByteArray &exifBlock, const QByteArray &xmpPacket);

// The largest preview image the file embeds (EXIF thumbnail, RAW previews, ...) whose larger
// side is at least `minimumSide`, as encoded bytes (usually JPEG); the smallest one above
// the size is preferred so thumbnails stay cheap. Empty when there is none.
QByteArray embeddedPreview(const QByteArray &fileData, size_t minimumSide);

} // namespace platform
