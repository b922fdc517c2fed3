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
    *out = std::move(bytes);
    return true;
}

} // namespace platform
