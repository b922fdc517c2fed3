#include "platform/imageio/CGImageSource.h"

#include "platform/core/MCFileReading.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/ImageDecoder.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/MCMetadataReader.h"


#include <cmath>
#include <cstring>
#include <vector>

const QString kCGImageSourceTypeIdentifierHint = QStringLiteral("kCGImageSourceTypeIdentifierHint");
const QString kCGImageSourceShouldCache = QStringLiteral("kCGImageSourceShouldCache");
const QString kCGImageSourceShouldAllowFloat = QStringLiteral("kCGImageSourceShouldAllowFloat");
const QString kCGImageSourceCreateThumbnailFromImageIfAbsent =
    QStringLiteral("kCGImageSourceCreateThumbnailFromImageIfAbsent");
const QString kCGImageSourceCreateThumbnailFromImageAlways =
    QStringLiteral("kCGImageSourceCreateThumbnailFromImageAlways");
const QString kCGImageSourceThumbnailMaxPixelSize = QStringLiteral("kCGImageSourceThumbnailMaxPixelSize");
const QString kCGImageSourceCreateThumbnailWithTransform =
    QStringLiteral("kCGImageSourceCreateThumbnailWithTransform");

const QString kMCImageSourceDecodeMinimumPixelSize = QStringLiteral("kMCImageSourceDecodeMinimumPixelSize");

const QString MCImageSourceErrorDomain = QStringLiteral("MCImageSourceErrorDomain");

namespace {

MCError sourceError(MCImageSourceErrorCode code, const QString &reason)
{
    MCError error(MCImageSourceErrorDomain, code, reason, reason);
    return error;
}

// Why the decoders gave nothing, from what they refused on this thread and the data.
MCError decodingError(const platform::DecodeRefusals &refusals, const QByteArray &data, bool recognised)
{
    if (refusals.tooLarge())
        return sourceError(kMCImageSourceTooLarge,
                           QStringLiteral("The image is larger than %1 megapixels or %2 pixels on a side.")
                               .arg(CGImage::kMaximumPixelCount / 1000000)
                               .arg(CGImage::kMaximumSide));
    if (refusals.outOfMemory())
        return sourceError(kMCImageSourceOutOfMemory, QStringLiteral("There is not enough memory for the image."));
    if (data.isEmpty())
        return sourceError(kMCImageSourceDamaged, QStringLiteral("The file is empty."));
    if (recognised || platform::hasImageSignature(data))
        return sourceError(kMCImageSourceDamaged, QStringLiteral("The image data is damaged or incomplete."));
    return sourceError(kMCImageSourceUnknownFormat, QStringLiteral("The data is not in an image format that can be read."));
}

const char *modelName(CGColorSpaceModel model)
{
    switch (model) {
    case kCGColorSpaceModelMonochrome:
        return "Gray";
    case kCGColorSpaceModelCMYK:
        return "CMYK";
    case kCGColorSpaceModelLab:
        return "Lab";
    default:
        return "RGB";
    }
}

} // namespace

CGImageSource::~CGImageSource() = default;

CGImageSourceRef CGImageSource::createWithURL(const QString &path, const QVariantMap &options)
{
    // Read, not mapped: a mapped photo that another program truncates while we decode it
    // kills the process with SIGBUS. Only regular files are read (see readRegularFile).
    platform::FileContents contents = platform::readRegularFile(path);
    if (!contents.isRead())
        return nullptr;
    return create(contents.data, options);
}

CGImageSourceRef CGImageSource::createWithData(const QByteArray &data, const QVariantMap &options)
{
    return create(data, options);
}

CGImageSourceRef CGImageSource::create(const QByteArray &data, const QVariantMap &options)
{
    CGImageSourceRef source(new CGImageSource);
    source->m_data = data;
    const platform::DecodeRefusals refusals;
    source->m_decoder = platform::createDecoder(source->m_data, options.value(kCGImageSourceTypeIdentifierHint).toString());
    if (!source->m_decoder)
        source->m_error = decodingError(refusals, source->m_data, false);
    return source;
}

QString CGImageSource::type() const { return m_decoder ? m_decoder->typeIdentifier() : QString(); }

size_t CGImageSource::count() const { return m_decoder ? m_decoder->count() : 0; }

CGImageSourceStatus CGImageSource::status() const
{
    if (m_decoder)
        return kCGImageStatusComplete;
    return m_error.is(MCImageSourceErrorDomain, kMCImageSourceUnknownFormat) ? kCGImageStatusUnknownType
                                                                               : kCGImageStatusInvalidData;
}

CGImageRef CGImageSource::createImageAtIndex(size_t index, const QVariantMap &options) const
{
    if (!m_decoder || index >= m_decoder->count())
        return nullptr;
    const size_t minimumSide =
        size_t(std::max<qint64>(0, options.value(kMCImageSourceDecodeMinimumPixelSize).toLongLong()));
    const platform::DecodeRefusals refusals;
    CGImageRef image = minimumSide > 0 ? m_decoder->decodeReduced(index, minimumSide) : m_decoder->decode(index, 0);
    m_error = image ? MCError() : decodingError(refusals, m_data, true);
    return image;
}

CGImageRef CGImageSource::createThumbnailAtIndex(size_t index, const QVariantMap &options) const
{
    if (!m_decoder || index >= m_decoder->count())
        return nullptr;
    const size_t maxSize = size_t(std::max<qint64>(0, options.value(kCGImageSourceThumbnailMaxPixelSize).toLongLong()));
    const bool always = options.value(kCGImageSourceCreateThumbnailFromImageAlways).toBool();
    const bool ifAbsent = options.value(kCGImageSourceCreateThumbnailFromImageIfAbsent).toBool();
    const platform::ImageInfo info = m_decoder->info(index);
    // An embedded thumbnail is "large enough" when it reaches the asked size, or the image's
    // own size when none was asked.
    const size_t wanted = std::min(maxSize ? maxSize : SIZE_MAX, std::max(info.width, info.height));

    CGImageRef thumbnail;
    if (!always) {
        CGImageRef embedded = m_decoder->embeddedThumbnail(index);
        if (!embedded && index == 0) {
            const QByteArray preview = platform::embeddedPreview(m_data, 0);
            if (!preview.isEmpty()) {
                if (auto decoder = platform::createDecoder(preview))
                    embedded = decoder->decode(0, 0);
            }
        }
        if (embedded && (std::max(embedded->width(), embedded->height()) >= wanted || !ifAbsent))
            thumbnail = embedded;
        else if (!embedded && !ifAbsent)
            return nullptr;
    }
    if (!thumbnail) {
        const platform::DecodeRefusals refusals;
        thumbnail = m_decoder->decode(index, maxSize);
        m_error = thumbnail ? MCError() : decodingError(refusals, m_data, true);
    }
    if (!thumbnail)
        return nullptr;
    thumbnail = platform::createScaledImage8(thumbnail, maxSize);
    if (thumbnail && options.value(kCGImageSourceCreateThumbnailWithTransform).toBool()) {
        const int orientation = copyPropertiesAtIndex(index).value(kCGImagePropertyOrientation).toInt();
        thumbnail = platform::createImageWithOrientation(thumbnail, orientation);
    }
    return thumbnail;
}

QVariantMap CGImageSource::copyProperties(const QVariantMap &) const
{
    QVariantMap properties;
    properties.insert(kCGImagePropertyFileSize, qint64(m_data.size()));
    if (m_decoder) {
        properties.insert(kCGImagePropertyImageCount, qint64(m_decoder->count()));
        const QVariantMap format = m_decoder->formatProperties(0);
        for (auto it = format.begin(); it != format.end(); ++it)
            properties.insert(it.key(), it.value());
    }
    return properties;
}

QVariantMap CGImageSource::copyPropertiesAtIndex(size_t index, const QVariantMap &) const
{
    if (!m_decoder || index >= m_decoder->count())
        return {};
    if (!m_metadataRead) {
        const QByteArray exif = m_decoder->exifBlock();
        const QByteArray xmp = m_decoder->xmpPacket();
        m_metadata = exif.isEmpty() && xmp.isEmpty() ? platform::readImageMetadata(m_data)
                                                     : platform::readImageMetadataFromBlocks(exif, xmp);
        m_metadataRead = true;
    }
    const platform::ImageInfo info = m_decoder->info(index);
    // Metadata blocks describe the file's first image; later pages of a TIFF have only their own facts.
    QVariantMap properties = index == 0 ? m_metadata : QVariantMap();
    properties.insert(kCGImagePropertyPixelWidth, qint64(info.width));
    properties.insert(kCGImagePropertyPixelHeight, qint64(info.height));
    properties.insert(kCGImagePropertyDepth, qint64(info.bitsPerComponent));
    properties.insert(kCGImagePropertyColorModel, QString::fromLatin1(modelName(info.model)));
    properties.insert(kCGImagePropertyHasAlpha, info.hasAlpha);
    if (info.isFloat)
        properties.insert(kCGImagePropertyIsFloat, true);
    if (info.isIndexed)
        properties.insert(kCGImagePropertyIsIndexed, true);
    if (!info.iccProfile.isEmpty()) {
        if (CGColorSpaceRef space = CGColorSpace::createWithICCData(info.iccProfile)) {
            const QString name = space->profileDescription();
            if (!name.isEmpty())
                properties.insert(kCGImagePropertyProfileName, name);
        }
    }
    if (info.pixelsUpright)
        properties.insert(kCGImagePropertyOrientation, 1);
    else if (!properties.contains(kCGImagePropertyOrientation) && info.orientation >= 1 && info.orientation <= 8)
        properties.insert(kCGImagePropertyOrientation, info.orientation);
    // The EXIF/TIFF resolution is what editors set; a container's own (JFIF, pHYs) only
    // when the file has none.
    const QVariantMap tiff = properties.value(kCGImagePropertyTIFFDictionary).toMap();
    const int unit = tiff.value(kCGImagePropertyTIFFResolutionUnit, 2).toInt();
    const double perInch = unit == 3 ? 2.54 : unit == 2 ? 1.0 : 0.0;
    double dpiX = tiff.value(kCGImagePropertyTIFFXResolution).toDouble() * perInch;
    double dpiY = tiff.value(kCGImagePropertyTIFFYResolution).toDouble() * perInch;
    if (dpiX <= 0 || dpiY <= 0) {
        dpiX = info.dpiWidth;
        dpiY = info.dpiHeight;
    }
    if (dpiX > 0 && dpiY > 0 && std::isfinite(dpiX) && std::isfinite(dpiY)) {
        properties.insert(kCGImagePropertyDPIWidth, dpiX);
        properties.insert(kCGImagePropertyDPIHeight, dpiY);
    }
    const QVariantMap format = m_decoder->formatProperties(index);
    for (auto it = format.begin(); it != format.end(); ++it) {
        // A format's sub-dictionary is merged into what the metadata reader found.
        QVariantMap merged = properties.value(it.key()).toMap();
        const QVariantMap add = it.value().toMap();
        if (add.isEmpty()) {
            properties.insert(it.key(), it.value());
            continue;
        }
        for (auto a = add.begin(); a != add.end(); ++a)
            merged.insert(a.key(), a.value());
        properties.insert(it.key(), merged);
    }
    return properties;
}

namespace platform {

CGImageRef createImageWithOrientation(const CGImageRef &image, int orientation)
{
    if (!image || orientation < 2 || orientation > 8)
        return image;
    if (image->bitsPerPixel() % 8 != 0)
        return nullptr;
    const size_t w = image->width(), h = image->height();
    const bool swap = orientation >= 5;
    const size_t ow = swap ? h : w, oh = swap ? w : h;
    const size_t bpp = image->bitsPerPixel() / 8;
    const size_t rowBytes = ow * bpp;
    std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * oh);
    if (!pixels)
        return nullptr;
    for (size_t dy = 0; dy < oh; ++dy) {
        uint8_t *out = pixels.get() + dy * rowBytes;
        for (size_t dx = 0; dx < ow; ++dx) {
            size_t sx = dx, sy = dy;
            switch (orientation) {
            case 2: sx = w - 1 - dx; sy = dy; break;
            case 3: sx = w - 1 - dx; sy = h - 1 - dy; break;
            case 4: sx = dx; sy = h - 1 - dy; break;
            case 5: sx = dy; sy = dx; break;
            case 6: sx = dy; sy = h - 1 - dx; break;
            case 7: sx = w - 1 - dy; sy = h - 1 - dx; break;
            case 8: sx = w - 1 - dy; sy = dx; break;
            }
            std::memcpy(out + dx * bpp, image->row(sy) + sx * bpp, bpp);
        }
    }
    return CGImage::create(ow, oh, image->bitsPerComponent(), image->bitsPerPixel(), rowBytes, image->colorSpace(),
                           image->bitmapInfo(), std::shared_ptr<const uint8_t>(std::move(pixels)), rowBytes * oh,
                           image->renderingIntent());
}

namespace {

// One row of any byte-aligned component format as floats on the 0..255 scale.
void rowToUnit255(const CGImageRef &image, size_t y, size_t channels, float *out)
{
    const size_t n = image->width() * channels;
    const uint8_t *row = image->row(y);
    const bool isLab = image->colorSpace() && image->colorSpace()->model() == kCGColorSpaceModelLab;
    const size_t colourChannels = image->colorSpace() ? image->colorSpace()->numberOfComponents() : channels;
    switch (image->bitsPerComponent()) {
    case 8:
        for (size_t i = 0; i < n; ++i)
            out[i] = row[i];
        break;
    case 16: {
        const auto order = image->bitmapInfo() & kCGBitmapByteOrderMask;
        const bool swapBytes = (QSysInfo::ByteOrder == QSysInfo::LittleEndian) ? order == kCGBitmapByteOrder16Big
                                                                              : order == kCGBitmapByteOrder16Little;
        for (size_t i = 0; i < n; ++i) {
            uint16_t v;
            std::memcpy(&v, row + 2 * i, 2);
            if (swapBytes)
                v = uint16_t((v >> 8) | (v << 8));
            out[i] = float(v) * (255.0f / 65535.0f);
        }
        break;
    }
    case 32:
        for (size_t i = 0; i < n; ++i) {
            float v;
            std::memcpy(&v, row + 4 * i, 4);
            if (isLab && i % channels < size_t(colourChannels))
                v = (i % channels == 0) ? v / 100.0f : (v + 128.0f) / 255.0f;
            out[i] = std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) * 255.0f : 0.0f;
        }
        break;
    }
}

} // namespace

CGImageRef createScaledImage8(const CGImageRef &image, size_t maxPixelSize)
{
    if (!image)
        return nullptr;
    const size_t bpc = image->bitsPerComponent();
    if ((bpc != 8 && bpc != 16 && bpc != 32) || image->bitsPerPixel() % bpc != 0)
        return nullptr;
    const size_t w = image->width(), h = image->height();
    const size_t side = std::max(w, h);
    if (bpc == 8 && (maxPixelSize == 0 || side <= maxPixelSize))
        return image;
    const double scale = (maxPixelSize && side > maxPixelSize) ? double(maxPixelSize) / double(side) : 1.0;
    const size_t ow = std::max<size_t>(1, size_t(std::lround(double(w) * scale)));
    const size_t oh = std::max<size_t>(1, size_t(std::lround(double(h) * scale)));
    const size_t channels = image->bitsPerPixel() / bpc;
    const size_t rowBytes = ow * channels;
    std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * oh);
    if (!pixels)
        return nullptr;
    std::vector<float> source(w * channels);
    std::vector<float> sums(ow * channels);
    std::vector<size_t> x0(ow + 1);
    for (size_t ox = 0; ox <= ow; ++ox)
        x0[ox] = std::min(w, ox * w / ow);
    for (size_t oy = 0; oy < oh; ++oy) {
        const size_t sy0 = oy * h / oh;
        const size_t sy1 = std::max(sy0 + 1, std::min(h, (oy + 1) * h / oh));
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (size_t sy = sy0; sy < sy1; ++sy) {
            rowToUnit255(image, sy, channels, source.data());
            for (size_t ox = 0; ox < ow; ++ox) {
                const size_t end = std::max(x0[ox] + 1, x0[ox + 1]);
                for (size_t sx = x0[ox]; sx < end && sx < w; ++sx)
                    for (size_t c = 0; c < channels; ++c)
                        sums[ox * channels + c] += source[sx * channels + c];
            }
        }
        uint8_t *out = pixels.get() + oy * rowBytes;
        for (size_t ox = 0; ox < ow; ++ox) {
            const size_t cols = std::max<size_t>(1, std::min(w, std::max(x0[ox] + 1, x0[ox + 1])) - x0[ox]);
            const float count = float(cols * (sy1 - sy0));
            for (size_t c = 0; c < channels; ++c)
                out[ox * channels + c] = uint8_t(std::clamp(sums[ox * channels + c] / count + 0.5f, 0.0f, 255.0f));
        }
    }
    const CGBitmapInfo info = image->bitmapInfo() & kCGBitmapAlphaInfoMask;
    return CGImage::create(ow, oh, 8, channels * 8, rowBytes, image->colorSpace(), info,
                           std::shared_ptr<const uint8_t>(std::move(pixels)), rowBytes * oh, image->renderingIntent());
}

} // namespace platform
