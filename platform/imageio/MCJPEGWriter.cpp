#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"
#include "platform/graphics/CGColorSpace.h"

#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

struct JpegErrorManager
{
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

void jpegErrorExit(j_common_ptr info)
{
    auto *manager = reinterpret_cast<JpegErrorManager *>(info->err);
    (*info->err->format_message)(info, manager->message);
    longjmp(manager->jump, 1);
}

// Compresses 8-bit interleaved rows that `row` fills. `cmykInverted` marks Adobe-style CMYK.
template<typename RowFunction>
bool compress(int width, int height, int components, J_COLOR_SPACE space, int quality, double dpiX, double dpiY,
              const QByteArray &icc, RowFunction row, QByteArray *out, MCError *error)
{
    jpeg_compress_struct info {};
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jpegErrorExit;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    std::vector<JSAMPLE> line(size_t(width) * components);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        free(buffer);
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed,
                                             QStringLiteral("The JPEG encoder failed: %1").arg(errors.message)));
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (space != JCS_CMYK) {
        info.density_unit = 1; // dots per inch
        info.X_density = UINT16(std::clamp(std::lround(dpiX), 1L, 65535L));
        info.Y_density = UINT16(std::clamp(std::lround(dpiY), 1L, 65535L));
    }
    // Full-resolution chroma at the top qualities keeps fine colour detail, as photographers expect.
    if (components == 3 && quality >= 90)
        for (int c = 0; c < 3; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    // The standard Huffman tables, as cjpeg and vips write by default: optimised tables save
    // about a tenth of the bytes but make libjpeg keep every coefficient of the photo (100 MB
    // for 18 megapixels) and code it twice, which took several times the encoding itself.
    info.optimize_coding = FALSE;
    jpeg_start_compress(&info, TRUE);
    if (!icc.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET *>(icc.constData()), unsigned(icc.size()));
    while (info.next_scanline < info.image_height) {
        row(size_t(info.next_scanline), line.data());
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    *out = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size));
    free(buffer);
    return true;
}

// Interleaved 8-bit CMYK (0 for no ink) of the image's colour space as interleaved sRGB; empty
// when the profiles give no transform.
std::vector<uint8_t> cmykToSRGB(const WriterPixels &pixels, const std::vector<uint8_t> &cmyk)
{
    const CGColorSpaceRef source = pixels.image().colorSpace();
    const CGColorSpaceRef sRGB = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    if (!source || !source->lcmsProfile() || !sRGB || !sRGB->lcmsProfile())
        return {};
    cmsHTRANSFORM transform = cmsCreateTransform(source->lcmsProfile(), TYPE_CMYK_8, sRGB->lcmsProfile(), TYPE_RGB_8,
                                                 INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    if (!transform)
        return {};
    const size_t count = cmyk.size() / 4;
    std::vector<uint8_t> rgb(count * 3);
    cmsDoTransform(transform, cmyk.data(), rgb.data(), cmsUInt32Number(count));
    cmsDeleteTransform(transform);
    return rgb;
}

int jpegQuality(double quality)
{
    return std::clamp(int(std::lround(quality * 100.0)), 1, 100);
}

} // namespace

bool encodeJPEG(const WriterPixels &pixels, const WriterOptions &options, QByteArray *out, MCError *error)
{
    const int components = int(pixels.colours());
    J_COLOR_SPACE space = JCS_RGB;
    if (pixels.model() == kCGColorSpaceModelMonochrome)
        space = JCS_GRAYSCALE;
    else if (pixels.model() == kCGColorSpaceModelCMYK)
        space = JCS_CMYK;
    const bool invert = space == JCS_CMYK;
    return compress(int(pixels.width()), int(pixels.height()), components, space, jpegQuality(options.quality),
                    options.dpiX, options.dpiY, pixels.iccData(),
                    [&](size_t y, JSAMPLE *line) {
                        pixels.copyRow(y, line, false);
                        if (invert) // Adobe CMYK JPEG stores 255 for no ink
                            for (size_t i = 0; i < pixels.rowBytes(false); ++i)
                                line[i] = JSAMPLE(255 - line[i]);
                    },
                    out, error);
}

std::vector<uint8_t> reduceToThumbnail(const WriterPixels &pixels, int maxSide, int *width, int *height)
{
    const CGColorSpaceModel model = pixels.model();
    if (pixels.bitsPerComponent() != 8 ||
        (model != kCGColorSpaceModelRGB && model != kCGColorSpaceModelMonochrome && model != kCGColorSpaceModelCMYK))
        return {};
    const size_t w = pixels.width(), h = pixels.height();
    const double scale = std::min(1.0, double(maxSide) / double(std::max(w, h)));
    const int tw = std::max(1, int(std::lround(w * scale)));
    const int th = std::max(1, int(std::lround(h * scale)));
    const size_t n = pixels.colours();
    // Box filter: each thumbnail pixel averages the source pixels its area covers.
    std::vector<uint32_t> sums(size_t(tw) * th * n, 0);
    std::vector<uint32_t> counts(size_t(tw) * th, 0);
    std::vector<uint8_t> line(pixels.rowBytes(false));
    for (size_t y = 0; y < h; ++y) {
        pixels.copyRow(y, line.data(), false);
        const size_t ty = std::min(size_t(th - 1), y * size_t(th) / h);
        for (size_t x = 0; x < w; ++x) {
            const size_t tx = std::min(size_t(tw - 1), x * size_t(tw) / w);
            const size_t t = ty * tw + tx;
            counts[t]++;
            for (size_t c = 0; c < n; ++c)
                sums[t * n + c] += line[x * n + c];
        }
    }
    std::vector<uint8_t> result(sums.size());
    for (size_t t = 0; t < counts.size(); ++t)
        for (size_t c = 0; c < n; ++c)
            result[t * n + c] = uint8_t((sums[t * n + c] + counts[t] / 2) / std::max(1u, counts[t]));
    *width = tw;
    *height = th;
    return result;
}

QByteArray makeThumbnailJPEG(const WriterPixels &pixels, int maxSide)
{
    int tw = 0, th = 0;
    std::vector<uint8_t> small = reduceToThumbnail(pixels, maxSide, &tw, &th);
    if (small.empty())
        return {};
    int n = int(pixels.colours());
    if (pixels.model() == kCGColorSpaceModelCMYK) {
        // A thumbnail is a baseline YCbCr JPEG (no reader takes one as ink), so the reduced
        // CMYK is converted to sRGB through the image's own profile.
        small = cmykToSRGB(pixels, small);
        if (small.empty())
            return {};
        n = 3;
    }
    QByteArray out;
    compress(tw, th, n, n == 1 ? JCS_GRAYSCALE : JCS_RGB, 75, 72, 72, {},
             [&](size_t y, JSAMPLE *line) { std::copy_n(small.data() + y * tw * n, size_t(tw) * n, line); }, &out,
             nullptr);
    return out;
}

} // namespace platform
