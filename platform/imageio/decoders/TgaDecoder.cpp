#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGImage.h"


// Targa images: an 18-byte little-endian header, an identifier, a colour map, then the pixels
// (colour-mapped, true colour or gray), stored as they are or run-length encoded, from the
// bottom row up unless the header says otherwise. Targa has no signature, so the header's
// fields must all make sense; this decoder is tried after every other one. Qt's own Targa
// reader refuses files without the version 2 footer, which most files lack.
namespace platform {
namespace {

constexpr qsizetype kHeaderSize = 18;

struct TgaHeader
{
    int idLength = 0;
    int colorMapType = 0;
    int imageType = 0;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    int width = 0;
    int height = 0;
    int depth = 0;
    int descriptor = 0;

    bool mapped() const { return (imageType & 7) == 1; }
    bool gray() const { return (imageType & 7) == 3; }
    bool rle() const { return imageType & 8; }
    int alphaBits() const { return descriptor & 0x0f; }
};

bool readHeader(const QByteArray &data, TgaHeader *h)
{
    if (data.size() < kHeaderSize)
        return false;
    const auto *b = reinterpret_cast<const uchar *>(data.constData());
    auto le16 = [&](int at) { return int(b[at] | b[at + 1] << 8); };
    h->idLength = b[0];
    h->colorMapType = b[1];
    h->imageType = b[2];
    h->mapFirst = le16(3);
    h->mapLength = le16(5);
    h->mapEntryBits = b[7];
    h->width = le16(12);
    h->height = le16(14);
    h->depth = b[16];
    h->descriptor = b[17];
    switch (h->imageType) {
    case 1: case 2: case 3: case 9: case 10: case 11:
        break;
    default:
        return false;
    }
    if (h->colorMapType != (h->mapped() ? 1 : 0) || (h->descriptor & 0xc0) != 0 || h->width == 0 || h->height == 0)
        return false;
    if (h->mapped())
        return (h->depth == 8 || h->depth == 16) && h->mapLength > 0 &&
               (h->mapEntryBits == 15 || h->mapEntryBits == 16 || h->mapEntryBits == 24 || h->mapEntryBits == 32);
    if (h->gray())
        return h->depth == 8 || h->depth == 16; // gray, or gray and alpha
    return h->depth == 15 || h->depth == 16 || h->depth == 24 || h->depth == 32;
}

class TgaDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("com.truevision.tga-image"); }

    bool open(const QByteArray &data) override
    {
        if (!readHeader(data, &m_header) || !dimensionsAllowed(m_header.width, m_header.height))
            return false;
        const qint64 mapBytes = m_header.colorMapType ? qint64(m_header.mapLength) * ((m_header.mapEntryBits + 7) / 8) : 0;
        const qint64 pixelsAt = kHeaderSize + m_header.idLength + mapBytes;
        if (pixelsAt >= data.size())
            return false;
        m_data = data;
        m_info.width = size_t(m_header.width);
        m_info.height = size_t(m_header.height);
        m_info.model = m_header.gray() ? kCGColorSpaceModelMonochrome : kCGColorSpaceModelRGB;
        const int bits = m_header.mapped() ? m_header.mapEntryBits : m_header.depth;
        m_info.hasAlpha = m_header.gray() ? m_header.depth == 16
                                          : (bits == 32 || bits == 16) && m_header.alphaBits() > 0;
        m_info.isIndexed = m_header.mapped();
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index != 0 || m_data.isEmpty())
            return nullptr;
        const TgaHeader &h = m_header;
        const auto *b = reinterpret_cast<const uchar *>(m_data.constData());
        const qsizetype size = m_data.size();
        const int mapEntryBytes = (h.mapEntryBits + 7) / 8;
        const qsizetype mapAt = kHeaderSize + h.idLength;
        qsizetype at = mapAt + (h.colorMapType ? qsizetype(h.mapLength) * mapEntryBytes : 0);
        const int pixelBytes = (h.depth + 7) / 8;
        const bool gray = h.gray(), alpha = m_info.hasAlpha;
        const int channels = (gray ? 1 : 3) + (alpha ? 1 : 0);
        const size_t width = size_t(h.width), height = size_t(h.height);
        const size_t rowBytes = width * size_t(channels);
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * height, true);
        if (!pixels)
            return nullptr;

        // One stored pixel (little-endian bytes) as gray or RGB components and alpha.
        auto colour = [&](const uchar *p, int bits, uint8_t *out) {
            switch (bits) {
            case 15:
            case 16: {
                const int v = p[0] | p[1] << 8;
                out[0] = uint8_t(((v >> 10) & 31) * 255 / 31);
                out[1] = uint8_t(((v >> 5) & 31) * 255 / 31);
                out[2] = uint8_t((v & 31) * 255 / 31);
                if (alpha)
                    out[3] = (v & 0x8000) ? 255 : 0;
                break;
            }
            default: // 24 or 32: blue, green, red (, alpha)
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
                if (alpha)
                    out[3] = bits == 32 ? p[3] : 255;
                break;
            }
        };
        auto convert = [&](const uchar *p, uint8_t *out) {
            if (gray) {
                out[0] = p[0];
                if (alpha)
                    out[1] = p[1];
                return true;
            }
            if (!h.mapped()) {
                colour(p, h.depth, out);
                return true;
            }
            const int entry = (pixelBytes == 2 ? (p[0] | p[1] << 8) : p[0]) - h.mapFirst;
            if (entry < 0 || entry >= h.mapLength)
                return false;
            colour(b + mapAt + qsizetype(entry) * mapEntryBytes, h.mapEntryBits, out);
            return true;
        };

        const size_t total = width * height;
        size_t done = 0;
        auto store = [&](const uchar *p) {
            const size_t stored = done++;
            size_t y = stored / width, x = stored % width;
            if (!(h.descriptor & 0x20)) // bottom row first
                y = height - 1 - y;
            if (h.descriptor & 0x10) // right to left
                x = width - 1 - x;
            return convert(p, pixels.get() + y * rowBytes + x * size_t(channels));
        };
        while (done < total) {
            if (!h.rle()) {
                if (at + qsizetype(total) * pixelBytes > size)
                    return nullptr;
                for (; done < total; at += pixelBytes)
                    if (!store(b + at))
                        return nullptr;
                break;
            }
            if (at >= size)
                return nullptr;
            const int packet = b[at++];
            const size_t count = size_t(packet & 0x7f) + 1;
            if (count > total - done)
                return nullptr;
            if (packet & 0x80) { // one pixel repeated
                if (at + pixelBytes > size)
                    return nullptr;
                for (size_t i = 0; i < count; ++i)
                    if (!store(b + at))
                        return nullptr;
                at += pixelBytes;
            } else { // pixels as they are
                if (at + qsizetype(count) * pixelBytes > size)
                    return nullptr;
                for (size_t i = 0; i < count; ++i, at += pixelBytes)
                    if (!store(b + at))
                        return nullptr;
            }
        }
        return makeDecodedImage(width, height, 8, false, alpha, false, rowBytes, colorSpaceFor(m_info.model, {}),
                                std::move(pixels));
    }

private:
    QByteArray m_data;
    TgaHeader m_header;
    ImageInfo m_info;
};

} // namespace

std::unique_ptr<ImageDecoder> createTgaDecoder()
{
    return std::make_unique<TgaDecoder>();
}

} // namespace platform
