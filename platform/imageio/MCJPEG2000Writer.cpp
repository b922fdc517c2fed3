#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <openjpeg.h>

// JPEG 2000 files are written in two steps: openjpeg encodes the bare codestream, and the JP2
// boxes around it (signature, file type, header with the colour box and the
// resolution, metadata) are written here. openjpeg's own JP2 writer cannot be given an ICC
// profile safely, and the boxes are simple enough to own.

namespace platform {
namespace {

// A growable in-memory output that openjpeg can write, skip and seek in.
struct OutputStream
{
    QByteArray bytes;
    qsizetype position = 0;

    void ensure(qsizetype end)
    {
        if (end > bytes.size())
            bytes.append(QByteArray(end - bytes.size(), '\0'));
    }
};

OPJ_SIZE_T streamWrite(void *buffer, OPJ_SIZE_T length, void *user)
{
    auto *s = static_cast<OutputStream *>(user);
    s->ensure(s->position + qsizetype(length));
    std::memcpy(s->bytes.data() + s->position, buffer, length);
    s->position += qsizetype(length);
    return length;
}

OPJ_OFF_T streamSkip(OPJ_OFF_T count, void *user)
{
    auto *s = static_cast<OutputStream *>(user);
    if (count < 0 && -count > s->position)
        return -1;
    s->position += qsizetype(count);
    s->ensure(s->position);
    return count;
}

OPJ_BOOL streamSeek(OPJ_OFF_T position, void *user)
{
    auto *s = static_cast<OutputStream *>(user);
    if (position < 0)
        return OPJ_FALSE;
    s->position = qsizetype(position);
    s->ensure(s->position);
    return OPJ_TRUE;
}

void quiet(const char *, void *) {}

struct CodecDeleter
{
    void operator()(opj_codec_t *p) const { opj_destroy_codec(p); }
};
struct ImageDeleter
{
    void operator()(opj_image_t *p) const { opj_image_destroy(p); }
};
struct StreamDeleter
{
    void operator()(opj_stream_t *p) const { opj_stream_destroy(p); }
};

// The compression ratio for a quality below 1: 2:1 near the top, 256:1 at 0, evenly on a
// logarithmic scale in between, so that each step of quality costs the same factor of size.
float compressionRatio(double quality)
{
    return float(std::exp2(1.0 + 7.0 * (1.0 - quality)));
}

// Resolution levels: the default of six, fewer for images too small to halve that often.
int resolutionLevels(size_t width, size_t height)
{
    int levels = 1;
    size_t side = std::min(width, height);
    while (levels < 6 && side >= 2) {
        side /= 2;
        ++levels;
    }
    return levels;
}

// The codestream of the pixels: lossless (reversible 5/3 wavelet) at quality 1, else the
// irreversible 9/7 wavelet at the rate of compressionRatio. False with the reason otherwise.
bool encodeCodestream(const WriterPixels &pixels, const WriterOptions &options, QByteArray *out, MCError *error)
{
    auto failed = [&](const QString &reason) {
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed,
                                             QStringLiteral("The JPEG 2000 encoder failed: %1").arg(reason)));
    };
    const size_t width = pixels.width(), height = pixels.height();
    const size_t channels = pixels.samples(true);
    const size_t precision = pixels.bitsPerComponent();
    if (width > 0x7fffffff || height > 0x7fffffff)
        return failed(QStringLiteral("the image is too large"));

    std::vector<opj_image_cmptparm_t> components(channels);
    for (opj_image_cmptparm_t &c : components) {
        std::memset(&c, 0, sizeof c);
        c.dx = c.dy = 1;
        c.w = OPJ_UINT32(width);
        c.h = OPJ_UINT32(height);
        c.prec = OPJ_UINT32(precision);
        c.sgnd = 0;
    }
    OPJ_COLOR_SPACE space = OPJ_CLRSPC_SRGB;
    if (pixels.model() == kCGColorSpaceModelMonochrome)
        space = OPJ_CLRSPC_GRAY;
    else if (pixels.model() == kCGColorSpaceModelCMYK)
        space = OPJ_CLRSPC_CMYK;
    std::unique_ptr<opj_image_t, ImageDeleter> image(opj_image_create(OPJ_UINT32(channels), components.data(), space));
    if (!image)
        return failed(QStringLiteral("out of memory"));
    image->x0 = image->y0 = 0;
    image->x1 = OPJ_UINT32(width);
    image->y1 = OPJ_UINT32(height);
    if (pixels.hasAlpha())
        image->comps[channels - 1].alpha = 1;

    // Interleaved rows into openjpeg's planes of 32-bit integers.
    std::vector<uint8_t> row(pixels.rowBytes(true));
    for (size_t y = 0; y < height; ++y) {
        pixels.copyRow(y, row.data(), true);
        for (size_t c = 0; c < channels; ++c) {
            OPJ_INT32 *plane = image->comps[c].data + y * width;
            if (precision == 16) {
                const auto *samples = reinterpret_cast<const uint16_t *>(row.data());
                for (size_t x = 0; x < width; ++x)
                    plane[x] = samples[x * channels + c];
            } else {
                for (size_t x = 0; x < width; ++x)
                    plane[x] = row[x * channels + c];
            }
        }
    }

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.cp_disto_alloc = 1;
    const bool lossless = options.quality >= 1.0;
    parameters.irreversible = lossless ? 0 : 1;
    parameters.tcp_rates[0] = lossless ? 0.0f : compressionRatio(options.quality);
    parameters.numresolution = resolutionLevels(width, height);
    // The colour transform decorrelates red, green and blue; the other models have none.
    parameters.tcp_mct = space == OPJ_CLRSPC_SRGB && channels >= 3 ? 1 : 0;

    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_compress(OPJ_CODEC_J2K));
    if (!codec)
        return failed(QStringLiteral("out of memory"));
    opj_set_error_handler(codec.get(), quiet, nullptr);
    opj_set_warning_handler(codec.get(), quiet, nullptr);
    opj_set_info_handler(codec.get(), quiet, nullptr);
    if (!opj_setup_encoder(codec.get(), &parameters, image.get()))
        return failed(QStringLiteral("the parameters were refused"));

    OutputStream output;
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
    if (!stream)
        return failed(QStringLiteral("out of memory"));
    opj_stream_set_user_data(stream.get(), &output, nullptr);
    opj_stream_set_write_function(stream.get(), streamWrite);
    opj_stream_set_skip_function(stream.get(), streamSkip);
    opj_stream_set_seek_function(stream.get(), streamSeek);
    if (!opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
        !opj_end_compress(codec.get(), stream.get()))
        return failed(QStringLiteral("the pixels could not be encoded"));
    stream.reset(); // flushes what is still buffered
    *out = std::move(output.bytes);
    return true;
}

// MARK: - Boxes

void put32(QByteArray *out, uint32_t value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out->append(bytes, 4);
}

void put16(QByteArray *out, uint16_t value)
{
    char bytes[2];
    qToBigEndian(value, bytes);
    out->append(bytes, 2);
}

QByteArray box(const char type[4], const QByteArray &content)
{
    QByteArray out;
    out.reserve(content.size() + 8);
    put32(&out, uint32_t(content.size() + 8));
    out.append(type, 4);
    out.append(content);
    return out;
}

// Enumerated colour spaces of the colour box that plain JP2 knows (CMYK never gets here: it is
// written as sRGB).
constexpr uint32_t kEnumeratedSRGB = 16;
constexpr uint32_t kEnumeratedGray = 17;

// The colour box: the image's own ICC profile (method 2, a restricted profile: the destination
// converts images with other profiles to sRGB first) when it has one, else the enumerated
// space of its model (method 1).
QByteArray colourBox(const WriterPixels &pixels)
{
    QByteArray content;
    const QByteArray icc = pixels.iccData();
    content.append(char(icc.isEmpty() ? 1 : 2)); // method
    content.append('\0');                        // precedence
    content.append('\0');                        // approximation
    if (!icc.isEmpty()) {
        content.append(icc);
    } else {
        const CGColorSpaceModel model = pixels.model();
        put32(&content, model == kCGColorSpaceModelMonochrome ? kEnumeratedGray : kEnumeratedSRGB);
    }
    return box("colr", content);
}

// A resolution in dots per inch as the N / D × 10^E pixels per metre of a resolution box:
// pixels per metre = dpi × 5000 / 127, so D = 127 and N = dpi × 5000 / 10^E with the smallest
// E that lets N fit in 16 bits (exact for whole dpi values up to 13 000).
void putResolution(QByteArray *numbers, QByteArray *exponents, double dpi)
{
    double n = dpi * 5000.0;
    int8_t exponent = 0;
    while (std::round(n) > 65535.0 && exponent < 127) {
        n /= 10.0;
        ++exponent;
    }
    put16(numbers, uint16_t(std::max(1.0, std::round(n))));
    put16(numbers, 127);
    exponents->append(char(exponent));
}

QByteArray resolutionBox(const WriterOptions &options)
{
    QByteArray numbers, exponents;
    putResolution(&numbers, &exponents, options.dpiY); // vertical first
    putResolution(&numbers, &exponents, options.dpiX);
    return box("res ", box("resd", numbers + exponents));
}

QByteArray headerBox(const WriterPixels &pixels, const WriterOptions &options)
{
    QByteArray ihdr;
    put32(&ihdr, uint32_t(pixels.height()));
    put32(&ihdr, uint32_t(pixels.width()));
    put16(&ihdr, uint16_t(pixels.samples(true)));
    ihdr.append(char(pixels.bitsPerComponent() - 1)); // unsigned, all components alike
    ihdr.append(char(7));                             // compression: JPEG 2000
    ihdr.append('\0');                                // the colour space is known
    ihdr.append('\0');                                // no intellectual property box
    QByteArray content = box("ihdr", ihdr) + colourBox(pixels);
    if (pixels.hasAlpha()) {
        // Channel definitions: the colours in order, then the alpha of the whole image.
        QByteArray cdef;
        const uint16_t channels = uint16_t(pixels.samples(true));
        put16(&cdef, channels);
        for (uint16_t c = 0; c < channels; ++c) {
            const bool alpha = c == channels - 1;
            put16(&cdef, c);
            put16(&cdef, alpha ? 1 : 0);         // type: colour or straight opacity
            put16(&cdef, alpha ? 0 : uint16_t(c + 1)); // association
        }
        content += box("cdef", cdef);
    }
    content += resolutionBox(options);
    return box("jp2h", content);
}

// The UUIDs under which Exif (a TIFF structure) and XMP are carried in JP2 files.
const char kExifUUID[16] = {'J', 'p', 'g', 'T', 'i', 'f', 'f', 'E', 'x', 'i', 'f', '-', '>', 'J', 'P', '2'};
const unsigned char kXMPUUID[16] = {0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                                    0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};

QByteArray uuidBox(const char *uuid, const QByteArray &payload)
{
    return box("uuid", QByteArray(uuid, 16) + payload);
}

} // namespace

bool encodeJPEG2000(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
                    QByteArray *out, MCError *error)
{
    QByteArray exif, xmp;
    if (!encodeMetadataBlocks(pixels, options, properties, &exif, &xmp, error))
        return false;
    QByteArray codestream;
    if (!encodeCodestream(pixels, options, &codestream, error))
        return false;

    QByteArray file;
    file.reserve(codestream.size() + exif.size() + xmp.size() + pixels.iccData().size() + 256);
    file += box("jP  ", QByteArray("\x0d\x0a\x87\x0a", 4));
    QByteArray type("jp2 ");
    put32(&type, 0);
    type += "jp2 ";
    file += box("ftyp", type);
    file += headerBox(pixels, options);
    if (!exif.isEmpty())
        file += uuidBox(kExifUUID, exif);
    if (!xmp.isEmpty())
        file += uuidBox(reinterpret_cast<const char *>(kXMPUUID), xmp);
    file += box("jp2c", codestream);
    *out = std::move(file);
    return true;
}

} // namespace platform
