// A one-page PDF holding the image as an image XObject: samples Flate-compressed, the colour
// space ICCBased on the image's own profile, alpha as a soft mask, the page as large as the
// image at its resolution.
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/MCImageWriters.h"

#include <QDateTime>
#include <QtEndian>

#include <zlib.h>

#include <cmath>

namespace platform {
namespace {

// Deflates rows as they come, so the uncompressed image is never held twice.
class Deflater
{
public:
    Deflater() { deflateInit(&m_stream, 6); }
    ~Deflater() { deflateEnd(&m_stream); }
    bool add(const void *data, size_t size, bool last = false)
    {
        m_stream.next_in = static_cast<Bytef *>(const_cast<void *>(data));
        m_stream.avail_in = uInt(size);
        unsigned char chunk[65536];
        int status = Z_OK;
        do {
            m_stream.next_out = chunk;
            m_stream.avail_out = sizeof chunk;
            status = deflate(&m_stream, last ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR)
                return false;
            m_out.append(reinterpret_cast<const char *>(chunk), qsizetype(sizeof chunk - m_stream.avail_out));
        } while (m_stream.avail_out == 0 || (last && status != Z_STREAM_END));
        return true;
    }
    QByteArray take() { return std::move(m_out); }

private:
    z_stream m_stream {};
    QByteArray m_out;
};

// A PDF literal string: UTF-16 with a byte-order mark when not plain ASCII.
QByteArray pdfString(const QString &text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() >= 32 && c.unicode() < 127;
    QByteArray raw;
    if (ascii) {
        raw = text.toLatin1();
    } else {
        raw.append("\xFE\xFF", 2);
        for (QChar c : text) {
            raw.append(char(c.unicode() >> 8));
            raw.append(char(c.unicode() & 0xFF));
        }
    }
    QByteArray escaped = "(";
    for (char c : raw) {
        if (c == '(' || c == ')' || c == '\\')
            escaped.append('\\');
        escaped.append(c);
    }
    return escaped + ")";
}

class PdfWriter
{
public:
    int reserve()
    {
        m_offsets.push_back(-1);
        return int(m_offsets.size());
    }
    void object(int number, const QByteArray &dictionary, const QByteArray *stream = nullptr)
    {
        m_offsets[size_t(number - 1)] = m_bytes.size();
        m_bytes += QByteArray::number(number) + " 0 obj\n" + dictionary;
        if (stream) {
            m_bytes += "\nstream\n";
            m_bytes += *stream;
            m_bytes += "\nendstream";
        }
        m_bytes += "\nendobj\n";
    }
    QByteArray finish(int root, int info)
    {
        const qint64 xref = m_bytes.size();
        m_bytes += "xref\n0 " + QByteArray::number(qint64(m_offsets.size()) + 1) + "\n0000000000 65535 f \n";
        for (qint64 offset : m_offsets)
            m_bytes += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        m_bytes += "trailer\n<< /Size " + QByteArray::number(qint64(m_offsets.size()) + 1) + " /Root " +
                   QByteArray::number(root) + " 0 R /Info " + QByteArray::number(info) + " 0 R >>\nstartxref\n" +
                   QByteArray::number(xref) + "\n%%EOF\n";
        return std::move(m_bytes);
    }
    QByteArray m_bytes = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";

private:
    std::vector<qint64> m_offsets;
};

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', 4);
}

} // namespace

bool encodePDF(const WriterPixels &pixels, const WriterOptions &options, const QVariantMap &properties,
               QByteArray *out, MCError *error)
{
    const size_t colours = pixels.colours();
    const size_t bpc = pixels.bitsPerComponent();
    Deflater colourData, alphaData;
    std::vector<uint8_t> line(pixels.rowBytes(true));
    std::vector<uint8_t> colourLine(pixels.rowBytes(false));
    std::vector<uint8_t> alphaLine(pixels.width() * pixels.bytesPerComponent());
    const size_t samples = pixels.samples(true);
    const size_t bytes = pixels.bytesPerComponent();
    bool ok = true;
    for (size_t y = 0; y < pixels.height() && ok; ++y) {
        pixels.copyRow(y, line.data(), true);
        if (bpc == 16) // PDF samples are big-endian
            for (size_t i = 0; i < line.size(); i += 2)
                qToBigEndian(*reinterpret_cast<const uint16_t *>(line.data() + i), line.data() + i);
        for (size_t x = 0; x < pixels.width(); ++x) {
            std::memcpy(colourLine.data() + x * colours * bytes, line.data() + x * samples * bytes, colours * bytes);
            if (pixels.hasAlpha())
                std::memcpy(alphaLine.data() + x * bytes, line.data() + (x * samples + colours) * bytes, bytes);
        }
        const bool last = y + 1 == pixels.height();
        ok = colourData.add(colourLine.data(), colourLine.size(), last) &&
             (!pixels.hasAlpha() || alphaData.add(alphaLine.data(), alphaLine.size(), last));
    }
    if (!ok)
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed, QStringLiteral("The PDF image could not be compressed.")));

    PdfWriter pdf;
    const int catalog = pdf.reserve(), pages = pdf.reserve(), page = pdf.reserve(), contents = pdf.reserve(),
              image = pdf.reserve(), profile = pdf.reserve(), mask = pdf.reserve(), info = pdf.reserve();
    const double width = double(pixels.width()) * 72.0 / options.dpiX;
    const double height = double(pixels.height()) * 72.0 / options.dpiY;
    const auto ref = [](int n) { return QByteArray::number(n) + " 0 R"; };

    pdf.object(catalog, "<< /Type /Catalog /Pages " + ref(pages) + " >>");
    pdf.object(pages, "<< /Type /Pages /Kids [" + ref(page) + "] /Count 1 >>");
    pdf.object(page, "<< /Type /Page /Parent " + ref(pages) + " /MediaBox [0 0 " + number(width) + " " +
                         number(height) + "] /Resources << /XObject << /Im0 " + ref(image) + " >> >> /Contents " +
                         ref(contents) + " >>");
    const QByteArray drawing = "q " + number(width) + " 0 0 " + number(height) + " 0 0 cm /Im0 Do Q";
    pdf.object(contents, "<< /Length " + QByteArray::number(drawing.size()) + " >>", &drawing);

    QByteArray alternate;
    QByteArray range;
    switch (pixels.model()) {
    case kCGColorSpaceModelMonochrome:
        alternate = "/DeviceGray";
        break;
    case kCGColorSpaceModelCMYK:
        alternate = "/DeviceCMYK";
        break;
    case kCGColorSpaceModelLab:
        // Samples in the ICC Lab encoding: L 0..100, a and b offset by 128.
        alternate = "[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-128 127 -128 127] >>]";
        range = " /Range [0 100 -128 127 -128 127]";
        break;
    default:
        alternate = "/DeviceRGB";
        break;
    }
    QByteArray colourSpace = alternate;
    const QByteArray icc = pixels.iccData();
    if (!icc.isEmpty()) {
        Deflater iccData;
        iccData.add(icc.constData(), size_t(icc.size()), true);
        const QByteArray compressed = iccData.take();
        pdf.object(profile, "<< /N " + QByteArray::number(qint64(colours)) + " /Alternate " + alternate + range +
                                " /Filter /FlateDecode /Length " + QByteArray::number(compressed.size()) + " >>",
                   &compressed);
        colourSpace = "[/ICCBased " + ref(profile) + "]";
    } else {
        pdf.object(profile, "null");
    }
    QByteArray imageDictionary = "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(qint64(pixels.width())) +
                                 " /Height " + QByteArray::number(qint64(pixels.height())) + " /ColorSpace " +
                                 colourSpace + " /BitsPerComponent " + QByteArray::number(qint64(bpc)) +
                                 " /Filter /FlateDecode";
    if (pixels.hasAlpha()) {
        const QByteArray alpha = alphaData.take();
        pdf.object(mask, "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(qint64(pixels.width())) +
                             " /Height " + QByteArray::number(qint64(pixels.height())) +
                             " /ColorSpace /DeviceGray /BitsPerComponent " + QByteArray::number(qint64(bpc)) +
                             " /Filter /FlateDecode /Length " + QByteArray::number(alpha.size()) + " >>",
                   &alpha);
        imageDictionary += " /SMask " + ref(mask);
    } else {
        pdf.object(mask, "null");
    }
    const QByteArray samplesData = colourData.take();
    pdf.object(image, imageDictionary + " /Length " + QByteArray::number(samplesData.size()) + " >>", &samplesData);

    const QVariantMap tiff = properties.value(kCGImagePropertyTIFFDictionary).toMap();
    QByteArray infoDictionary = "<< /CreationDate " +
                                pdfString(QDateTime::currentDateTimeUtc().toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'")));
    const QString software = tiff.value(kCGImagePropertyTIFFSoftware).toString();
    if (!software.isEmpty())
        infoDictionary += " /Producer " + pdfString(software);
    const QString artist = tiff.value(kCGImagePropertyTIFFArtist).toString();
    if (!artist.isEmpty())
        infoDictionary += " /Author " + pdfString(artist);
    pdf.object(info, infoDictionary + " >>");
    *out = pdf.finish(catalog, info);
    return true;
}

} // namespace platform
