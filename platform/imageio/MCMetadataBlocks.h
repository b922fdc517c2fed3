#pragma once

// The metadata blocks of one image file as exiv2 holds them, for the writer that carries a
// source's metadata into a converted file. Internal to platform/imageio: only the metadata
// reader and writer include it (it brings exiv2 along).
#include <QByteArray>
#include <QVariantMap>

#include <exiv2/exiv2.hpp>

#include <string>

namespace platform {

struct MetadataBlocks
{
    Exiv2::ExifData exif; // with the maker note as exiv2 decodes it
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    // The source's XMP packet as it stands when it does not decode even mended (then `xmp`
    // is empty): carried whole, since XMP is a block any output can hold as it is.
    std::string xmpPacket;
    std::string comment;  // the JPEG comment
    QByteArray photoshop; // Photoshop image resources ("8BIM" blocks), IPTC among them
    // The property dictionary the same blocks read as (what readImageMetadata answers), so
    // a run's dictionary can be compared with it key by key.
    QVariantMap properties;
};

// Reads the blocks of the file in `fileData` the way the image source reads them: a
// container's own Exif and XMP blocks where its decoder has them (HEIF), else what exiv2
// finds in the file. False when the file holds none or cannot be read.
bool readMetadataBlocks(const QByteArray &fileData, MetadataBlocks *blocks);

// Decodes an XMP packet, mending it first when the toolkit refuses it for a repeated
// property (the first of each stands). False, with `xmp` empty, when it does not decode.
bool decodeXmpPacket(const std::string &packet, Exiv2::XmpData *xmp);

} // namespace platform
