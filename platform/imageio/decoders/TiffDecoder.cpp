#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGImage.h"

#include <QByteArray>

#include <cstring>
#include <mutex>
#include <vector>

#include <tiffio.h>

namespace platform {

namespace {

// ---- libtiff over a read-only memory buffer

struct MemoryFile
{
    const uint8_t *data = nullptr;
    toff_t size = 0;
    toff_t offset = 0;
};

tsize_t memRead(thandle_t handle, tdata_t buffer, tsize_t length)
{
    auto *file = static_cast<MemoryFile *>(handle);
    if (length <= 0 || file->offset >= file->size)
        return 0;
    const toff_t n = std::min<toff_t>(toff_t(length), file->size - file->offset);
    std::memcpy(buffer, file->data + file->offset, n);
    file->offset += n;
    return tsize_t(n);
}

tsize_t memWrite(thandle_t, tdata_t, tsize_t) { return -1; }

toff_t memSeek(thandle_t handle, toff_t offset, int whence)
{
    auto *file = static_cast<MemoryFile *>(handle);
    toff_t base = whence == SEEK_CUR ? file->offset : whence == SEEK_END ? file->size : 0;
    if (offset > std::numeric_limits<toff_t>::max() - base)
        return toff_t(-1);
    file->offset = base + offset;
    return file->offset;
}

int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t handle) { return static_cast<MemoryFile *>(handle)->size; }
int memMap(thandle_t, tdata_t *, toff_t *) { return 0; }
void memUnmap(thandle_t, tdata_t, toff_t) {}

int silentHandler(TIFF *, void *, const char *, const char *, va_list) { return 1; }

struct TiffFile
{
    MemoryFile file;
    TIFF *tiff = nullptr;

    explicit TiffFile(const QByteArray &data)
    {
        file.data = reinterpret_cast<const uint8_t *>(data.constData());
        file.size = toff_t(data.size());
        TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
        // Errors and warnings of broken files stay quiet and per handle (thread-safe).
        TIFFOpenOptionsSetErrorHandlerExtR(options, silentHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, silentHandler, nullptr);
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(CGImage::kMaximumPixelCount) * 16);
        tiff = TIFFClientOpenExt("memory", "rm", &file, memRead, memWrite, memSeek, memClose, memSize, memMap,
                                 memUnmap, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffFile()
    {
        if (tiff)
            TIFFClose(tiff);
    }
};

// The layout of one directory as far as decoding cares.
struct Layout
{
    uint32_t width = 0, height = 0;
    uint16_t bps = 1, spp = 1, format = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    size_t colourSamples = 1;
    int alphaSample = -1;         // index of the alpha sample, -1 when none
    bool premultiplied = false;
    bool direct = false;          // readable sample by sample (else through the RGBA reader)
    CGColorSpaceModel model = kCGColorSpaceModelRGB;
};

Layout readLayout(TIFF *tiff)
{
    Layout l;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &l.bps);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &l.spp);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &l.compression);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        l.model = kCGColorSpaceModelMonochrome;
        l.colourSamples = 1;
        break;
    case PHOTOMETRIC_SEPARATED: {
        uint16_t inkset = INKSET_CMYK;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkset);
        l.model = inkset == INKSET_CMYK ? kCGColorSpaceModelCMYK : kCGColorSpaceModelUnknown;
        l.colourSamples = 4;
        break;
    }
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
        l.model = kCGColorSpaceModelLab;
        l.colourSamples = 3;
        break;
    case PHOTOMETRIC_YCBCR:
        if (l.compression == COMPRESSION_JPEG) {
            // libjpeg converts to RGB for us.
            TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            l.photometric = PHOTOMETRIC_RGB;
        }
        l.model = kCGColorSpaceModelRGB;
        l.colourSamples = 3;
        break;
    default:
        l.model = kCGColorSpaceModelRGB;
        l.colourSamples = 3;
        break;
    }
    uint16_t extraCount = 0;
    uint16_t *extra = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra &&
        (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA)) {
        l.alphaSample = int(l.spp - extraCount);
        l.premultiplied = extra[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    const bool depthOk = (l.format == SAMPLEFORMAT_UINT && (l.bps == 8 || l.bps == 16)) ||
                         (l.format == SAMPLEFORMAT_IEEEFP && (l.bps == 32 || l.bps == 64)) ||
                         (l.format == SAMPLEFORMAT_INT && (l.bps == 8 || l.bps == 16) &&
                          l.model == kCGColorSpaceModelLab);
    const bool photometricOk = l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE ||
                               l.photometric == PHOTOMETRIC_RGB || l.photometric == PHOTOMETRIC_CIELAB ||
                               l.photometric == PHOTOMETRIC_ICCLAB ||
                               (l.photometric == PHOTOMETRIC_SEPARATED && l.model == kCGColorSpaceModelCMYK);
    l.direct = depthOk && photometricOk && l.spp >= l.colourSamples &&
               (l.alphaSample < 0 || l.alphaSample >= int(l.colourSamples)) && l.spp <= 16;
    return l;
}

// Reads every sample of the directory into one buffer: rows of width × spp samples for a
// contiguous layout, or spp whole planes one after the other for a separate one.
bool readSamples(TIFF *tiff, const Layout &l, std::vector<uint8_t> &out)
{
    const size_t bytesPerSample = l.bps / 8;
    const size_t perPixel = l.planar == PLANARCONFIG_CONTIG ? l.spp : 1;
    const size_t planes = l.planar == PLANARCONFIG_CONTIG ? 1 : l.spp;
    const size_t rowBytes = size_t(l.width) * perPixel * bytesPerSample;
    const size_t planeBytes = rowBytes * l.height;
    try {
        out.assign(planeBytes * planes, 0);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (TIFFIsTiled(tiff)) {
        uint32_t tw = 0, th = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &th);
        if (tw == 0 || th == 0)
            return false;
        const tmsize_t tileSize = TIFFTileSize(tiff);
        const size_t tileRow = size_t(tw) * perPixel * bytesPerSample;
        // Divided rather than multiplied: the tile's sides come from the file.
        if (tileSize <= 0 || tileRow > size_t(tileSize) / th)
            return false;
        std::vector<uint8_t> tile(static_cast<size_t>(tileSize));
        for (size_t p = 0; p < planes; ++p)
            for (uint32_t y = 0; y < l.height; y += th)
                for (uint32_t x = 0; x < l.width; x += tw) {
                    if (TIFFReadTile(tiff, tile.data(), x, y, 0, uint16_t(p)) < 0)
                        return false;
                    const size_t copyRows = std::min<size_t>(th, l.height - y);
                    const size_t copyBytes = std::min<size_t>(tw, l.width - x) * perPixel * bytesPerSample;
                    for (size_t r = 0; r < copyRows; ++r)
                        std::memcpy(out.data() + p * planeBytes + (y + r) * rowBytes + x * perPixel * bytesPerSample,
                                    tile.data() + r * tileRow, copyBytes);
                }
        return true;
    }
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(std::max<uint32_t>(rowsPerStrip, 1), l.height);
    const uint32_t stripsPerPlane = (l.height + rowsPerStrip - 1) / rowsPerStrip;
    for (size_t p = 0; p < planes; ++p)
        for (uint32_t s = 0; s < stripsPerPlane; ++s) {
            const size_t firstRow = size_t(s) * rowsPerStrip;
            const size_t rows = std::min<size_t>(rowsPerStrip, l.height - firstRow);
            const tstrip_t strip = tstrip_t(p * stripsPerPlane + s);
            if (TIFFReadEncodedStrip(tiff, strip, out.data() + p * planeBytes + firstRow * rowBytes,
                                     tmsize_t(rows * rowBytes)) < 0)
                return false;
        }
    return true;
}

// Lab components in our encoding (8-bit: L × 255 / 100, a and b + 128; 16-bit: L × 65535 /
// 100, (a and b + 128) × 257) from TIFF's CIELab (a, b signed, 16-bit in 1/256 units) or
// ICCLab (a, b offset by 128, 16-bit L 0..0xFF00 for 0..100).
template <typename T>
T labComponent(T v, size_t channel, bool signedAB)
{
    if constexpr (sizeof(T) == 1) {
        return channel == 0 || !signedAB ? v : T(v ^ 0x80);
    } else {
        if (channel == 0)
            return signedAB ? v : T(std::min<uint32_t>(65535, (uint32_t(v) * 257 + 128) / 256));
        const double ab = signedAB ? double(int16_t(v)) / 256.0 : double(v) / 256.0 - 128.0;
        return T(std::clamp((ab + 128.0) * 257.0 + 0.5, 0.0, 65535.0));
    }
}

// The component size a directory decodes to: its own, but doubles become floats, the widest
// samples an image holds (their range and precision stay far beyond any photo's).
size_t decodedBits(const Layout &l)
{
    return l.bps == 64 ? 32 : l.bps;
}

template <typename T, typename Out = T>
void interleave(const Layout &l, const uint8_t *samples, uint8_t *dest, size_t destRowBytes, size_t outChannels)
{
    const bool planar = l.planar == PLANARCONFIG_SEPARATE;
    const size_t planeSamples = size_t(l.width) * l.height;
    for (size_t y = 0; y < l.height; ++y) {
        Out *out = reinterpret_cast<Out *>(dest + y * destRowBytes);
        for (size_t x = 0; x < l.width; ++x) {
            for (size_t c = 0; c < outChannels; ++c) {
                const size_t sample = c < l.colourSamples ? c : size_t(l.alphaSample);
                const size_t at = planar ? sample * planeSamples + y * l.width + x : (y * l.width + x) * l.spp + sample;
                T v = reinterpret_cast<const T *>(samples)[at];
                if constexpr (std::is_integral_v<T>) {
                    if (c < l.colourSamples) {
                        if (l.photometric == PHOTOMETRIC_MINISWHITE)
                            v = T(std::numeric_limits<T>::max() - v);
                        else if (l.model == kCGColorSpaceModelLab)
                            v = labComponent(v, c, l.photometric == PHOTOMETRIC_CIELAB);
                    }
                } else if (l.photometric == PHOTOMETRIC_MINISWHITE && c < l.colourSamples) {
                    v = T(1) - v;
                }
                out[x * outChannels + c] = Out(v);
            }
        }
    }
}

class TiffDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("public.tiff"); }

    bool open(const QByteArray &data) override
    {
        if (data.size() < 8)
            return false;
        const char *d = data.constData();
        const bool little = d[0] == 'I' && d[1] == 'I' && (uchar(d[2]) == 42 || uchar(d[2]) == 43) && d[3] == 0;
        const bool big = d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (uchar(d[3]) == 42 || uchar(d[3]) == 43);
        if (!little && !big)
            return false;
        m_data = data;
        TiffFile f(m_data);
        if (!f.tiff)
            return false;
        // Bounded so a directory loop in a hostile file cannot keep us busy.
        for (int page = 0; page < 1024; ++page) {
            const Layout l = readLayout(f.tiff);
            if (!dimensionsAllowed(l.width, l.height))
                break;
            ImageInfo info;
            info.width = l.width;
            info.height = l.height;
            info.model = l.direct ? l.model : kCGColorSpaceModelRGB;
            info.bitsPerComponent = l.direct ? decodedBits(l) : 8;
            info.isFloat = l.direct && l.format == SAMPLEFORMAT_IEEEFP;
            info.isIndexed = l.photometric == PHOTOMETRIC_PALETTE;
            info.hasAlpha = l.alphaSample >= 0;
            uint32_t iccLength = 0;
            void *icc = nullptr;
            if (TIFFGetField(f.tiff, TIFFTAG_ICCPROFILE, &iccLength, &icc) && icc && iccLength > 0)
                info.iccProfile = QByteArray(static_cast<const char *>(icc), int(iccLength));
            float xres = 0, yres = 0;
            uint16_t unit = RESUNIT_INCH;
            TIFFGetFieldDefaulted(f.tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
            const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : unit == RESUNIT_INCH ? 1.0 : 0.0;
            if (TIFFGetField(f.tiff, TIFFTAG_XRESOLUTION, &xres))
                info.dpiWidth = xres * perInch;
            if (TIFFGetField(f.tiff, TIFFTAG_YRESOLUTION, &yres))
                info.dpiHeight = yres * perInch;
            uint16_t orientation = 0;
            if (TIFFGetField(f.tiff, TIFFTAG_ORIENTATION, &orientation) && orientation >= 1 && orientation <= 8)
                info.orientation = orientation;
            m_pages.push_back(info);
            if (!TIFFReadDirectory(f.tiff))
                break;
        }
        return !m_pages.empty();
    }

    size_t count() const override { return m_pages.size(); }
    ImageInfo info(size_t index) const override { return index < m_pages.size() ? m_pages[index] : ImageInfo(); }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index >= m_pages.size())
            return nullptr;
        TiffFile f(m_data);
        if (!f.tiff || !TIFFSetDirectory(f.tiff, tdir_t(index)))
            return nullptr;
        const Layout l = readLayout(f.tiff);
        const ImageInfo &info = m_pages[index];
        if (!dimensionsAllowed(l.width, l.height) || l.width != info.width || l.height != info.height)
            return nullptr;
        return l.direct ? decodeDirect(f.tiff, l, info) : decodeRGBA(f.tiff, l, info);
    }

private:
    CGImageRef decodeDirect(TIFF *tiff, const Layout &l, const ImageInfo &info)
    {
        std::vector<uint8_t> samples;
        if (!readSamples(tiff, l, samples))
            return nullptr;
        const size_t outChannels = l.colourSamples + (l.alphaSample >= 0 ? 1 : 0);
        const size_t bits = decodedBits(l);
        const size_t rowBytes = size_t(l.width) * outChannels * (bits / 8);
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * l.height);
        if (!pixels)
            return nullptr;
        if (l.bps == 8)
            interleave<uint8_t>(l, samples.data(), pixels.get(), rowBytes, outChannels);
        else if (l.bps == 16)
            interleave<uint16_t>(l, samples.data(), pixels.get(), rowBytes, outChannels);
        else if (l.bps == 64)
            interleave<double, float>(l, samples.data(), pixels.get(), rowBytes, outChannels);
        else
            interleave<float>(l, samples.data(), pixels.get(), rowBytes, outChannels);
        return makeDecodedImage(l.width, l.height, bits, info.isFloat, l.alphaSample >= 0, l.premultiplied, rowBytes,
                                colorSpaceFor(info.model, info.iccProfile), std::move(pixels));
    }

    // Palettes, 1/2/4-bit, YCbCr without JPEG and other rare layouts: libtiff's RGBA reader,
    // 8 bits, premultiplied when the file has alpha.
    CGImageRef decodeRGBA(TIFF *tiff, const Layout &l, const ImageInfo &info)
    {
        char message[1024] = {};
        if (!TIFFRGBAImageOK(tiff, message))
            return nullptr;
        std::vector<uint32_t> raster;
        try {
            raster.resize(size_t(l.width) * l.height);
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
        if (!TIFFReadRGBAImageOriented(tiff, l.width, l.height, raster.data(), ORIENTATION_TOPLEFT, 0))
            return nullptr;
        const bool alpha = l.alphaSample >= 0;
        const size_t channels = alpha ? 4 : 3;
        const size_t rowBytes = size_t(l.width) * channels;
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * l.height);
        if (!pixels)
            return nullptr;
        uint8_t *out = pixels.get();
        for (size_t i = 0, n = raster.size(); i < n; ++i) {
            const uint32_t p = raster[i];
            out[0] = uint8_t(TIFFGetR(p));
            out[1] = uint8_t(TIFFGetG(p));
            out[2] = uint8_t(TIFFGetB(p));
            if (alpha)
                out[3] = uint8_t(TIFFGetA(p));
            out += channels;
        }
        return makeDecodedImage(l.width, l.height, 8, false, alpha, true, rowBytes,
                                colorSpaceFor(kCGColorSpaceModelRGB, info.iccProfile), std::move(pixels));
    }

    QByteArray m_data;
    std::vector<ImageInfo> m_pages;
};

} // namespace

std::unique_ptr<ImageDecoder> createTiffDecoder() { return std::make_unique<TiffDecoder>(); }

} // namespace platform
