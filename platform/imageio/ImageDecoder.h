#pragma once

#include "platform/graphics/CGTypes.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <vector>

// The decoders behind CGImageSource: one per file format, each reading from memory.
//
// A decoded image keeps the file's own colour model and depth: gray, RGB, CMYK or Lab with
// 8 or 16 bits per component (16-bit components in host byte order) or 32-bit float, alpha
// last and not premultiplied unless the file stores it premultiplied. The colour space is the
// embedded ICC profile when it fits the pixels, else sRGB / gray with sRGB's tone curve /
// generic CMYK / Lab. Lab pixels use the ICC encoding: L 0..max for 0..100, a and b offset by half the range.
//
// Every decoder refuses dimensions beyond CGImage::kMaximumSide / kMaximumPixelCount before it
// allocates, installs its codec's error handlers so a broken file never aborts the process or
// reads past its buffer, and answers nullptr for anything it cannot decode.
namespace platform {

struct ImageInfo
{
    size_t width = 0;
    size_t height = 0;
    size_t bitsPerComponent = 8;       // "Depth" of the property dictionary
    CGColorSpaceModel model = kCGColorSpaceModelRGB;
    bool hasAlpha = false;
    bool isFloat = false;
    bool isIndexed = false;
    QByteArray iccProfile;
    double dpiWidth = 0;               // 0 when the file does not say
    double dpiHeight = 0;
    int orientation = 0;               // 0 when the container does not say (exiv2 may)
    bool pixelsUpright = false;        // the decoder already turned the pixels (HEIF's own
                                       // rotation): the dictionary then says orientation 1
};

class ImageDecoder
{
public:
    virtual ~ImageDecoder() = default;

    // The type identifier of the format ("public.jpeg"); after open() the file's exact type
    // where the decoder reads several ("public.avif", "com.canon.cr3-raw-image").
    virtual QString typeIdentifier() const = 0;
    // Whether the decoder is the one for files of the type (identifiers without case).
    virtual bool handlesType(const QString &identifier) const
    {
        return typeIdentifier().compare(identifier, Qt::CaseInsensitive) == 0;
    }
    // Reads the header of `data`, which outlives the decoder. False when the data is not a
    // readable image of this format.
    virtual bool open(const QByteArray &data) = 0;
    virtual size_t count() const { return 1; }
    virtual ImageInfo info(size_t index) const = 0;
    // The image at `index`. With `minimumSide` > 0 a decoder that can decode at reduced size
    // cheaply (JPEG DCT scaling, RAW half size) may return a smaller image whose larger side
    // is still at least `minimumSide`; callers scale the rest of the way.
    virtual CGImageRef decode(size_t index, size_t minimumSide = 0) = 0;
    // The image at `index` for editing at reduced size: smaller only by a factor that maps
    // both sides onto whole pixels, so the reduced image covers exactly the full one's extent
    // and a resampler working from it places every edge where the full image has it; its
    // larger side at least `minimumSide`. The full image where no such factor serves, and from
    // decoders that cannot reduce cheaply.
    virtual CGImageRef decodeReduced(size_t index, size_t minimumSide) { return decode(index, 0); }
    // A thumbnail the file embeds (decoded), or nullptr. The generic EXIF/preview reading
    // of CGImageSource is used for formats that answer nullptr here.
    virtual CGImageRef embeddedThumbnail(size_t index) { return nullptr; }
    // Entries of the property dictionary only the format knows ("{PNG}", "{GIF}", "{JFIF}"),
    // merged over what the metadata reader found.
    virtual QVariantMap formatProperties(size_t index) const { return {}; }
    // Metadata blocks of containers exiv2 cannot open itself: EXIF as a TIFF structure
    // ("II*\0..." / "MM\0*..."), and the XMP packet.
    virtual QByteArray exifBlock() const { return {}; }
    virtual QByteArray xmpPacket() const { return {}; }
};

// A decoder for `data` chosen by its content (never by a file name), already opened; nullptr
// when no decoder reads it. The decoder that handles `preferredType` is tried first (a camera
// RAW file is a TIFF file too, but its raw type asks for the RAW decoder).
std::unique_ptr<ImageDecoder> createDecoder(const QByteArray &data, const QString &preferredType = QString());

// One unopened decoder of every format (for tests and the fuzzer, which feed each the same bytes).
std::vector<std::unique_ptr<ImageDecoder>> createAllDecoders();

// ---- helpers shared by the decoders

// True when a width × height image may be allocated. A refusal is noted for the thread (see
// DecodeRefusals).
bool dimensionsAllowed(qint64 width, qint64 height);
// Zero-filled pixel memory, or nullptr when it cannot be had (noted for the thread). A
// decoder that writes every byte itself (or fails) asks for it `uncleared`: clearing a large
// buffer that is overwritten at once costs as much as a pass of the decoder.
std::shared_ptr<uint8_t> allocatePixels(size_t bytes, bool uncleared = false);

// What the decoders refused on this thread since the object was made: decoders answer false
// or nullptr alike for broken data, for an image over the size limits and for one there is no
// memory for; this tells the cases apart for the message a user sees. Scopes may nest.
class DecodeRefusals
{
public:
    DecodeRefusals();
    ~DecodeRefusals();
    DecodeRefusals(const DecodeRefusals &) = delete;
    DecodeRefusals &operator=(const DecodeRefusals &) = delete;

    bool tooLarge() const;
    bool outOfMemory() const;

private:
    unsigned m_savedFlags;
};

// Whether `data` begins like a file of a format the decoders read (JPEG, PNG, GIF, BMP, WebP,
// HEIF/AVIF, JPEG 2000, TIFF and the TIFF-like RAW formats): content that no decoder opens is
// then damaged rather than of an unknown format.
bool hasImageSignature(const QByteArray &data);
// The colour space for decoded pixels: the ICC profile when it parses and matches `model`,
// else the default space of the model.
CGColorSpaceRef colorSpaceFor(CGColorSpaceModel model, const QByteArray &iccProfile);
// Makes the image over freshly decoded pixels in the decoders' layout (interleaved,
// `components` colour components + optional alpha last).
CGImageRef makeDecodedImage(size_t width, size_t height, size_t bitsPerComponent, bool isFloat, bool hasAlpha,
                            bool premultiplied, size_t bytesPerRow, const CGColorSpaceRef &space,
                            std::shared_ptr<uint8_t> pixels);

} // namespace platform
