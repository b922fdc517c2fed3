#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace platform {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: we jump back to
// the decoder. A premature end of data is only a warning to libjpeg (it pads the image with
// gray); we treat it as a failure so a truncated file never passes for a good one.
struct ErrorManager
{
    jpeg_error_mgr base;
    jmp_buf jump;
    bool truncated = false;
};

void errorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        manager->truncated = true;
}

void outputMessage(j_common_ptr) {}

class JpegDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("public.jpeg"); }

    bool open(const QByteArray &data) override
    {
        if (data.size() < 4 || uchar(data[0]) != 0xFF || uchar(data[1]) != 0xD8 || uchar(data[2]) != 0xFF)
            return false;
        m_data = data;
        jpeg_decompress_struct cinfo;
        ErrorManager err;
        if (!start(cinfo, err))
            return false;
        if (setjmp(err.jump)) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        m_info.width = cinfo.image_width;
        m_info.height = cinfo.image_height;
        m_info.bitsPerComponent = 8;
        m_info.model = modelFor(cinfo.jpeg_color_space);
        JOCTET *icc = nullptr;
        unsigned int iccLength = 0;
        if (jpeg_read_icc_profile(&cinfo, &icc, &iccLength) && icc) {
            m_info.iccProfile = QByteArray(reinterpret_cast<const char *>(icc), int(iccLength));
            free(icc);
        }
        m_progressive = jpeg_has_multiple_scans(&cinfo);
        if (cinfo.saw_JFIF_marker) {
            m_jfif = true;
            m_jfifVersion = {int(cinfo.JFIF_major_version), int(cinfo.JFIF_minor_version)};
            m_densityUnit = cinfo.density_unit;
            m_xDensity = cinfo.X_density;
            m_yDensity = cinfo.Y_density;
            const double perInch = cinfo.density_unit == 1 ? 1.0 : cinfo.density_unit == 2 ? 2.54 : 0.0;
            m_info.dpiWidth = cinfo.X_density * perInch;
            m_info.dpiHeight = cinfo.Y_density * perInch;
        }
        jpeg_destroy_decompress(&cinfo);
        return dimensionsAllowed(qint64(m_info.width), qint64(m_info.height));
    }

    ImageInfo info(size_t) const override { return m_info; }

    CGImageRef decode(size_t index, size_t minimumSide) override
    {
        // DCT scaling: the smallest eighth whose larger side still covers minimumSide.
        unsigned eighths = 8;
        if (minimumSide > 0) {
            const size_t side = std::max(m_info.width, m_info.height);
            while (eighths > 1 && side * (eighths - 1) / 8 >= minimumSide)
                --eighths;
        }
        return decodeInEighths(index, eighths);
    }

    CGImageRef decodeReduced(size_t index, size_t minimumSide) override
    {
        // The smallest eighth that reduces both sides to whole pixels and keeps the larger
        // one at least minimumSide; the decoder's last row and column then stand for whole
        // blocks of the full image, not parts of one.
        const size_t side = std::max(m_info.width, m_info.height);
        unsigned eighths = 8;
        for (unsigned n = 7; n >= 1 && side * n >= minimumSide * 8; --n) {
            if ((m_info.width * n) % 8 == 0 && (m_info.height * n) % 8 == 0)
                eighths = n;
        }
        return decodeInEighths(index, eighths);
    }

private:
    CGImageRef decodeInEighths(size_t index, unsigned eighths)
    {
        if (index != 0)
            return nullptr;
        jpeg_decompress_struct cinfo;
        ErrorManager err;
        if (!start(cinfo, err))
            return nullptr;
        // Everything that lives across the setjmp is declared before it.
        std::shared_ptr<uint8_t> pixels;
        if (setjmp(err.jump)) {
            jpeg_destroy_decompress(&cinfo);
            return nullptr;
        }
        const CGColorSpaceModel model = modelFor(cinfo.jpeg_color_space);
        cinfo.out_color_space = model == kCGColorSpaceModelMonochrome ? JCS_GRAYSCALE
                                : model == kCGColorSpaceModelCMYK     ? JCS_CMYK
                                                                      : JCS_RGB;
        cinfo.scale_num = eighths;
        cinfo.scale_denom = 8;
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        const size_t width = cinfo.output_width;
        const size_t height = cinfo.output_height;
        const size_t components = size_t(cinfo.output_components);
        const size_t rowBytes = width * components;
        // Every row is written below, or the decode fails: no need to clear the memory.
        pixels = allocatePixels(rowBytes * height, true);
        if (!pixels) {
            jpeg_destroy_decompress(&cinfo);
            return nullptr;
        }
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + size_t(cinfo.output_scanline) * rowBytes;
            jpeg_read_scanlines(&cinfo, &row, 1);
            if (err.truncated)
                break;
        }
        // Adobe's CMYK JPEGs store inverted ink values.
        const bool invert = model == kCGColorSpaceModelCMYK && cinfo.saw_Adobe_marker;
        if (!err.truncated)
            jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        if (err.truncated)
            return nullptr;
        if (invert) {
            uint8_t *p = pixels.get();
            for (size_t i = 0, n = rowBytes * height; i < n; ++i)
                p[i] = uint8_t(255 - p[i]);
        }
        return makeDecodedImage(width, height, 8, false, false, false, rowBytes,
                                colorSpaceFor(model, m_info.iccProfile), std::move(pixels));
    }

public:
    QVariantMap formatProperties(size_t) const override
    {
        if (!m_jfif)
            return {};
        QVariantMap jfif{
            {kCGImagePropertyJFIFVersion, m_jfifVersion},
            {kCGImagePropertyJFIFDensityUnit, m_densityUnit},
            {kCGImagePropertyJFIFXDensity, m_xDensity},
            {kCGImagePropertyJFIFYDensity, m_yDensity},
            {kCGImagePropertyJFIFIsProgressive, m_progressive},
        };
        return {{kCGImagePropertyJFIFDictionary, jfif}};
    }

private:
    static CGColorSpaceModel modelFor(J_COLOR_SPACE space)
    {
        switch (space) {
        case JCS_GRAYSCALE:
            return kCGColorSpaceModelMonochrome;
        case JCS_CMYK:
        case JCS_YCCK:
            return kCGColorSpaceModelCMYK;
        default:
            return kCGColorSpaceModelRGB;
        }
    }

    // Creates the decompressor over the data and reads the header; false on failure (the
    // struct is then already destroyed).
    bool start(jpeg_decompress_struct &cinfo, ErrorManager &err)
    {
        cinfo.err = jpeg_std_error(&err.base);
        err.base.error_exit = errorExit;
        err.base.emit_message = emitMessage;
        err.base.output_message = outputMessage;
        if (setjmp(err.jump)) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(m_data.constData()),
                     static_cast<unsigned long>(m_data.size()));
        jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
        jpeg_read_header(&cinfo, TRUE);
        if (!dimensionsAllowed(cinfo.image_width, cinfo.image_height)) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        return true;
    }

    QByteArray m_data;
    ImageInfo m_info;
    bool m_progressive = false;
    bool m_jfif = false;
    QVariantList m_jfifVersion;
    int m_densityUnit = 0;
    int m_xDensity = 0;
    int m_yDensity = 0;
};

} // namespace

std::unique_ptr<ImageDecoder> createJpegDecoder() { return std::make_unique<JpegDecoder>(); }

} // namespace platform
