#include "platform/imageio/decoders/Decoders.h"

#include <webp/decode.h>
#include <webp/demux.h>

namespace platform {

namespace {

// WebP through libwebp: the still image, or the first frame of an animation; the ICC, EXIF
// and XMP chunks through the demuxer.
class WebPDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("org.webmproject.webp"); }

    bool open(const QByteArray &data) override
    {
        if (data.size() < 16 || !data.startsWith("RIFF") || data.mid(8, 4) != "WEBP")
            return false;
        m_data = data;
        WebPData webp{reinterpret_cast<const uint8_t *>(data.constData()), size_t(data.size())};
        WebPDemuxer *demux = WebPDemux(&webp);
        if (!demux)
            return false;
        const int w = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH));
        const int h = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT));
        const uint32_t flags = WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS);
        m_info.iccProfile = chunk(demux, "ICCP");
        m_exif = chunk(demux, "EXIF");
        // Some writers keep the JPEG APP1 prefix in the chunk.
        if (m_exif.startsWith(QByteArray("Exif\0\0", 6)))
            m_exif.remove(0, 6);
        m_xmp = chunk(demux, "XMP ");
        WebPIterator frame;
        bool ok = WebPDemuxGetFrame(demux, 1, &frame);
        if (ok) {
            m_frame = QByteArray(reinterpret_cast<const char *>(frame.fragment.bytes), qsizetype(frame.fragment.size));
            m_frameX = frame.x_offset;
            m_frameY = frame.y_offset;
            m_info.hasAlpha = frame.has_alpha || (flags & ALPHA_FLAG);
            WebPDemuxReleaseIterator(&frame);
        }
        WebPDemuxDelete(demux);
        if (!ok || !dimensionsAllowed(w, h))
            return false;
        m_info.width = size_t(w);
        m_info.height = size_t(h);
        m_info.bitsPerComponent = 8;
        m_info.model = kCGColorSpaceModelRGB;
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }
    QByteArray exifBlock() const override { return m_exif; }
    QByteArray xmpPacket() const override { return m_xmp; }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index != 0)
            return nullptr;
        int fw = 0, fh = 0;
        const auto *bytes = reinterpret_cast<const uint8_t *>(m_frame.constData());
        if (!WebPGetInfo(bytes, size_t(m_frame.size()), &fw, &fh) || fw <= 0 || fh <= 0 ||
            size_t(m_frameX + fw) > m_info.width || size_t(m_frameY + fh) > m_info.height)
            return nullptr;
        const size_t channels = m_info.hasAlpha ? 4 : 3;
        const size_t rowBytes = m_info.width * channels;
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * m_info.height);
        if (!pixels)
            return nullptr;
        // The first frame drawn at its offset on a transparent canvas.
        uint8_t *origin = pixels.get() + size_t(m_frameY) * rowBytes + size_t(m_frameX) * channels;
        const size_t size = rowBytes * (size_t(fh) - 1) + size_t(fw) * channels;
        const uint8_t *ok = m_info.hasAlpha ? WebPDecodeRGBAInto(bytes, size_t(m_frame.size()), origin, size, int(rowBytes))
                                            : WebPDecodeRGBInto(bytes, size_t(m_frame.size()), origin, size, int(rowBytes));
        if (!ok)
            return nullptr;
        return makeDecodedImage(m_info.width, m_info.height, 8, false, m_info.hasAlpha, false, rowBytes,
                                colorSpaceFor(kCGColorSpaceModelRGB, m_info.iccProfile), std::move(pixels));
    }

private:
    static QByteArray chunk(WebPDemuxer *demux, const char *fourcc)
    {
        WebPChunkIterator it;
        QByteArray result;
        if (WebPDemuxGetChunk(demux, fourcc, 1, &it))
            result = QByteArray(reinterpret_cast<const char *>(it.chunk.bytes), qsizetype(it.chunk.size));
        WebPDemuxReleaseChunkIterator(&it);
        return result;
    }

    QByteArray m_data;
    QByteArray m_frame; // the first frame's bitstream (points into m_data's copy)
    int m_frameX = 0, m_frameY = 0;
    ImageInfo m_info;
    QByteArray m_exif;
    QByteArray m_xmp;
};

} // namespace

std::unique_ptr<ImageDecoder> createWebPDecoder() { return std::make_unique<WebPDecoder>(); }

} // namespace platform
