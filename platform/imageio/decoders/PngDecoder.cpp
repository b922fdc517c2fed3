#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGImage.h"

#include <QDateTime>

#include <cstring>

#include <png.h>

namespace platform {

namespace {

struct MemoryReader
{
    const uint8_t *data = nullptr;
    size_t size = 0;
    size_t offset = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto *reader = static_cast<MemoryReader *>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset)
        png_error(png, "read past the end of the data");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// One libpng read struct with its info, destroyed however the decoder leaves.
struct PngReader
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemoryReader reader;

    explicit PngReader(const QByteArray &data)
    {
        reader.data = reinterpret_cast<const uint8_t *>(data.constData());
        reader.size = size_t(data.size());
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
        if (png)
            info = png_create_info_struct(png);
        if (info) {
            png_set_read_fn(png, &reader, readFromMemory);
            png_set_user_limits(png, CGImage::kMaximumSide, CGImage::kMaximumSide);
            png_set_chunk_malloc_max(png, 64u << 20);
        }
    }
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    bool valid() const { return png && info; }
};

QString textDateToExif(const QString &text)
{
    // PNG writers use RFC 1123 or ISO 8601 for "Creation Time"; keep unparsable text as is.
    QDateTime when = QDateTime::fromString(text, Qt::RFC2822Date);
    if (!when.isValid())
        when = QDateTime::fromString(text, Qt::ISODate);
    return when.isValid() ? when.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")) : text;
}

class PngDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("public.png"); }

    bool open(const QByteArray &data) override
    {
        if (data.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(data.constData()), 0, 8) != 0)
            return false;
        m_data = data;
        PngReader r(m_data);
        if (!r.valid())
            return false;
        if (setjmp(png_jmpbuf(r.png)))
            return false;
        png_read_info(r.png, r.info);
        png_uint_32 width = 0, height = 0;
        int depth = 0, colorType = 0, interlace = 0;
        png_get_IHDR(r.png, r.info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
        if (!dimensionsAllowed(width, height))
            return false;
        m_info.width = width;
        m_info.height = height;
        m_info.bitsPerComponent = depth == 16 ? 16 : 8;
        m_info.isIndexed = colorType == PNG_COLOR_TYPE_PALETTE;
        m_info.model = (colorType & PNG_COLOR_MASK_COLOR) ? kCGColorSpaceModelRGB : kCGColorSpaceModelMonochrome;
        m_info.hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(r.png, r.info, PNG_INFO_tRNS);
        png_charp name = nullptr;
        png_bytep profile = nullptr;
        png_uint_32 profileLength = 0;
        int compression = 0;
        if (png_get_iCCP(r.png, r.info, &name, &compression, &profile, &profileLength) && profile)
            m_info.iccProfile = QByteArray(reinterpret_cast<const char *>(profile), int(profileLength));

        QVariantMap dict;
        dict.insert(kCGImagePropertyPNGInterlaceType, interlace);
        double gamma = 0;
        if (png_get_gAMA(r.png, r.info, &gamma))
            dict.insert(kCGImagePropertyPNGGamma, int(gamma * 100000 + 0.5));
        int intent = 0;
        if (png_get_sRGB(r.png, r.info, &intent))
            dict.insert(kCGImagePropertyPNGsRGBIntent, intent);
        png_uint_32 xppm = 0, yppm = 0;
        int unit = 0;
        if (png_get_pHYs(r.png, r.info, &xppm, &yppm, &unit) && unit == PNG_RESOLUTION_METER) {
            dict.insert(kCGImagePropertyPNGXPixelsPerMeter, qint64(xppm));
            dict.insert(kCGImagePropertyPNGYPixelsPerMeter, qint64(yppm));
            m_info.dpiWidth = xppm * 0.0254;
            m_info.dpiHeight = yppm * 0.0254;
        }
        png_textp texts = nullptr;
        int textCount = 0;
        png_get_text(r.png, r.info, &texts, &textCount);
        static const struct { const char *keyword; const QString *key; bool isDate; } kTextKeys[] = {
            {"Author", &kCGImagePropertyPNGAuthor, false},
            {"Copyright", &kCGImagePropertyPNGCopyright, false},
            {"Creation Time", &kCGImagePropertyPNGCreationTime, true},
            {"Description", &kCGImagePropertyPNGDescription, false},
            {"Software", &kCGImagePropertyPNGSoftware, false},
            {"Title", &kCGImagePropertyPNGTitle, false},
            {"Comment", &kCGImagePropertyPNGComment, false},
            {"Disclaimer", &kCGImagePropertyPNGDisclaimer, false},
            {"Source", &kCGImagePropertyPNGSource, false},
            {"Warning", &kCGImagePropertyPNGWarning, false},
        };
        for (int i = 0; i < textCount; ++i) {
            for (const auto &entry : kTextKeys) {
                if (std::strcmp(texts[i].key, entry.keyword) != 0)
                    continue;
                const QString value = QString::fromUtf8(texts[i].text, int(texts[i].text_length ? texts[i].text_length
                                                                                                 : texts[i].itxt_length));
                dict.insert(*entry.key, entry.isDate ? textDateToExif(value) : value);
            }
        }
        png_timep modified = nullptr;
        if (png_get_tIME(r.png, r.info, &modified) && modified)
            dict.insert(kCGImagePropertyPNGModificationTime,
                        QString::asprintf("%04d:%02d:%02d %02d:%02d:%02d", modified->year, modified->month,
                                          modified->day, modified->hour, modified->minute, modified->second));
        m_dictionary = dict;
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }

    QVariantMap formatProperties(size_t) const override { return {{kCGImagePropertyPNGDictionary, m_dictionary}}; }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index != 0)
            return nullptr;
        PngReader r(m_data);
        if (!r.valid())
            return nullptr;
        std::shared_ptr<uint8_t> pixels;
        std::vector<png_bytep> rows;
        if (setjmp(png_jmpbuf(r.png)))
            return nullptr;
        png_read_info(r.png, r.info);
        // Palette and low-depth gray expand to 8 bits, transparency to an alpha channel;
        // 16-bit samples come in host order.
        png_set_expand(r.png);
        if (m_info.bitsPerComponent == 16 && QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            png_set_swap(r.png);
        png_set_interlace_handling(r.png);
        png_read_update_info(r.png, r.info);
        const size_t rowBytes = png_get_rowbytes(r.png, r.info);
        const size_t channels = png_get_channels(r.png, r.info);
        const size_t expected = m_info.width * channels * (m_info.bitsPerComponent / 8);
        if (rowBytes != expected)
            return nullptr;
        pixels = allocatePixels(rowBytes * m_info.height);
        if (!pixels)
            return nullptr;
        rows.resize(m_info.height);
        for (size_t y = 0; y < m_info.height; ++y)
            rows[y] = pixels.get() + y * rowBytes;
        png_read_image(r.png, rows.data());
        png_read_end(r.png, nullptr);
        const bool alpha = channels == 2 || channels == 4;
        return makeDecodedImage(m_info.width, m_info.height, m_info.bitsPerComponent, false, alpha, false, rowBytes,
                                colorSpaceFor(m_info.model, m_info.iccProfile), pixels);
    }

private:
    QByteArray m_data;
    ImageInfo m_info;
    QVariantMap m_dictionary;
};

} // namespace

std::unique_ptr<ImageDecoder> createPngDecoder() { return std::make_unique<PngDecoder>(); }

} // namespace platform
