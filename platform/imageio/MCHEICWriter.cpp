#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"

#include <libheif/heif.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace platform {
namespace {

heif_error heifWrite(heif_context *, const void *data, size_t size, void *userdata)
{
    static_cast<QByteArray *>(userdata)->append(static_cast<const char *>(data), qsizetype(size));
    return heif_error {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

template<typename T, void (*Free)(T *)> struct Releaser
{
    void operator()(T *p) const
    {
        if (p)
            Free(p);
    }
};
template<typename T, void (*Free)(T *)> using HeifPtr = std::unique_ptr<T, Releaser<T, Free>>;

void freeContext(heif_context *p) { heif_context_free(p); }
void freeEncoder(heif_encoder *p) { heif_encoder_release(p); }
void freeImage(heif_image *p) { heif_image_release(p); }
void freeHandle(heif_image_handle *p) { heif_image_handle_release(p); }
void freeOptions(heif_encoding_options *p) { heif_encoding_options_free(p); }

uint64_t readBig(const QByteArray &data, qsizetype at, int size)
{
    uint64_t value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | uint8_t(data[at + i]);
    return value;
}

void writeBig(QByteArray *data, qsizetype at, int size, uint64_t value)
{
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        (*data)[at + i] = char(value & 0xff);
}

// Moves every file offset of the item locations (iloc) that points past the file type box
// back by `delta` bytes. False when the box cannot be read.
bool shiftItemLocations(QByteArray *file, qsizetype iloc, qsizetype end, uint64_t delta)
{
    qsizetype at = iloc + 8;
    if (at + 6 > end)
        return false;
    const int version = uint8_t((*file)[at]);
    at += 4;
    const int offsetSize = uint8_t((*file)[at]) >> 4, lengthSize = uint8_t((*file)[at]) & 15;
    const int baseSize = uint8_t((*file)[at + 1]) >> 4;
    const int indexSize = version >= 1 ? uint8_t((*file)[at + 1]) & 15 : 0;
    at += 2;
    const int countSize = version < 2 ? 2 : 4;
    if (at + countSize > end)
        return false;
    const uint64_t items = readBig(*file, at, countSize);
    at += countSize;
    for (uint64_t i = 0; i < items; ++i) {
        at += version < 2 ? 2 : 4; // item ID
        int method = 0;
        if (version >= 1) {
            if (at + 2 > end)
                return false;
            method = uint8_t((*file)[at + 1]) & 15;
            at += 2;
        }
        if (at + 2 + baseSize + 2 > end)
            return false;
        const bool inFile = method == 0 && readBig(*file, at, 2) == 0; // data reference: this file
        at += 2;
        const uint64_t base = readBig(*file, at, baseSize);
        if (inFile && base >= delta)
            writeBig(file, at, baseSize, base - delta);
        at += baseSize;
        const uint64_t extents = readBig(*file, at, 2);
        at += 2;
        for (uint64_t e = 0; e < extents; ++e) {
            at += indexSize;
            if (at + offsetSize + lengthSize > end)
                return false;
            const uint64_t offset = readBig(*file, at, offsetSize);
            if (inFile && base == 0 && offset >= delta) // relative to the base when there is one
                writeBig(file, at, offsetSize, offset - delta);
            at += offsetSize + lengthSize;
        }
    }
    return true;
}

// libheif lists the compatible brands once per coded image, so a file with a thumbnail names
// each twice. The repeats are taken out of the file type box and the item locations moved by
// the bytes saved. The file is left as it is when its boxes are not laid out as expected.
void removeRepeatedBrands(QByteArray *file)
{
    if (file->size() < 16 || file->mid(4, 4) != "ftyp")
        return;
    const qsizetype typeSize = qsizetype(readBig(*file, 0, 4));
    if (typeSize < 16 || typeSize > file->size() || typeSize % 4 != 0)
        return;
    QList<QByteArray> brands;
    for (qsizetype at = 16; at + 4 <= typeSize; at += 4)
        if (!brands.contains(file->mid(at, 4)))
            brands << file->mid(at, 4);
    const qsizetype delta = typeSize - 16 - 4 * brands.size();
    if (delta == 0)
        return;
    // The meta box among the top-level boxes, and its item locations.
    qsizetype at = typeSize, iloc = -1, ilocEnd = -1;
    while (at + 8 <= file->size() && iloc < 0) {
        const qsizetype size = qsizetype(readBig(*file, at, 4));
        if (size < 8 || at + size > file->size())
            return;
        if (file->mid(at + 4, 4) == "meta") {
            for (qsizetype child = at + 12; child + 8 <= at + size;) {
                const qsizetype childSize = qsizetype(readBig(*file, child, 4));
                if (childSize < 8 || child + childSize > at + size)
                    return;
                if (file->mid(child + 4, 4) == "iloc") {
                    iloc = child;
                    ilocEnd = child + childSize;
                    break;
                }
                child += childSize;
            }
            if (iloc < 0)
                return;
        }
        at += size;
    }
    QByteArray shifted = *file;
    if (iloc < 0 || !shiftItemLocations(&shifted, iloc, ilocEnd, uint64_t(delta)))
        return;
    QByteArray type = shifted.left(16);
    for (const QByteArray &brand : brands)
        type += brand;
    writeBig(&type, 0, 4, uint64_t(type.size()));
    *file = type + shifted.mid(typeSize);
}

} // namespace

bool encodeHEIC(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
                QByteArray *out, MCError *error)
{
    auto failed = [&](const heif_error &e) {
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed,
                                             QStringLiteral("The HEIC encoder failed: %1").arg(QString::fromUtf8(e.message))));
    };
    QByteArray exif, xmp;
    if (!encodeMetadataBlocks(pixels, options, properties, &exif, &xmp, error))
        return false;

    HeifPtr<heif_context, freeContext> context(heif_context_alloc());
    heif_encoder *rawEncoder = nullptr;
    heif_error e = heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder);
    HeifPtr<heif_encoder, freeEncoder> encoder(rawEncoder);
    if (e.code != heif_error_Ok)
        return failed(e);
    heif_encoder_set_lossy_quality(encoder.get(), int(std::lround(options.quality * 100.0)));

    const int w = int(pixels.width()), h = int(pixels.height());
    const bool gray = pixels.model() == kCGColorSpaceModelMonochrome;
    const bool alpha = pixels.hasAlpha();
    heif_image *rawImage = nullptr;
    e = heif_image_create(w, h, gray ? heif_colorspace_monochrome : heif_colorspace_RGB,
                          gray ? heif_chroma_monochrome : alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          &rawImage);
    HeifPtr<heif_image, freeImage> image(rawImage);
    if (e.code != heif_error_Ok)
        return failed(e);
    const heif_channel main = gray ? heif_channel_Y : heif_channel_interleaved;
    if ((e = heif_image_add_plane(image.get(), main, w, h, 8)).code != heif_error_Ok)
        return failed(e);
    if (gray && alpha && (e = heif_image_add_plane(image.get(), heif_channel_Alpha, w, h, 8)).code != heif_error_Ok)
        return failed(e);
    int stride = 0, alphaStride = 0;
    uint8_t *plane = heif_image_get_plane(image.get(), main, &stride);
    uint8_t *alphaPlane = gray && alpha ? heif_image_get_plane(image.get(), heif_channel_Alpha, &alphaStride) : nullptr;
    std::vector<uint8_t> line(pixels.rowBytes(true));
    for (int y = 0; y < h; ++y) {
        if (!gray || !alpha) {
            pixels.copyRow(size_t(y), plane + size_t(y) * size_t(stride), true);
            continue;
        }
        pixels.copyRow(size_t(y), line.data(), true);
        for (int x = 0; x < w; ++x) {
            plane[size_t(y) * size_t(stride) + size_t(x)] = line[size_t(x) * 2];
            alphaPlane[size_t(y) * size_t(alphaStride) + size_t(x)] = line[size_t(x) * 2 + 1];
        }
    }
    const QByteArray icc = pixels.iccData();
    if (!icc.isEmpty())
        heif_image_set_raw_color_profile(image.get(), "prof", icc.constData(), size_t(icc.size()));

    HeifPtr<heif_encoding_options, freeOptions> encoding(heif_encoding_options_alloc());
    heif_image_handle *rawHandle = nullptr;
    e = heif_context_encode_image(context.get(), image.get(), encoder.get(), encoding.get(), &rawHandle);
    HeifPtr<heif_image_handle, freeHandle> handle(rawHandle);
    if (e.code != heif_error_Ok)
        return failed(e);
    if (options.embedThumbnail && std::max(w, h) > 320) {
        heif_image_handle *thumbnail = nullptr;
        e = heif_context_encode_thumbnail(context.get(), image.get(), handle.get(), encoder.get(), encoding.get(), 320,
                                          &thumbnail);
        HeifPtr<heif_image_handle, freeHandle> thumbnailHandle(thumbnail);
        if (e.code != heif_error_Ok)
            return failed(e);
    }
    if (!exif.isEmpty() &&
        (e = heif_context_add_exif_metadata(context.get(), handle.get(), exif.constData(), int(exif.size()))).code != heif_error_Ok)
        return failed(e);
    if (!xmp.isEmpty() &&
        (e = heif_context_add_XMP_metadata(context.get(), handle.get(), xmp.constData(), int(xmp.size()))).code != heif_error_Ok)
        return failed(e);
    QByteArray bytes;
    heif_writer writer {1, heifWrite};
    if ((e = heif_context_write(context.get(), &writer, &bytes)).code != heif_error_Ok)
        return failed(e);
    removeRepeatedBrands(&bytes);
    *out = std::move(bytes);
    return true;
}

} // namespace platform
