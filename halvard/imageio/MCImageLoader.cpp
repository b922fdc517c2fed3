#include "halvard/imageio/MCImageLoader.h"

#include "halvard/imageio/MCImageLoaderExtensionManager.h"
#include "platform/color/ColorSyncTransform.h"
#include "platform/core/MCFileAccess.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/types/UTType.h"

#include <QColorSpace>
#include <QFileInfo>

namespace {

// Why nothing could be read: the file itself (missing, a folder, no permission) first, since
// it explains why every plug-in declined; then what the first plug-in that tried said; else
// no plug-in reads the file's type or content.
MCError failureOfReading(const QString &path, const MCError &sourceError)
{
    const MCError fileError = platform::errorOfReadingFile(path);
    if (!fileError.isNull())
        return fileError;
    if (!sourceError.isNull())
        return sourceError;
    const QString reason = QStringLiteral("No image loader reads files of this type.");
    MCError error(MCImageSourceErrorDomain, kMCImageSourceUnknownFormat, reason, reason);
    error.setUserInfoValue(MCFilePathErrorKey, path);
    return error;
}

// Asks each candidate plug-in for a source and `read` on it; the first non-null result wins.
template <typename Read>
CGImageRef readWithCandidates(const QString &path, QVariantMap *metadata, MCError *error, Read read)
{
    MCError sourceError;
    const QString type = MCImageLoader::typeIdentifierOfFile(path);
    const auto candidates = type.isEmpty() ? MCImageLoaderExtensionManager::ExtensionList()
                                           : MCImageLoaderExtensionManager::sharedInstance().extensionsForUTI(type);
    for (const auto &extension : candidates) {
        std::unique_ptr<MCImageSource> source = extension->imageSourceWithURL(path, type);
        if (!source)
            continue;
        CGImageRef image = read(*source);
        if (!image) {
            if (sourceError.isNull())
                sourceError = source->error();
            continue;
        }
        if (metadata)
            *metadata = source->metadata().value_or(QVariantMap());
        return image;
    }
    if (error)
        *error = failureOfReading(path, sourceError);
    return nullptr;
}

} // namespace

QString MCImageLoader::typeIdentifierOfFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return {};
    if (info.suffix().compare(QLatin1String("cot"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("public.jpeg");
    return platform::UTTypeOfFileAtPath(path);
}

CGImageRef MCImageLoader::newImageWithURL(const QString &path, QVariantMap *metadata, MCError *error)
{
    return readWithCandidates(path, metadata, error, [](MCImageSource &source) { return source.newImage(); });
}

CGImageRef MCImageLoader::newImageWithURL(const QString &path,
                                          const std::function<quint64(const QVariantMap &)> &minimumSideFor,
                                          QVariantMap *metadata, MCError *error)
{
    return readWithCandidates(path, metadata, error, [&minimumSideFor](MCImageSource &source) {
        quint64 minimumSide = 0;
        if (minimumSideFor) {
            if (const std::optional<QVariantMap> properties = source.metadata())
                minimumSide = minimumSideFor(*properties);
        }
        return minimumSide > 0 ? source.newImageWithMinimumSide(minimumSide) : source.newImage();
    });
}

CGImageRef MCImageLoader::newThumbnailWithURL(const QString &path, const MCThumbnailReadingOptions *options,
                                              QVariantMap *metadata)
{
    if (!options)
        return nullptr;
    return readWithCandidates(path, metadata, nullptr,
                              [options](MCImageSource &source) { return source.newThumbnailWithOptions(*options); });
}

QImage MCImageLoader::readImageWithURL(const QString &path, QVariantMap *metadata)
{
    return imageFromCGImage(newImageWithURL(path, metadata));
}

QImage MCImageLoader::readThumbnailWithURL(const QString &path, const MCThumbnailReadingOptions *options,
                                           QVariantMap *metadata)
{
    return imageFromCGImage(newThumbnailWithURL(path, options, metadata));
}

std::optional<QVariantMap> MCImageLoader::metadataFromImageAtURL(const QString &path)
{
    const QString type = typeIdentifierOfFile(path);
    if (type.isEmpty())
        return std::nullopt;
    const auto candidates = MCImageLoaderExtensionManager::sharedInstance().extensionsForUTI(type);
    for (const auto &extension : candidates) {
        std::unique_ptr<MCImageSource> source = extension->imageSourceWithURL(path, type);
        if (!source)
            continue;
        if (std::optional<QVariantMap> properties = source->metadata())
            return properties;
    }
    return std::nullopt;
}

QImage MCImageLoader::imageFromCGImage(const CGImageRef &cgImage)
{
    const CGImageRef image = platform::createScaledImage8(cgImage, 0);
    if (!image || !image->colorSpace())
        return {};
    const size_t w = image->width(), h = image->height();
    const CGImageAlphaInfo alpha = image->alphaInfo();
    const CGColorSpaceRef &space = image->colorSpace();
    if (space->model() == kCGColorSpaceModelRGB && (image->bitsPerPixel() == 24 || image->bitsPerPixel() == 32) &&
        (alpha == kCGImageAlphaNone || alpha == kCGImageAlphaLast || alpha == kCGImageAlphaPremultipliedLast ||
         alpha == kCGImageAlphaNoneSkipLast)) {
        const QImage::Format format = image->bitsPerPixel() == 24        ? QImage::Format_RGB888
                                      : alpha == kCGImageAlphaLast         ? QImage::Format_RGBA8888
                                      : alpha == kCGImageAlphaNoneSkipLast ? QImage::Format_RGBX8888
                                                                           : QImage::Format_RGBA8888_Premultiplied;
        QImage result(image->bytes(), int(w), int(h), qsizetype(image->bytesPerRow()), format);
        result = result.copy(); // own the pixels
        result.setColorSpace(QColorSpace::fromIccProfile(space->iccData()));
        return result;
    }
    // Gray, CMYK, Lab and other layouts: converted to sRGB.
    const CGColorSpaceRef srgb = CGColorSpace::createDeviceRGB();
    const ColorSyncTransformRef transform =
        ColorSyncTransform::create(space, srgb, kCGRenderingIntentPerceptual, true);
    if (!transform)
        return {};
    QImage result(int(w), int(h), QImage::Format_RGBA8888);
    if (result.isNull())
        return {};
    if (!transform->convert(w, h, result.bits(), kColorSync8BitInteger, kCGImageAlphaLast,
                            size_t(result.bytesPerLine()), image->bytes(), kColorSync8BitInteger,
                            image->bitmapInfo() & kColorSyncDataLayoutMask, image->bytesPerRow()))
        return {};
    result.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return result;
}
