#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/ImageTypes.h"

#include <cstring>

#include <libraw/libraw.h>

namespace platform {

namespace {

// libraw reads camera files through its own parsers and demosaics them. We keep the pixels as
// the sensor stores them (no rotation: the orientation tag of the file's metadata describes
// them), develop with the camera's white balance into 16-bit sRGB, and use the embedded
// preview for thumbnails.
class RawDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return m_type; }
    bool handlesType(const QString &identifier) const override { return isCameraRawType(identifier); }

    bool open(const QByteArray &data) override
    {
        m_data = data;
        std::unique_ptr<LibRaw> raw = openRaw();
        if (!raw)
            return false;
        const auto &sizes = raw->imgdata.sizes;
        m_info.width = sizes.width;
        m_info.height = sizes.height;
        m_info.bitsPerComponent = 16;
        m_info.model = kCGColorSpaceModelRGB;
        m_info.iccProfile = CGColorSpace::createDeviceRGB()->iccData();
        m_type = typeFor(raw->imgdata.idata, data);
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }

    CGImageRef decode(size_t index, size_t minimumSide) override
    {
        if (index != 0)
            return nullptr;
        std::unique_ptr<LibRaw> raw = openRaw();
        if (!raw)
            return nullptr;
        auto &params = raw->imgdata.params;
        params.user_flip = 0;
        params.output_bps = 16;
        params.output_color = 1; // sRGB primaries
        params.gamm[0] = 1.0 / 2.4;
        params.gamm[1] = 12.92;
        params.use_camera_wb = 1;
        params.no_auto_bright = 0;
        // Half size skips demosaicing; good enough whenever a smaller image was asked for.
        if (minimumSide > 0 && std::max(m_info.width, m_info.height) / 2 >= minimumSide)
            params.half_size = 1;
        if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS)
            return nullptr;
        int error = 0;
        libraw_processed_image_t *processed = raw->dcraw_make_mem_image(&error);
        if (!processed)
            return nullptr;
        std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> holder(
            processed, LibRaw::dcraw_clear_mem);
        return imageFrom(*processed);
    }

    CGImageRef embeddedThumbnail(size_t index) override
    {
        if (index != 0)
            return nullptr;
        std::unique_ptr<LibRaw> raw = openRaw();
        if (!raw || raw->unpack_thumb() != LIBRAW_SUCCESS)
            return nullptr;
        int error = 0;
        libraw_processed_image_t *thumb = raw->dcraw_make_mem_thumb(&error);
        if (!thumb)
            return nullptr;
        std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> holder(
            thumb, LibRaw::dcraw_clear_mem);
        if (thumb->type == LIBRAW_IMAGE_JPEG) {
            const QByteArray jpeg(reinterpret_cast<const char *>(thumb->data), int(thumb->data_size));
            std::unique_ptr<ImageDecoder> decoder = createJpegDecoder();
            return decoder->open(jpeg) ? decoder->decode(0, 0) : nullptr;
        }
        return imageFrom(*thumb);
    }

private:
    std::unique_ptr<LibRaw> openRaw() const
    {
        if (m_data.size() < 16)
            return nullptr;
        auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
        // libraw takes a non-const pointer but only reads the buffer.
        if (raw->open_buffer(const_cast<char *>(m_data.constData()), size_t(m_data.size())) != LIBRAW_SUCCESS)
            return nullptr;
        const auto &sizes = raw->imgdata.sizes;
        if (!dimensionsAllowed(sizes.width, sizes.height) || !dimensionsAllowed(sizes.raw_width, sizes.raw_height))
            return nullptr;
        return raw;
    }

    CGImageRef imageFrom(const libraw_processed_image_t &p) const
    {
        if (p.type != LIBRAW_IMAGE_BITMAP || (p.bits != 8 && p.bits != 16) || (p.colors != 1 && p.colors != 3) ||
            !dimensionsAllowed(p.width, p.height))
            return nullptr;
        const size_t rowBytes = size_t(p.width) * p.colors * (p.bits / 8);
        if (size_t(p.data_size) < rowBytes * p.height)
            return nullptr;
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * p.height);
        if (!pixels)
            return nullptr;
        std::memcpy(pixels.get(), p.data, rowBytes * p.height);
        const CGColorSpaceModel model = p.colors == 1 ? kCGColorSpaceModelMonochrome : kCGColorSpaceModelRGB;
        return makeDecodedImage(p.width, p.height, p.bits, false, false, false, rowBytes, colorSpaceFor(model, {}),
                                std::move(pixels));
    }

    static QString typeFor(const libraw_iparams_t &id, const QByteArray &data)
    {
        if (id.dng_version)
            return QStringLiteral("com.adobe.raw-image");
        const QString make = QString::fromLatin1(id.make).toLower();
        if (make.startsWith(QLatin1String("canon")))
            return data.mid(4, 8) == "ftypcrx " ? QStringLiteral("com.canon.cr3-raw-image")
                   : data.startsWith("II\x1a")  ? QStringLiteral("com.canon.crw-raw-image")
                                                : QStringLiteral("com.canon.cr2-raw-image");
        static const struct { const char *make; const char *type; } kMakes[] = {
            {"nikon", "com.nikon.raw-image"},        {"sony", "com.sony.arw-raw-image"},
            {"olympus", "com.olympus.raw-image"},    {"om digital", "com.olympus.raw-image"},
            {"fujifilm", "com.fuji.raw-image"},      {"panasonic", "com.panasonic.rw2-raw-image"},
            {"leica", "com.leica.rwl-raw-image"},    {"pentax", "com.pentax.raw-image"},
            {"ricoh", "com.pentax.raw-image"},       {"samsung", "com.samsung.raw-image"},
            {"minolta", "com.konicaminolta.raw-image"}, {"konica", "com.konicaminolta.raw-image"},
            {"epson", "com.epson.raw-image"},        {"kodak", "com.kodak.raw-image"},
            {"sigma", "com.sigma.raw-image"},        {"hasselblad", "com.hasselblad.3fr-raw-image"},
            {"phase one", "com.phaseone.raw-image"}, {"leaf", "com.leafamerica.raw-image"},
        };
        for (const auto &entry : kMakes)
            if (make.startsWith(QLatin1String(entry.make)))
                return QString::fromLatin1(entry.type);
        return QStringLiteral("public.camera-raw-image");
    }

    QByteArray m_data;
    ImageInfo m_info;
    QString m_type = QStringLiteral("public.camera-raw-image");
};

} // namespace

std::unique_ptr<ImageDecoder> createRawDecoder() { return std::make_unique<RawDecoder>(); }

} // namespace platform
