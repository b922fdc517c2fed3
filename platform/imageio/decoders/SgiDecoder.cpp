#include "platform/imageio/decoders/Decoders.h"

#include "platform/graphics/CGImage.h"

#include <QtEndian>

#include <cstring>
#include <vector>

// SGI (Iris) images: a 512-byte big-endian header, then the channels one after the other, each
// as rows from the bottom up, stored as they are or run-length encoded with a table of where
// each row starts. One or two bytes a component; gray, gray and alpha, RGB or RGBA.
namespace platform {
namespace {

constexpr qsizetype kHeaderSize = 512;

class SgiDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("com.sgi.sgi-image"); }

    bool open(const QByteArray &data) override
    {
        if (data.size() < kHeaderSize)
            return false;
        const auto *b = reinterpret_cast<const uchar *>(data.constData());
        if (qFromBigEndian<quint16>(b) != 474)
            return false;
        m_rle = b[2] == 1;
        m_bytes = b[3];
        const int dimension = qFromBigEndian<quint16>(b + 4);
        m_width = qFromBigEndian<quint16>(b + 6);
        m_height = dimension >= 2 ? qFromBigEndian<quint16>(b + 8) : 1;
        m_channels = dimension >= 3 ? qFromBigEndian<quint16>(b + 10) : 1;
        const quint32 colormap = qFromBigEndian<quint32>(b + 104);
        if (b[2] > 1 || (m_bytes != 1 && m_bytes != 2) || dimension < 1 || dimension > 3 || m_channels < 1 ||
            m_channels > 4 || colormap != 0 || !dimensionsAllowed(m_width, m_height))
            return false;
        const qint64 rows = qint64(m_height) * m_channels;
        if (m_rle ? data.size() < kHeaderSize + rows * 8
                  : data.size() - kHeaderSize < rows * m_width * m_bytes) // a short file is damaged
            return false;
        m_data = data;
        m_info.width = size_t(m_width);
        m_info.height = size_t(m_height);
        m_info.bitsPerComponent = size_t(m_bytes) * 8;
        m_info.model = m_channels >= 3 ? kCGColorSpaceModelRGB : kCGColorSpaceModelMonochrome;
        m_info.hasAlpha = m_channels == 2 || m_channels == 4;
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index != 0 || m_data.isEmpty())
            return nullptr;
        const size_t rowBytes = size_t(m_width) * size_t(m_channels) * size_t(m_bytes);
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * size_t(m_height), true);
        if (!pixels)
            return nullptr;
        std::vector<quint16> row(static_cast<size_t>(m_width));
        for (int channel = 0; channel < m_channels; ++channel) {
            for (int y = 0; y < m_height; ++y) {
                if (!readRow(channel, y, row.data()))
                    return nullptr;
                // Rows run from the bottom up; components interleave in the image.
                uint8_t *out = pixels.get() + size_t(m_height - 1 - y) * rowBytes;
                for (int x = 0; x < m_width; ++x) {
                    const size_t at = (size_t(x) * size_t(m_channels) + size_t(channel)) * size_t(m_bytes);
                    if (m_bytes == 1)
                        out[at] = uint8_t(row[size_t(x)]);
                    else
                        std::memcpy(out + at, &row[size_t(x)], 2); // host order
                }
            }
        }
        return makeDecodedImage(size_t(m_width), size_t(m_height), size_t(m_bytes) * 8, false, m_info.hasAlpha, false,
                                rowBytes, colorSpaceFor(m_info.model, {}), std::move(pixels));
    }

private:
    // One component's row `y` of `channel` into `out` (m_width values); false when the file
    // does not hold it whole.
    bool readRow(int channel, int y, quint16 *out) const
    {
        const auto *b = reinterpret_cast<const uchar *>(m_data.constData());
        const qsizetype size = m_data.size();
        auto value = [&](qsizetype at) { return m_bytes == 1 ? quint16(b[at]) : qFromBigEndian<quint16>(b + at); };
        const qsizetype rowIndex = qsizetype(channel) * m_height + y;
        if (!m_rle) {
            const qsizetype start = kHeaderSize + rowIndex * m_width * m_bytes;
            for (int x = 0; x < m_width; ++x)
                out[x] = value(start + qsizetype(x) * m_bytes);
            return true;
        }
        const qsizetype tables = qsizetype(m_height) * m_channels;
        qsizetype at = qFromBigEndian<quint32>(b + kHeaderSize + rowIndex * 4);
        const qsizetype end = at + qsizetype(qFromBigEndian<quint32>(b + kHeaderSize + (tables + rowIndex) * 4));
        if (at < kHeaderSize || end > size || end < at)
            return false;
        int x = 0;
        while (at + m_bytes <= end) {
            const quint16 code = value(at);
            at += m_bytes;
            const int count = code & 0x7f;
            if (count == 0)
                break;
            if (x + count > m_width)
                return false;
            if (code & 0x80) { // literal values
                if (at + qsizetype(count) * m_bytes > end)
                    return false;
                for (int i = 0; i < count; ++i, at += m_bytes)
                    out[x++] = value(at);
            } else { // one value repeated
                if (at + m_bytes > end)
                    return false;
                const quint16 repeated = value(at);
                at += m_bytes;
                for (int i = 0; i < count; ++i)
                    out[x++] = repeated;
            }
        }
        return x == m_width;
    }

    QByteArray m_data;
    ImageInfo m_info;
    bool m_rle = false;
    int m_bytes = 1;
    int m_width = 0;
    int m_height = 0;
    int m_channels = 0;
};

} // namespace

std::unique_ptr<ImageDecoder> createSgiDecoder()
{
    return std::make_unique<SgiDecoder>();
}

} // namespace platform
