#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGImage.h"

#include <cstring>

#include <libheif/heif.h>

namespace platform {

namespace {

using Context = std::unique_ptr<heif_context, void (*)(heif_context *)>;
using Handle = std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle *)>;
using Image = std::unique_ptr<heif_image, void (*)(const heif_image *)>;

// HEIC, HEIF and AVIF through libheif. libheif applies the container's rotation and mirroring
// while decoding, so the pixels come upright and the dictionary says orientation 1 (an EXIF
// orientation in such files repeats the container's and must not be applied again).
class HeifDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return m_type; }
    bool handlesType(const QString &identifier) const override
    {
        return identifier.compare(QLatin1String("public.heic"), Qt::CaseInsensitive) == 0 ||
               identifier.compare(QLatin1String("public.heif"), Qt::CaseInsensitive) == 0 ||
               identifier.compare(QLatin1String("public.avif"), Qt::CaseInsensitive) == 0;
    }

    bool open(const QByteArray &data) override
    {
        if (data.size() < 12 || data.mid(4, 4) != "ftyp")
            return false;
        const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
        if (heif_check_filetype(bytes, int(std::min<qsizetype>(data.size(), 64))) == heif_filetype_no)
            return false;
        m_data = data;
        Context ctx = openContext();
        if (!ctx)
            return false;
        Handle handle = primary(ctx.get());
        if (!handle)
            return false;
        const int w = heif_image_handle_get_width(handle.get());
        const int h = heif_image_handle_get_height(handle.get());
        if (!dimensionsAllowed(w, h))
            return false;
        m_info.width = size_t(w);
        m_info.height = size_t(h);
        m_info.hasAlpha = heif_image_handle_has_alpha_channel(handle.get());
        m_info.bitsPerComponent = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > 8 ? 16 : 8;
        m_info.model = kCGColorSpaceModelRGB;
        m_info.pixelsUpright = true;
        const heif_color_profile_type profileType = heif_image_handle_get_color_profile_type(handle.get());
        if (profileType == heif_color_profile_type_prof || profileType == heif_color_profile_type_rICC) {
            QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle.get())), Qt::Uninitialized);
            if (!icc.isEmpty() && heif_image_handle_get_raw_color_profile(handle.get(), icc.data()).code == heif_error_Ok)
                m_info.iccProfile = icc;
        }
        m_exif = metadataBlock(handle.get(), "Exif", nullptr);
        // The EXIF block starts with the offset of its TIFF header.
        if (m_exif.size() >= 4) {
            const uint32_t offset = (uint32_t(uchar(m_exif[0])) << 24) | (uint32_t(uchar(m_exif[1])) << 16) |
                                    (uint32_t(uchar(m_exif[2])) << 8) | uint32_t(uchar(m_exif[3]));
            m_exif = offset <= uint32_t(m_exif.size() - 4) ? m_exif.mid(4 + offset) : QByteArray();
        }
        m_xmp = metadataBlock(handle.get(), "mime", "application/rdf+xml");
        const char *mime = heif_get_file_mime_type(bytes, int(std::min<qsizetype>(data.size(), 64)));
        m_type = mime && std::strcmp(mime, "image/avif") == 0   ? QStringLiteral("public.avif")
                 : mime && std::strcmp(mime, "image/heic") == 0 ? QStringLiteral("public.heic")
                                                                : QStringLiteral("public.heif");
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }
    QByteArray exifBlock() const override { return m_exif; }
    QByteArray xmpPacket() const override { return m_xmp; }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index != 0)
            return nullptr;
        Context ctx = openContext();
        if (!ctx)
            return nullptr;
        Handle handle = primary(ctx.get());
        return handle ? decodeHandle(handle.get(), m_info.bitsPerComponent, m_info.hasAlpha) : nullptr;
    }

    CGImageRef embeddedThumbnail(size_t index) override
    {
        if (index != 0)
            return nullptr;
        Context ctx = openContext();
        if (!ctx)
            return nullptr;
        Handle handle = primary(ctx.get());
        heif_item_id id = 0;
        if (!handle || heif_image_handle_get_list_of_thumbnail_IDs(handle.get(), &id, 1) < 1)
            return nullptr;
        heif_image_handle *thumb = nullptr;
        if (heif_image_handle_get_thumbnail(handle.get(), id, &thumb).code != heif_error_Ok || !thumb)
            return nullptr;
        Handle thumbHandle(thumb, heif_image_handle_release);
        return decodeHandle(thumb, 8, heif_image_handle_has_alpha_channel(thumb));
    }

private:
    Context openContext() const
    {
        Context ctx(heif_context_alloc(), heif_context_free);
        if (!ctx)
            return Context(nullptr, heif_context_free);
        heif_context_set_maximum_image_size_limit(ctx.get(), int(CGImage::kMaximumSide));
        if (heif_context_read_from_memory_without_copy(ctx.get(), m_data.constData(), size_t(m_data.size()), nullptr)
                .code != heif_error_Ok)
            return Context(nullptr, heif_context_free);
        return ctx;
    }

    static Handle primary(heif_context *ctx)
    {
        heif_image_handle *handle = nullptr;
        if (heif_context_get_primary_image_handle(ctx, &handle).code != heif_error_Ok)
            return Handle(nullptr, heif_image_handle_release);
        return Handle(handle, heif_image_handle_release);
    }

    static QByteArray metadataBlock(const heif_image_handle *handle, const char *type, const char *contentType)
    {
        heif_item_id ids[8];
        const int n = heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids, 8);
        for (int i = 0; i < n; ++i) {
            if (contentType && std::strcmp(heif_image_handle_get_metadata_content_type(handle, ids[i]), contentType) != 0)
                continue;
            const size_t size = heif_image_handle_get_metadata_size(handle, ids[i]);
            if (size == 0 || size > (64u << 20))
                continue;
            QByteArray block(qsizetype(size), Qt::Uninitialized);
            if (heif_image_handle_get_metadata(handle, ids[i], block.data()).code == heif_error_Ok)
                return block;
        }
        return {};
    }

    CGImageRef decodeHandle(const heif_image_handle *handle, size_t depth, bool alpha) const
    {
        const heif_chroma chroma = depth == 16 ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE
                                                        : heif_chroma_interleaved_RRGGBB_LE)
                                               : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
        heif_image *decoded = nullptr;
        if (heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, nullptr).code != heif_error_Ok || !decoded)
            return nullptr;
        Image image(decoded, heif_image_release);
        const int w = heif_image_get_width(decoded, heif_channel_interleaved);
        const int h = heif_image_get_height(decoded, heif_channel_interleaved);
        int stride = 0;
        const uint8_t *plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
        if (!plane || !dimensionsAllowed(w, h))
            return nullptr;
        const size_t channels = alpha ? 4 : 3;
        const size_t rowBytes = size_t(w) * channels * (depth / 8);
        if (size_t(stride) < rowBytes)
            return nullptr;
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * size_t(h));
        if (!pixels)
            return nullptr;
        const int bits = depth == 16 ? heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) : 8;
        for (int y = 0; y < h; ++y) {
            const uint8_t *in = plane + size_t(y) * size_t(stride);
            uint8_t *out = pixels.get() + size_t(y) * rowBytes;
            if (depth == 8 || bits >= 16) {
                std::memcpy(out, in, rowBytes);
                continue;
            }
            // 10- and 12-bit samples widened to the full 16-bit range.
            for (size_t i = 0; i < size_t(w) * channels; ++i) {
                const uint32_t v = uint32_t(in[2 * i]) | (uint32_t(in[2 * i + 1]) << 8);
                const uint16_t wide = uint16_t((v << (16 - bits)) | (v >> (2 * bits - 16)));
                std::memcpy(out + 2 * i, &wide, 2);
            }
        }
        return makeDecodedImage(size_t(w), size_t(h), depth, false, alpha, false, rowBytes,
                                colorSpaceFor(kCGColorSpaceModelRGB, m_info.iccProfile), std::move(pixels));
    }

    QByteArray m_data;
    ImageInfo m_info;
    QByteArray m_exif;
    QByteArray m_xmp;
    QString m_type = QStringLiteral("public.heif");
};

} // namespace

std::unique_ptr<ImageDecoder> createHeifDecoder() { return std::make_unique<HeifDecoder>(); }

} // namespace platform
