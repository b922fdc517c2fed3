#include "platform/imageio/decoders/Decoders.h"

#include <QtEndian>

#include <cstring>

#include <openjpeg.h>

namespace platform {

namespace {

struct MemoryStream
{
    const uint8_t *data;
    OPJ_SIZE_T size;
    OPJ_SIZE_T offset;
};

OPJ_SIZE_T streamRead(void *buffer, OPJ_SIZE_T length, void *user)
{
    auto *s = static_cast<MemoryStream *>(user);
    if (s->offset >= s->size)
        return OPJ_SIZE_T(-1);
    const OPJ_SIZE_T n = std::min(length, s->size - s->offset);
    std::memcpy(buffer, s->data + s->offset, n);
    s->offset += n;
    return n;
}

OPJ_OFF_T streamSkip(OPJ_OFF_T count, void *user)
{
    auto *s = static_cast<MemoryStream *>(user);
    if (count < 0) {
        if (OPJ_SIZE_T(-count) > s->offset)
            return -1;
        s->offset -= OPJ_SIZE_T(-count);
        return count;
    }
    const OPJ_SIZE_T n = std::min<OPJ_SIZE_T>(OPJ_SIZE_T(count), s->size - std::min(s->offset, s->size));
    s->offset += n;
    return OPJ_OFF_T(n);
}

OPJ_BOOL streamSeek(OPJ_OFF_T position, void *user)
{
    auto *s = static_cast<MemoryStream *>(user);
    if (position < 0 || OPJ_SIZE_T(position) > s->size)
        return OPJ_FALSE;
    s->offset = OPJ_SIZE_T(position);
    return OPJ_TRUE;
}

void quiet(const char *, void *) {}

// The first colour box of a JP2 file's header: an enumerated colour space, or an
// ICC profile. openjpeg reports it only after decoding the whole image, so it is read here
// from the boxes; a bare codestream has none.
struct ColourBox
{
    uint32_t enumerated = 0;
    QByteArray icc;
};

// Calls found(type, contentOffset, contentLength) for each box in data[begin, end) until it
// answers true; false when a box length does not fit.
template<typename Found> bool forEachBox(const QByteArray &data, qsizetype begin, qsizetype end, Found found)
{
    qsizetype offset = begin;
    while (offset + 8 <= end) {
        const auto *p = reinterpret_cast<const uchar *>(data.constData()) + offset;
        quint64 length = qFromBigEndian<quint32>(p);
        qsizetype header = 8;
        if (length == 1) { // the length follows the type as 64 bits
            if (offset + 16 > end)
                return false;
            length = qFromBigEndian<quint64>(p + 8);
            header = 16;
        } else if (length == 0) { // the last box runs to the end
            length = quint64(end - offset);
        }
        if (length < quint64(header) || length > quint64(end - offset))
            return false;
        if (found(QByteArray(data.constData() + offset + 4, 4), offset + header, qsizetype(length) - header))
            return true;
        offset += qsizetype(length);
    }
    return true;
}

ColourBox readColourBox(const QByteArray &data)
{
    ColourBox colourBox;
    forEachBox(data, 0, data.size(), [&](const QByteArray &type, qsizetype offset, qsizetype length) {
        if (type != "jp2h")
            return false;
        forEachBox(data, offset, offset + length, [&](const QByteArray &inner, qsizetype at, qsizetype size) {
            if (inner != "colr")
                return false;
            const auto *p = reinterpret_cast<const uchar *>(data.constData()) + at;
            if (size >= 7 && p[0] == 1)
                colourBox.enumerated = qFromBigEndian<quint32>(p + 3);
            else if (size > 3 && p[0] == 2)
                colourBox.icc = data.mid(at + 3, size - 3);
            return true; // readers take the first colour box only
        });
        return true;
    });
    return colourBox;
}

// One openjpeg decoding session over the bytes, released however it ends.
struct Session
{
    MemoryStream memory{};
    opj_stream_t *stream = nullptr;
    opj_codec_t *codec = nullptr;
    opj_image_t *image = nullptr;

    Session(const QByteArray &data, OPJ_CODEC_FORMAT format, unsigned reduce)
    {
        memory = {reinterpret_cast<const uint8_t *>(data.constData()), OPJ_SIZE_T(data.size()), 0};
        stream = opj_stream_default_create(OPJ_TRUE);
        codec = opj_create_decompress(format);
        if (!stream || !codec)
            return;
        opj_stream_set_user_data(stream, &memory, nullptr);
        opj_stream_set_user_data_length(stream, OPJ_UINT64(data.size()));
        opj_stream_set_read_function(stream, streamRead);
        opj_stream_set_skip_function(stream, streamSkip);
        opj_stream_set_seek_function(stream, streamSeek);
        opj_set_error_handler(codec, quiet, nullptr);
        opj_set_warning_handler(codec, quiet, nullptr);
        opj_set_info_handler(codec, quiet, nullptr);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        parameters.cp_reduce = reduce;
        if (!opj_setup_decoder(codec, &parameters) || !opj_read_header(stream, codec, &image))
            image = nullptr;
    }
    ~Session()
    {
        if (image)
            opj_image_destroy(image);
        if (codec)
            opj_destroy_codec(codec);
        if (stream)
            opj_stream_destroy(stream);
    }
};

// JPEG 2000 (JP2 files and bare codestreams) through openjpeg; a reduced resolution level is
// decoded when a smaller image is enough.
class Jpeg2000Decoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("public.jpeg-2000"); }

    bool open(const QByteArray &data) override
    {
        static const char jp2[] = "\x00\x00\x00\x0cjP  \r\n\x87\n";
        static const char j2k[] = "\xff\x4f\xff\x51";
        if (data.startsWith(QByteArray(jp2, 12)))
            m_format = OPJ_CODEC_JP2;
        else if (data.startsWith(QByteArray(j2k, 4)))
            m_format = OPJ_CODEC_J2K;
        else
            return false;
        m_data = data;
        Session session(m_data, m_format, 0);
        if (!session.image || !layoutUsable(session.image))
            return false;
        const opj_image_t *image = session.image;
        m_info.width = image->x1 - image->x0;
        m_info.height = image->y1 - image->y0;
        if (!dimensionsAllowed(qint64(m_info.width), qint64(m_info.height)))
            return false;
        m_info.bitsPerComponent = image->comps[0].prec > 8 ? 16 : 8;
        const ColourBox colourBox = readColourBox(m_data);
        m_info.iccProfile = colourBox.icc;
        m_info.model = modelOf(image->numcomps, colourBox);
        const size_t colour = m_info.model == kCGColorSpaceModelMonochrome ? 1 : m_info.model == kCGColorSpaceModelCMYK ? 4 : 3;
        m_info.hasAlpha = image->numcomps > colour;
        return true;
    }

    ImageInfo info(size_t) const override { return m_info; }

    CGImageRef decode(size_t index, size_t minimumSide) override
    {
        if (index != 0)
            return nullptr;
        unsigned reduce = 0;
        while (minimumSide > 0 && reduce < 5 && (std::max(m_info.width, m_info.height) >> (reduce + 1)) >= minimumSide)
            ++reduce;
        for (;;) {
            Session session(m_data, m_format, reduce);
            if (!session.image)
                return nullptr;
            // A file with fewer resolution levels than asked for fails reduced: decode it whole.
            if (opj_decode(session.codec, session.stream, session.image) && opj_end_decompress(session.codec, session.stream))
                return imageFrom(session.image);
            if (reduce == 0)
                return nullptr;
            reduce = 0;
        }
    }

private:
    // The model from the enumerated colour space or from the ICC profile's own colour space;
    // a bare codestream says nothing, and its component count decides.
    static CGColorSpaceModel modelOf(OPJ_UINT32 components, const ColourBox &colour)
    {
        constexpr uint32_t kCMYK = 12, kGray = 17;
        const QByteArray signature = colour.icc.mid(16, 4);
        if ((colour.enumerated == kCMYK || signature == "CMYK") && components >= 4)
            return kCGColorSpaceModelCMYK;
        if (colour.enumerated == kGray || signature == "GRAY" || components < 3)
            return kCGColorSpaceModelMonochrome;
        return kCGColorSpaceModelRGB;
    }

    // Every component the same size and precision, at most 16 bits, unsigned, no sub-sampling
    // (sYCC with chroma sub-sampling is refused rather than shown wrong).
    static bool layoutUsable(const opj_image_t *image)
    {
        if (image->numcomps < 1 || image->numcomps > 5 || image->color_space == OPJ_CLRSPC_SYCC ||
            image->color_space == OPJ_CLRSPC_EYCC)
            return false;
        for (OPJ_UINT32 c = 0; c < image->numcomps; ++c) {
            const opj_image_comp_t &comp = image->comps[c];
            if (comp.dx != 1 || comp.dy != 1 || comp.prec < 1 || comp.prec > 16 || comp.sgnd ||
                comp.prec != image->comps[0].prec)
                return false;
        }
        return true;
    }

    CGImageRef imageFrom(const opj_image_t *image) const
    {
        if (!layoutUsable(image))
            return nullptr;
        const size_t w = image->comps[0].w, h = image->comps[0].h;
        if (!dimensionsAllowed(qint64(w), qint64(h)))
            return nullptr;
        const size_t colour = m_info.model == kCGColorSpaceModelMonochrome ? 1 : m_info.model == kCGColorSpaceModelCMYK ? 4 : 3;
        const size_t channels = colour + (m_info.hasAlpha ? 1 : 0);
        if (image->numcomps < channels)
            return nullptr;
        for (size_t c = 0; c < channels; ++c)
            if (image->comps[c].w != w || image->comps[c].h != h || !image->comps[c].data)
                return nullptr;
        const size_t depth = m_info.bitsPerComponent;
        const size_t rowBytes = w * channels * (depth / 8);
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * h);
        if (!pixels)
            return nullptr;
        const unsigned prec = image->comps[0].prec;
        const uint32_t maxIn = (1u << prec) - 1;
        const uint32_t maxOut = depth == 16 ? 65535 : 255;
        for (size_t y = 0; y < h; ++y) {
            uint8_t *row = pixels.get() + y * rowBytes;
            for (size_t x = 0; x < w; ++x)
                for (size_t c = 0; c < channels; ++c) {
                    const int32_t raw = image->comps[c].data[y * w + x];
                    const uint32_t v = uint32_t(std::clamp<int32_t>(raw, 0, int32_t(maxIn)));
                    const uint32_t scaled = maxIn == maxOut ? v : (v * maxOut + maxIn / 2) / maxIn;
                    if (depth == 16) {
                        const uint16_t s = uint16_t(scaled);
                        std::memcpy(row + (x * channels + c) * 2, &s, 2);
                    } else {
                        row[x * channels + c] = uint8_t(scaled);
                    }
                }
        }
        return makeDecodedImage(w, h, depth, false, m_info.hasAlpha, false, rowBytes,
                                colorSpaceFor(m_info.model, m_info.iccProfile), std::move(pixels));
    }

    QByteArray m_data;
    OPJ_CODEC_FORMAT m_format = OPJ_CODEC_JP2;
    ImageInfo m_info;
};

} // namespace

std::unique_ptr<ImageDecoder> createJpeg2000Decoder() { return std::make_unique<Jpeg2000Decoder>(); }

} // namespace platform
