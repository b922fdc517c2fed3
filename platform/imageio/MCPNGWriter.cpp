#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/MCImageWriters.h"

#include <lcms2.h>
#include <png.h>
#include <zlib.h>

#include <QtEndian>

#include <cmath>
#include <csetjmp>

namespace platform {
namespace {

struct PngState
{
    QByteArray *out = nullptr;
    QString message;
};

void pngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto *state = static_cast<PngState *>(png_get_io_ptr(png));
    state->out->append(reinterpret_cast<const char *>(data), qsizetype(length));
}

void pngFlush(png_structp) {}

void pngError(png_structp png, png_const_charp message)
{
    auto *state = static_cast<PngState *>(png_get_error_ptr(png));
    state->message = QString::fromUtf8(message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// The body of an iCCP chunk: profile name, NUL, compression method 0, the zlib-compressed
// profile. Empty when the profile cannot be compressed.
QByteArray iccpChunk(const QByteArray &icc)
{
    uLongf size = compressBound(uLong(icc.size()));
    QByteArray chunk("ICC Profile");
    chunk.append('\0').append('\0');
    const qsizetype header = chunk.size();
    chunk.resize(header + qsizetype(size));
    if (compress2(reinterpret_cast<Bytef *>(chunk.data() + header), &size,
                  reinterpret_cast<const Bytef *>(icc.constData()), uLong(icc.size()), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    chunk.resize(header + qsizetype(size));
    return chunk;
}

// A profile the colour engine can use: worth embedding even where libpng's own checks refuse it.
bool isUsableProfile(const QByteArray &icc)
{
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
    if (!profile)
        return false;
    cmsCloseProfile(profile);
    return true;
}

// The text keywords of the PNG sub-dictionary, as the format's registered keywords spell them.
struct TextKey
{
    const QString &property;
    const char *keyword;
};

} // namespace

bool encodePNG(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
               QByteArray *out, MCError *error)
{
    PngState state;
    QByteArray bytes;
    state.out = &bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed, QStringLiteral("The PNG encoder could not start.")));
    }
    // Everything of C++ is made before the jump point: libpng leaves by longjmp, which must not
    // skip a destructor.
    std::vector<uint8_t> line(pixels.rowBytes(true));
    const QByteArray icc = pixels.iccData();
    // libpng refuses profiles it knows as faulty (the common 1998 sRGB profile) or whose PCS
    // illuminant is not exactly D50 (Display P3, Rec. 2020 files); such a profile still describes
    // the photo's colours, so it is written as its own chunk rather than lost.
    const QByteArray ownIccp = icc.isEmpty() || !isUsableProfile(icc) ? QByteArray() : iccpChunk(icc);
    static const png_byte iccpName[5] = {'i', 'C', 'C', 'P', '\0'};

    const TextKey keys[] = {
        {kCGImagePropertyPNGTitle, "Title"},         {kCGImagePropertyPNGAuthor, "Author"},
        {kCGImagePropertyPNGDescription, "Description"}, {kCGImagePropertyPNGCopyright, "Copyright"},
        {kCGImagePropertyPNGCreationTime, "Creation Time"}, {kCGImagePropertyPNGSoftware, "Software"},
        {kCGImagePropertyPNGDisclaimer, "Disclaimer"}, {kCGImagePropertyPNGWarning, "Warning"},
        {kCGImagePropertyPNGSource, "Source"},       {kCGImagePropertyPNGComment, "Comment"},
    };
    const QVariantMap pngProperties = properties.value(kCGImagePropertyPNGDictionary).toMap();
    // Text chunks keep their strings alive until png_set_text has copied them.
    std::vector<QByteArray> textStore;
    std::vector<png_text> texts;
    textStore.reserve(std::size(keys));
    for (const TextKey &key : keys) {
        const QString text = pngProperties.value(key.property).toString();
        if (text.isEmpty())
            continue;
        textStore.push_back(text.toUtf8());
        png_text entry {};
        entry.compression = PNG_ITXT_COMPRESSION_NONE; // international text: UTF-8 as given
        entry.key = const_cast<char *>(key.keyword);
        entry.text = textStore.back().data();
        entry.itxt_length = size_t(textStore.back().size());
        entry.lang = nullptr;
        entry.lang_key = nullptr;
        texts.push_back(entry);
    }

    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed,
                                             QStringLiteral("The PNG encoder failed: %1").arg(state.message)));
    }
    png_set_write_fn(png, &state, pngWrite, pngFlush);
    // A profile libpng dislikes becomes a warning, never the end of the photo.
    png_set_benign_errors(png, 1);
#ifdef PNG_SKIP_sRGB_CHECK_PROFILE
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
#endif
    const bool alpha = pixels.hasAlpha();
    const bool gray = pixels.model() == kCGColorSpaceModelMonochrome;
    const int colorType = gray ? (alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
                               : (alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
    png_set_IHDR(png, info, png_uint_32(pixels.width()), png_uint_32(pixels.height()), int(pixels.bitsPerComponent()),
                 colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    if (!icc.isEmpty())
        png_set_iCCP(png, info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(icc.constData()), png_uint_32(icc.size()));
    const bool iccTaken = !icc.isEmpty() && png_get_valid(png, info, PNG_INFO_iCCP);
    png_set_pHYs(png, info, png_uint_32(std::lround(options.dpiX / 0.0254)),
                 png_uint_32(std::lround(options.dpiY / 0.0254)), PNG_RESOLUTION_METER);
    if (!texts.empty())
        png_set_text(png, info, texts.data(), int(texts.size()));

    png_write_info(png, info);
    // The colour profile may stand anywhere before the image data.
    if (!iccTaken && !ownIccp.isEmpty())
        png_write_chunk(png, iccpName, reinterpret_cast<png_const_bytep>(ownIccp.constData()), png_size_t(ownIccp.size()));
    if (pixels.bitsPerComponent() == 16 && QSysInfo::ByteOrder == QSysInfo::LittleEndian)
        png_set_swap(png);
    for (size_t y = 0; y < pixels.height(); ++y) {
        pixels.copyRow(y, line.data(), true);
        png_write_row(png, line.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    *out = std::move(bytes);
    return true;
}

} // namespace platform
