#include "platform/imageio/MCImageDestination.h"

#include "platform/core/MCFileAccess.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/MCImageWriters.h"
#include "platform/types/UTType.h"

#include <QFileInfo>
#include <QRectF>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <lcms2.h>

const QString kCGImageDestinationLossyCompressionQuality = QStringLiteral("kCGImageDestinationLossyCompressionQuality");
const QString kCGImageDestinationEmbedThumbnail = QStringLiteral("kCGImageDestinationEmbedThumbnail");
const QString kCGImageDestinationOrientation = QStringLiteral("kCGImageDestinationOrientation");
const QString kMCImageDestinationMetadataSource = QStringLiteral("MCImageDestinationMetadataSource");
const QString MCImageDestinationErrorDomain = QStringLiteral("MCImageDestinationErrorDomain");

namespace {

enum Depth : unsigned { D8 = 1, D16 = 2, DFloat = 4 };
constexpr unsigned modelBit(CGColorSpaceModel model) { return 1u << unsigned(model); }
constexpr unsigned Gray = modelBit(kCGColorSpaceModelMonochrome);
constexpr unsigned RGB = modelBit(kCGColorSpaceModelRGB);
constexpr unsigned CMYK = modelBit(kCGColorSpaceModelCMYK);
constexpr unsigned Lab = modelBit(kCGColorSpaceModelLab);

enum class Format { GIF, JPEG, JPEG2000, PDF, PNG, TIFF, BMP, HEIC };

struct FormatRule
{
    Format format;
    const QString &type;
    const char *name;
    unsigned models;
    unsigned depths;
    bool alpha;
};

// What each format can store; the table in MCImageDestination.h explains the choices.
const FormatRule kRules[] = {
    {Format::GIF, kUTTypeGIF, "GIF", Gray | RGB, D8, true},
    {Format::JPEG, kUTTypeJPEG, "JPEG", Gray | RGB | CMYK, D8, false},
    {Format::JPEG2000, kUTTypeJPEG2000, "JPEG 2000", Gray | RGB | CMYK, D8 | D16, true},
    {Format::PDF, kUTTypePDF, "PDF", Gray | RGB | CMYK | Lab, D8 | D16, true},
    {Format::PNG, kUTTypePNG, "PNG", Gray | RGB, D8 | D16, true},
    {Format::TIFF, kUTTypeTIFF, "TIFF", Gray | RGB | CMYK | Lab, D8 | D16 | DFloat, true},
    {Format::BMP, kUTTypeBMP, "BMP", Gray | RGB, D8, true},
    {Format::HEIC, kUTTypeHEIC, "HEIC", Gray | RGB, D8, true},
};

const FormatRule *ruleForType(const QString &type)
{
    for (const FormatRule &rule : kRules)
        if (type.compare(rule.type, Qt::CaseInsensitive) == 0)
            return &rule;
    return nullptr;
}

QString modelName(CGColorSpaceModel model)
{
    switch (model) {
    case kCGColorSpaceModelMonochrome:
        return QStringLiteral("gray");
    case kCGColorSpaceModelRGB:
        return QStringLiteral("RGB");
    case kCGColorSpaceModelCMYK:
        return QStringLiteral("CMYK");
    case kCGColorSpaceModelLab:
        return QStringLiteral("Lab");
    default:
        return QStringLiteral("this colour model's");
    }
}

// Checks the image against the rule and describes its memory layout.
bool checkImage(const FormatRule &rule, const CGImageRef &image, platform::CGPixelLayout *layout, MCError *error)
{
    using platform::writerError;
    if (!image || !image->colorSpace())
        return MCSetError(error, writerError(kMCImageDestinationInvalidImage, QStringLiteral("There is no image to write.")));
    const CGColorSpaceModel model = image->colorSpace()->model();
    if (!platform::describePixelLayout(image->colorSpace()->numberOfComponents(), image->bitsPerComponent(),
                                       image->bitsPerPixel(), image->bitmapInfo(), layout))
        return MCSetError(error, writerError(kMCImageDestinationInvalidImage,
                                             QStringLiteral("The image's pixel layout cannot be read.")));
    const QString format = QString::fromLatin1(rule.name);
    if (model < 0 || model > kCGColorSpaceModelLab || !(rule.models & modelBit(model)))
        return MCSetError(error, writerError(kMCImageDestinationUnsupportedPixelFormat,
                                             QStringLiteral("%1 cannot store %2 images.").arg(format, modelName(model))));
    unsigned depth = 0;
    if (layout->bitsPerComponent == 8 && !layout->isFloat)
        depth = D8;
    else if (layout->bitsPerComponent == 16 && !layout->isFloat)
        depth = D16;
    else if (layout->bitsPerComponent == 32 && layout->isFloat)
        depth = DFloat;
    if (!(rule.depths & depth)) {
        const QString what = layout->isFloat ? QStringLiteral("32-bit float")
                                             : QStringLiteral("%1-bit").arg(layout->bitsPerComponent);
        return MCSetError(error, writerError(kMCImageDestinationUnsupportedPixelFormat,
                                             QStringLiteral("%1 cannot store %2 images.").arg(format, what)));
    }
    if (layout->alpha >= 0 && !rule.alpha)
        return MCSetError(error, writerError(kMCImageDestinationUnsupportedPixelFormat,
                                             QStringLiteral("%1 cannot store images with alpha.").arg(format)));
    return true;
}

template<typename T> T swapped(T v)
{
    if constexpr (sizeof(T) == 1)
        return v;
    else
        return qbswap(v);
}

template<typename T> T unpremultiply(T c, T a)
{
    if constexpr (std::is_same_v<T, float>) {
        return a > 0.f ? c / a : 0.f;
    } else {
        constexpr uint32_t max = std::numeric_limits<T>::max();
        if (a == 0)
            return 0;
        const uint32_t v = (uint32_t(c) * max + a / 2) / a;
        return T(std::min(v, max));
    }
}

template<typename T>
void copyRowT(const platform::CGPixelLayout &layout, const uint8_t *src, size_t width, T *out, bool withAlpha)
{
    const T *in = reinterpret_cast<const T *>(src);
    const size_t channels = layout.channels;
    const bool alpha = withAlpha && layout.alpha >= 0;
    const size_t colours = layout.colours;
    // Components already in the order the encoders take, with nothing to drop, swap or
    // divide (an 8-bit RGB photo, the usual case): the row as it is.
    bool inOrder = channels == colours && layout.alpha < 0 && layout.padding < 0 && !layout.swapBytes &&
                   !layout.premultiplied;
    for (size_t c = 0; inOrder && c < colours; ++c)
        inOrder = layout.colour[c] == int(c);
    if (inOrder) {
        std::memcpy(out, in, width * channels * sizeof(T));
        return;
    }
    for (size_t x = 0; x < width; ++x, in += channels) {
        T a = layout.alpha >= 0 ? in[layout.alpha] : T(0);
        if (layout.swapBytes)
            a = swapped(a);
        for (size_t c = 0; c < colours; ++c) {
            T v = in[layout.colour[c]];
            if (layout.swapBytes)
                v = swapped(v);
            *out++ = layout.premultiplied ? unpremultiply(v, a) : v;
        }
        if (alpha)
            *out++ = a;
    }
}

} // namespace

namespace platform {

MCError writerError(qint64 code, const QString &reason)
{
    MCError error(MCImageDestinationErrorDomain, code, reason);
    error.setLocalizedFailureReason(reason);
    return error;
}

CGColorSpaceModel WriterPixels::model() const
{
    return m_image->colorSpace()->model();
}

QByteArray WriterPixels::iccData() const
{
    return m_image->colorSpace()->iccData();
}

void WriterPixels::copyRow(size_t y, void *out, bool withAlpha) const
{
    const uint8_t *src = m_image->row(y);
    switch (m_layout.bitsPerComponent) {
    case 8:
        copyRowT(m_layout, src, width(), static_cast<uint8_t *>(out), withAlpha);
        break;
    case 16:
        copyRowT(m_layout, src, width(), static_cast<uint16_t *>(out), withAlpha);
        break;
    default:
        copyRowT(m_layout, src, width(), static_cast<float *>(out), withAlpha);
        break;
    }
}

WriterOptions readWriterOptions(const QVariantMap &properties)
{
    WriterOptions options;
    bool ok = false;
    const double quality = properties.value(kCGImageDestinationLossyCompressionQuality).toDouble(&ok);
    if (ok && std::isfinite(quality))
        options.quality = std::clamp(quality, 0.0, 1.0);
    options.embedThumbnail = properties.value(kCGImageDestinationEmbedThumbnail).toBool();

    const QVariantMap tiff = properties.value(kCGImagePropertyTIFFDictionary).toMap();
    // The top-level orientation is the image's; the option and the TIFF entry stand in for it.
    for (const QVariant &value : {properties.value(kCGImagePropertyOrientation),
                                  properties.value(kCGImageDestinationOrientation),
                                  tiff.value(kCGImagePropertyTIFFOrientation)}) {
        const int orientation = value.toInt(&ok);
        if (ok && orientation >= 1 && orientation <= 8) {
            options.orientation = orientation;
            break;
        }
    }

    double unitScale = 1.0; // TIFF resolution unit 3 is per centimetre
    if (tiff.value(kCGImagePropertyTIFFResolutionUnit).toInt() == 3)
        unitScale = 2.54;
    auto resolution = [&](const QString &dpiKey, const QString &tiffKey, double *out) {
        bool valid = false;
        double value = properties.value(dpiKey).toDouble(&valid);
        if (!valid || !(value > 0) || !std::isfinite(value)) {
            value = tiff.value(tiffKey).toDouble(&valid) * unitScale;
        }
        if (valid && value > 0 && std::isfinite(value) && value < 1e6)
            *out = value;
    };
    resolution(kCGImagePropertyDPIWidth, kCGImagePropertyTIFFXResolution, &options.dpiX);
    resolution(kCGImagePropertyDPIHeight, kCGImagePropertyTIFFYResolution, &options.dpiY);

    auto chromaticities = [&](const QString &key, size_t count, std::vector<double> *out) {
        const QVariantList list = tiff.value(key).toList();
        std::vector<double> values;
        for (const QVariant &v : list) {
            bool valid = false;
            const double value = v.toDouble(&valid);
            if (valid && std::isfinite(value) && value >= 0 && value <= 1)
                values.push_back(value);
        }
        if (values.size() == count && size_t(list.size()) == count)
            *out = std::move(values);
    };
    chromaticities(kCGImagePropertyTIFFWhitePoint, 2, &options.whitePoint);
    chromaticities(kCGImagePropertyTIFFPrimaryChromaticities, 6, &options.primaryChromaticities);

    const int compression = tiff.value(kCGImagePropertyTIFFCompression).toInt();
    options.tiffCompression = (compression == 5 || compression == 32773) ? compression : 1;
    return options;
}

} // namespace platform

QStringList MCImageDestination::copyTypeIdentifiers()
{
    QStringList types;
    for (const FormatRule &rule : kRules)
        types << rule.type;
    return types;
}

std::unique_ptr<MCImageDestination> MCImageDestination::createWithURL(const QString &path, const QString &type,
                                                                      size_t count, MCError *error)
{
    if (!ruleForType(type)) {
        MCSetError(error, platform::writerError(kMCImageDestinationUnsupportedType,
                                                QStringLiteral("Images of type “%1” cannot be written.").arg(type)));
        return nullptr;
    }
    if (count != 1) {
        MCSetError(error, platform::writerError(kMCImageDestinationUnsupportedType,
                                                QStringLiteral("A file holds exactly one image.")));
        return nullptr;
    }
    if (path.isEmpty()) {
        MCSetError(error, platform::writerError(kMCImageDestinationWriteFailed, QStringLiteral("No file was named.")));
        return nullptr;
    }
    std::unique_ptr<MCImageDestination> destination(new MCImageDestination);
    destination->m_path = path;
    destination->m_type = type;
    return destination;
}

bool MCImageDestination::canWriteImage(const QString &type, const CGImageRef &image, MCError *error)
{
    const FormatRule *rule = ruleForType(type);
    if (!rule)
        return MCSetError(error, platform::writerError(kMCImageDestinationUnsupportedType,
                                                       QStringLiteral("Images of type “%1” cannot be written.").arg(type)));
    platform::CGPixelLayout layout;
    return checkImage(*rule, image, &layout, error);
}

void MCImageDestination::addImage(const CGImageRef &image, const QVariantMap &properties)
{
    m_image = image;
    m_properties = properties;
}

namespace {

// A colour image in a format that cannot carry its profile is shown by every reader as sRGB:
// it is converted to sRGB first, so a wide-gamut photo does not come out with shifted colours.
CGImageRef imageForProfileLessFormat(const CGImageRef &image)
{
    if (!image || !image->colorSpace() || image->colorSpace()->model() != kCGColorSpaceModelRGB)
        return image;
    const CGColorSpaceRef sRGB = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    if (image->colorSpace()->isEquivalent(*sRGB))
        return image;
    const bool alpha = image->alphaInfo() != kCGImageAlphaNone && image->alphaInfo() != kCGImageAlphaNoneSkipLast &&
                       image->alphaInfo() != kCGImageAlphaNoneSkipFirst;
    CGContextRef context = CGContext::createBitmap(nullptr, image->width(), image->height(), 8, 0, sRGB,
                                                   alpha ? kCGImageAlphaPremultipliedLast : kCGImageAlphaNoneSkipLast);
    if (!context)
        return nullptr;
    context->setBlendMode(kCGBlendModeCopy);
    if (!context->drawImage(QRectF(0, 0, double(image->width()), double(image->height())), image))
        return nullptr;
    return context->createImage();
}

// Plain JP2 readers know sRGB, gray and ICC profiles of the restricted kind (a gray curve, or
// three curves and a matrix); CMYK and profiles built of lookup tables are JPX only. Such an
// image is written as sRGB in its own depth (colour-converted through its profile), which every
// JP2 reader shows as it looks.
CGImageRef imageForPlainJP2(const CGImageRef &image)
{
    if (!image || !image->colorSpace())
        return image;
    const CGColorSpaceRef space = image->colorSpace();
    const bool restricted = space->model() != kCGColorSpaceModelCMYK &&
                            (space->iccData().isEmpty() ||
                             (space->lcmsProfile() && cmsIsMatrixShaper(static_cast<cmsHPROFILE>(space->lcmsProfile()))));
    if (restricted)
        return image;
    const CGColorSpaceRef sRGB = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    const bool alpha = image->alphaInfo() != kCGImageAlphaNone && image->alphaInfo() != kCGImageAlphaNoneSkipLast &&
                       image->alphaInfo() != kCGImageAlphaNoneSkipFirst;
    const size_t bits = image->bitsPerComponent() == 8 ? 8 : 16;
    const CGBitmapInfo info = alpha ? kCGImageAlphaPremultipliedLast : kCGImageAlphaNoneSkipLast;
    CGContextRef context = CGContext::createBitmap(nullptr, image->width(), image->height(), bits, 0, sRGB, info);
    if (!context)
        return nullptr;
    context->setBlendMode(kCGBlendModeCopy);
    if (!context->drawImage(QRectF(0, 0, double(image->width()), double(image->height())), image))
        return nullptr;
    return context->createImage();
}

} // namespace

bool MCImageDestination::encode(QByteArray *bytes, MCError *error) const
{
    using namespace platform;
    const FormatRule *rule = ruleForType(m_type);
    CGPixelLayout layout;
    if (!rule || !checkImage(*rule, m_image, &layout, error))
        return false;
    const CGImageRef image = rule->format == Format::GIF        ? imageForProfileLessFormat(m_image)
                             : rule->format == Format::JPEG2000 ? imageForPlainJP2(m_image)
                                                                : m_image;
    if (!image || (image != m_image && !checkImage(*rule, image, &layout, error)))
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed,
                                             QStringLiteral("The image could not be converted to sRGB.")));
    const WriterPixels pixels(image, layout);
    const WriterOptions options = readWriterOptions(m_properties);
    QByteArray out;
    QByteArray thumbnail;
    bool ok = false;
    switch (rule->format) {
    case Format::GIF:
        ok = encodeGIF(pixels, &out, error);
        break;
    case Format::JPEG:
        ok = encodeJPEG(pixels, options, &out, error);
        if (ok && options.embedThumbnail)
            thumbnail = makeThumbnailJPEG(pixels, 160);
        ok = ok && writeImageMetadata(&out, pixels, options, m_properties, thumbnail, error);
        break;
    case Format::JPEG2000:
        ok = encodeJPEG2000(pixels, options, m_properties, &out, error);
        break;
    case Format::PDF:
        ok = encodePDF(pixels, options, m_properties, &out, error);
        break;
    case Format::PNG:
        ok = encodePNG(pixels, options, m_properties, &out, error) &&
             writeImageMetadata(&out, pixels, options, m_properties, {}, error);
        break;
    case Format::TIFF:
        ok = encodeTIFF(pixels, options, &out, error) &&
             writeImageMetadata(&out, pixels, options, m_properties, {}, error);
        break;
    case Format::BMP:
        ok = encodeBMP(pixels, options, &out, error);
        break;
    case Format::HEIC:
        ok = encodeHEIC(pixels, options, m_properties, &out, error);
        break;
    }
    if (ok)
        *bytes = std::move(out);
    return ok;
}

bool MCImageDestination::finalize(MCError *error)
{
    QByteArray bytes;
    if (!encode(&bytes, error))
        return false;
    // Written beside the destination and renamed only when every byte is down; the system's
    // reason for a failure (no space, read-only, no permission) stays the underlying error.
    MCError systemError;
    if (platform::writeFileAtomically(m_path, bytes, &systemError))
        return true;
    MCError failure = platform::writerError(kMCImageDestinationWriteFailed,
                                            QStringLiteral("“%1” could not be written: %2")
                                                .arg(QFileInfo(m_path).fileName(), systemError.localizedFailureReason()));
    failure.setLocalizedFailureReason(systemError.localizedFailureReason());
    failure.setUserInfoValue(MCFilePathErrorKey, m_path);
    failure.setUnderlyingError(systemError);
    return MCSetError(error, failure);
}
