#include "platform/imageio/decoders/BmpBitfields.h"
#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGImage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <QtEndian>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// Whether the data looks like a file of one format, before Qt's reader is asked.
using Sniffer = bool (*)(const QByteArray &data);

// Formats read through Qt's own readers and image plug-ins (BMP, the portable any-maps, Windows
// icons), which check their input and honour an allocation limit. Each is sniffed by
// its content first, so a reader is asked only about files of its own format.
class QtDecoder final : public ImageDecoder
{
public:
    QtDecoder(const char *format, QString type, Sniffer sniffer)
        : m_format(format), m_type(std::move(type)), m_sniffer(sniffer)
    {
    }

    QString typeIdentifier() const override { return m_type; }

    bool open(const QByteArray &data) override
    {
        if (!m_sniffer(data))
            return false;
        m_data = data;
        if (m_format == "bmp" && readBmpBitfields(m_data, &m_bitfields)) { // channels by masks: ours
            if (!m_bitfields.width)
                return false; // broken
            m_info.width = m_bitfields.width;
            m_info.height = m_bitfields.height;
            m_info.hasAlpha = m_bitfields.hasAlpha;
            return true;
        }
        m_bitfields = BmpBitfields();
        QBuffer buffer(&m_data);
        QImageReader reader(&buffer, m_format);
        configure(reader);
        // Asked whether it can read before anything else: some readers (icons) answer the size
        // only then.
        if (!reader.canRead())
            return false;
        const QSize size = reader.size();
        if (!dimensionsAllowed(size.width(), size.height()))
            return false;
        m_info.width = size_t(size.width());
        m_info.height = size_t(size.height());
        m_info.bitsPerComponent = 8;
        const QImage::Format format = reader.imageFormat();
        m_info.hasAlpha = QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha;
        // Gray maps (and bitmaps, black and white) stay gray; palettes of other formats are colour.
        const bool gray = format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16 ||
                          (m_format == "ppm" && format == QImage::Format_Mono);
        m_info.model = gray && !m_info.hasAlpha ? kCGColorSpaceModelMonochrome : kCGColorSpaceModelRGB;
        m_info.isIndexed = !gray && (format == QImage::Format_Indexed8 || format == QImage::Format_Mono);
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index > 0)
            return nullptr;
        if (m_bitfields.width)
            return decodeBmpBitfields(m_data, m_bitfields);
        QBuffer buffer(&m_data);
        QImageReader reader(&buffer, m_format);
        configure(reader);
        QImage image;
        if (!reader.read(&image))
            return nullptr;
        if (image.isNull() || !dimensionsAllowed(image.width(), image.height()))
            return nullptr;
        const bool gray = m_info.model == kCGColorSpaceModelMonochrome;
        const bool alpha = !gray && image.hasAlphaChannel();
        image = image.convertToFormat(gray ? QImage::Format_Grayscale8
                                      : alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        if (image.isNull())
            return nullptr;
        const size_t w = size_t(image.width()), h = size_t(image.height());
        const size_t rowBytes = w * (gray ? 1 : alpha ? 4 : 3);
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * h);
        if (!pixels)
            return nullptr;
        for (size_t y = 0; y < h; ++y)
            std::memcpy(pixels.get() + y * rowBytes, image.constScanLine(int(y)), rowBytes);
        return makeDecodedImage(w, h, 8, false, alpha, false, rowBytes, colorSpaceFor(m_info.model, {}),
                                std::move(pixels));
    }

private:
    static void configure(QImageReader &reader)
    {
        reader.setAllocationLimit(int(CGImage::kMaximumPixelCount * 4 / (1024 * 1024)));
    }

    QByteArray m_format;
    QString m_type;
    Sniffer m_sniffer;
    QByteArray m_data;
    ImageInfo m_info;
    BmpBitfields m_bitfields; // filled when the file is one of those we read ourselves
};

bool looksLikeBmp(const QByteArray &data)
{
    if (data.size() < 26 || !data.startsWith("BM"))
        return false;
    uint32_t headerSize = 0;
    std::memcpy(&headerSize, data.constData() + 14, 4);
    headerSize = qFromLittleEndian(headerSize);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
        headerSize != 108 && headerSize != 124)
        return false;
    if (headerSize < 40 || data.size() < 34)
        return true;
    // Qt fills a short pixel array with black; a truncated file must read as broken instead.
    auto le32 = [&](int at) {
        uint32_t v = 0;
        std::memcpy(&v, data.constData() + at, 4);
        return qFromLittleEndian(v);
    };
    const uint32_t offset = le32(10);
    const int64_t width = int32_t(le32(18));
    const int64_t height = std::abs(int64_t(int32_t(le32(22))));
    const uint16_t bpp = uint16_t(le32(28) & 0xffff);
    const uint32_t compression = le32(30);
    if (compression != 0 && compression != 3 && compression != 6)
        return true; // run-length data has no size to check in advance
    const int64_t stride = ((width * bpp + 31) / 32) * 4; // at most 2^31 × 2^16 bits: no overflow
    // Divided rather than multiplied: stride × height can pass the range of int64_t.
    const int64_t available = int64_t(data.size()) - int64_t(offset);
    return width > 0 && stride > 0 && available >= 0 && height <= available / stride;
}

// "P1" to "P6" and white space: a portable bitmap, gray map or pixmap.
bool looksLikePnm(const QByteArray &data)
{
    return data.size() >= 8 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' &&
           QByteArrayView(" \t\r\n").contains(data[2]);
}

// A Windows icon directory: reserved 0, type 1, at least one image.
bool looksLikeIco(const QByteArray &data)
{
    return data.size() >= 22 && data.startsWith(QByteArray("\0\0\1\0", 4)) && (data[4] || data[5]);
}

} // namespace

std::unique_ptr<ImageDecoder> createBmpDecoder()
{
    return std::make_unique<QtDecoder>("bmp", QStringLiteral("com.microsoft.bmp"), looksLikeBmp);
}

std::unique_ptr<ImageDecoder> createPnmDecoder()
{
    return std::make_unique<QtDecoder>("ppm", QStringLiteral("public.pbm"), looksLikePnm);
}

std::unique_ptr<ImageDecoder> createIcoDecoder()
{
    return std::make_unique<QtDecoder>("ico", QStringLiteral("com.microsoft.ico"), looksLikeIco);
}

} // namespace platform
