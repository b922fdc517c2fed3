#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"

#include <tiffio.h>

#include <limits>
#include <new>

#include <cstring>

namespace platform {
namespace {

// A growable memory file for libtiff, which seeks back to patch directory offsets.
struct MemoryFile
{
    QByteArray bytes;
    qint64 position = 0;
};

tsize_t memRead(thandle_t handle, tdata_t data, tsize_t size)
{
    auto *file = static_cast<MemoryFile *>(handle);
    const qint64 n = std::max<qint64>(0, std::min<qint64>(size, file->bytes.size() - file->position));
    std::memcpy(data, file->bytes.constData() + file->position, size_t(n));
    file->position += n;
    return tsize_t(n);
}

tsize_t memWrite(thandle_t handle, tdata_t data, tsize_t size)
{
    auto *file = static_cast<MemoryFile *>(handle);
    const qint64 end = file->position + size;
    if (end > file->bytes.size()) {
        // Out of memory is a failed write for libtiff (which reports it), never an exception
        // thrown through its C frames.
        try {
            file->bytes.resize(end);
        } catch (const std::bad_alloc &) {
            return tsize_t(-1);
        }
    }
    std::memcpy(file->bytes.data() + file->position, data, size_t(size));
    file->position = end;
    return size;
}

toff_t memSeek(thandle_t handle, toff_t offset, int whence)
{
    auto *file = static_cast<MemoryFile *>(handle);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    else if (whence == SEEK_END)
        base = file->bytes.size();
    const qint64 position = base + qint64(offset);
    if (position < 0)
        return toff_t(-1);
    file->position = position;
    return toff_t(position);
}

int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t handle) { return toff_t(static_cast<MemoryFile *>(handle)->bytes.size()); }
int memMap(thandle_t, tdata_t *, toff_t *) { return 0; }
void memUnmap(thandle_t, tdata_t, toff_t) {}

thread_local QString tiffMessage;

void tiffError(const char *, const char *format, va_list args)
{
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    tiffMessage = QString::fromUtf8(text);
}

} // namespace

bool encodeTIFF(const WriterPixels &pixels, const WriterOptions &options, QByteArray *out, MCError *error)
{
    MemoryFile file;
    tiffMessage.clear();
    const TIFFErrorHandler previous = TIFFSetErrorHandler(tiffError);
    const TIFFErrorHandler previousWarning = TIFFSetWarningHandler(nullptr);
    const qint64 pixelBytes = qint64(pixels.rowBytes(true)) * qint64(pixels.height());
    const bool big = pixelBytes > (qint64(1) << 31) * 3 / 2;
    // Room for the uncompressed strips and the tags up front: growing by doubling would copy
    // the file over and over and leave up to twice its size allocated. Pages a compressed
    // file never writes are never touched.
    if (pixelBytes < std::numeric_limits<qsizetype>::max() / 2) {
        try {
            file.bytes.reserve(qsizetype(pixelBytes) + 64 * 1024);
        } catch (const std::bad_alloc &) {
            // Only a head start: the file then grows as it is written, or fails there.
        }
    }
    TIFF *tiff = TIFFClientOpen("memory", big ? "w8" : "w", &file, memRead, memWrite, memSeek, memClose, memSize,
                                memMap, memUnmap);
    auto fail = [&](const QString &what) {
        if (tiff)
            TIFFClose(tiff);
        TIFFSetErrorHandler(previous);
        TIFFSetWarningHandler(previousWarning);
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed,
                                             QStringLiteral("The TIFF encoder failed: %1").arg(tiffMessage.isEmpty() ? what : tiffMessage)));
    };
    if (!tiff)
        return fail(QStringLiteral("could not start"));

    const bool alpha = pixels.hasAlpha();
    const uint16_t samples = uint16_t(pixels.samples(true));
    const uint16_t bits = uint16_t(pixels.bitsPerComponent());
    uint16_t photometric = PHOTOMETRIC_RGB;
    switch (pixels.model()) {
    case kCGColorSpaceModelMonochrome:
        photometric = PHOTOMETRIC_MINISBLACK;
        break;
    case kCGColorSpaceModelCMYK:
        photometric = PHOTOMETRIC_SEPARATED;
        break;
    case kCGColorSpaceModelLab:
        // Integer Lab as ICC encodes it (a, b offset by 128); float Lab as CIE Lab values.
        photometric = pixels.isFloat() ? PHOTOMETRIC_CIELAB : PHOTOMETRIC_ICCLAB;
        break;
    default:
        break;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(pixels.width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(pixels.height()));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, pixels.isFloat() ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    if (photometric == PHOTOMETRIC_SEPARATED)
        TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(options.orientation));
    if (alpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(options.dpiX));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(options.dpiY));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    // The chromaticities are tags of the image itself in a TIFF file, which the metadata
    // writer leaves to the encoder.
    if (options.whitePoint.size() == 2) {
        float white[2] = {float(options.whitePoint[0]), float(options.whitePoint[1])};
        TIFFSetField(tiff, TIFFTAG_WHITEPOINT, white);
    }
    if (options.primaryChromaticities.size() == 6) {
        float primaries[6];
        for (int i = 0; i < 6; ++i)
            primaries[i] = float(options.primaryChromaticities[size_t(i)]);
        TIFFSetField(tiff, TIFFTAG_PRIMARYCHROMATICITIES, primaries);
    }
    uint16_t compression = COMPRESSION_NONE;
    if (options.tiffCompression == 5)
        compression = COMPRESSION_LZW;
    else if (options.tiffCompression == 32773)
        compression = COMPRESSION_PACKBITS;
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_LZW) // differences compress far better on photographs
        TIFFSetField(tiff, TIFFTAG_PREDICTOR, pixels.isFloat() ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL);
    const QByteArray icc = pixels.iccData();
    if (!icc.isEmpty())
        TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));

    std::vector<uint8_t> line(pixels.rowBytes(true));
    for (size_t y = 0; y < pixels.height(); ++y) {
        pixels.copyRow(y, line.data(), true);
        if (TIFFWriteScanline(tiff, line.data(), uint32_t(y), 0) < 0)
            return fail(QStringLiteral("a row could not be written"));
    }
    if (!TIFFWriteDirectory(tiff))
        return fail(QStringLiteral("the directory could not be written"));
    TIFFClose(tiff);
    tiff = nullptr;
    TIFFSetErrorHandler(previous);
    TIFFSetWarningHandler(previousWarning);
    *out = std::move(file.bytes);
    return true;
}

} // namespace platform
