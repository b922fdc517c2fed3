// The conversion of one photo: load, turn upright, run the stages, convert to the output's
// pixel format and colour space, finish the properties and write.
#include "app/QuillonVersion.h"
#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "halvard/imageio/MCImage.h"
#include "halvard/imageio/MCImageLoader.h"
#include "halvard/system/MCDataExtensions.h"
#include "platform/core/MCFileReading.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"

#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <lcms2.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <new>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCBitmapConverter", text); }

// "“name” could not be converted." in the system's own domain: what the run reports when the
// working bitmap cannot be made or its final conversion fails.
MCError conversionError(const QString &path)
{
    return MCError(MCErrorDomain, 1, tr("“%1” could not be converted.").arg(QFileInfo(path).fileName()), QString(),
                   tr("Make sure that the convert settings are proper."));
}

// "Could not load an image from “name”." with what went wrong and what the user can do about
// it, told apart by the loader's reason (`cause`, kept as the underlying error): the file is
// missing, unreadable or a folder, its format is unknown, the image is too large, or the file
// is damaged.
MCError loadingError(const QString &path, const MCError &cause)
{
    qint64 code = MCFileReadUnknownError;
    QString reason = cause.localizedFailureReason();
    QString suggestion = tr("Check the disk the file is on, then try again.");
    if (cause.domain() == MCPOSIXErrorDomain) {
        switch (cause.code()) {
        case ENOENT:
        case ENOTDIR:
            code = MCFileReadNoSuchFileError;
            reason = tr("The file doesn’t exist.");
            suggestion = tr("It may have been moved, renamed or deleted. Add it again from where it is now.");
            break;
        case EACCES:
        case EPERM:
            code = MCFileReadNoPermissionError;
            reason = tr("You don’t have permission to read the file.");
            suggestion = tr("Change the file’s permissions in your file manager, or ask its owner for access.");
            break;
        case EISDIR:
            reason = tr("It is a folder, not an image file.");
            suggestion = tr("Add the images inside the folder instead.");
            break;
        default:
            break;
        }
    } else if (cause.domain() == MCImageSourceErrorDomain) {
        switch (cause.code()) {
        case kMCImageSourceTooLarge:
            code = MCFileReadTooLargeError;
            reason = tr("The image is larger than Quillon X opens: at most %1 megapixels, and %2 pixels on a side.")
                         .arg(CGImage::kMaximumPixelCount / 1000000)
                         .arg(CGImage::kMaximumSide);
            suggestion = tr("Make a smaller copy of it in an image editor and convert that.");
            break;
        case kMCImageSourceOutOfMemory:
            reason = tr("There is not enough memory to open the image.");
            suggestion = tr("Close other applications, then try again.");
            break;
        case kMCImageSourceDamaged:
            code = MCFileReadCorruptFileError;
            reason = tr("The file is damaged or incomplete.");
            suggestion = tr("Try to open it in an image viewer. If it does not open there either, use a copy from "
                            "a backup.");
            break;
        default:
            code = MCFileReadCorruptFileError;
            reason = tr("Its format is not supported: Quillon X reads JPEG, PNG, TIFF, GIF, BMP, WebP, HEIF, AVIF, "
                        "JPEG 2000, Targa, SGI, Windows icon, PBM/PGM/PPM and camera RAW files.");
            suggestion = tr("Try to open it in an image viewer; if it shows the image, save a copy as JPEG, PNG or "
                            "TIFF there and convert that.");
            break;
        }
    }
    MCError error(MCCocoaErrorDomain, code, tr("Could not load an image from “%1”.").arg(QFileInfo(path).fileName()),
                  reason, suggestion);
    error.setUserInfoValue(MCFilePathErrorKey, path);
    error.setUnderlyingError(cause);
    return error;
}

QVariantMap mapValue(const QVariantMap &map, const QString &key)
{
    return map.value(key).toMap();
}

// Whether every number of a stage's parameter table is finite. Stages keep what a preset or
// saved stage list gives them, and a NaN or infinite value would reach the bitmap operations
// as a size of nothing or of everything; such a stage fails with its own error instead.
bool parametersAreFinite(const MCConvertStage &stage)
{
    const MCStageParameters &table = stage.parameters();
    const std::vector<QVariant> &values = stage.parameterValues();
    for (size_t i = 0; i < std::min(table.size(), values.size()); ++i) {
        if (table[i].type == MCStageParameterType::Double && !std::isfinite(values[i].toDouble()))
            return false;
    }
    return true;
}

quint64 orientationOf(const QVariantMap &properties)
{
    bool ok = false;
    const qint64 value = properties.value(kCGImagePropertyOrientation).toLongLong(&ok);
    return ok && value >= 1 && value <= 8 ? quint64(value) : 1;
}

} // namespace

// ---------------------------------------------------------------- pixel formats

CGImageAlphaInfo MCBitmapConverter::editingAlphaInfoForPreview(bool) const { return kCGImageAlphaLast; }

CGBitmapInfo MCBitmapConverter::editingBitmapInfoForPreview(bool preview) const
{
    CGBitmapInfo info = editingAlphaInfoForPreview(preview);
    if (!preview && m_imageColorDepth != 0)
        info |= kCGBitmapFloatComponents | kCGBitmapByteOrder32Little;
    return info;
}

quint64 MCBitmapConverter::editingBitsPerComponentForPreview(bool preview) const
{
    return preview || m_imageColorDepth == 0 ? 8 : 32;
}

quint64 MCBitmapConverter::editingBitsPerPixelForPreview(bool preview) const
{
    return 4 * editingBitsPerComponentForPreview(preview);
}

CGColorSpaceModel MCBitmapConverter::editingColorSpaceModelForPreview(bool) const { return kCGColorSpaceModelRGB; }

CGColorSpaceRef MCBitmapConverter::editingColorSpaceForPreview(bool, const CGColorSpaceRef &proposed) const
{
    if (proposed && proposed->model() == kCGColorSpaceModelRGB)
        return proposed;
    return CGColorSpace::createWithName(kCGColorSpaceSRGB);
}

CGImageAlphaInfo MCBitmapConverter::finalAlphaInfoForPreview(bool) const
{
    if (m_imageColorModel < 0 || m_imageColorModel > 3)
        return kCGImageAlphaNone;
    return m_imageHasAlpha ? kCGImageAlphaLast : kCGImageAlphaNone;
}

CGBitmapInfo MCBitmapConverter::finalBitmapInfoForPreview(bool preview) const
{
    const CGBitmapInfo alpha = finalAlphaInfoForPreview(preview);
    if (preview)
        return alpha;
    switch (m_imageColorDepth) {
    case 0: return alpha;
    case 1: return alpha | kCGBitmapByteOrder16Little;
    case 2: return alpha | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little;
    default: return 0;
    }
}

quint64 MCBitmapConverter::finalBitsPerComponentForPreview(bool preview) const
{
    if (preview)
        return 8;
    switch (m_imageColorDepth) {
    case 0: return 8;
    case 1: return 16;
    case 2: return 32;
    default: return 0;
    }
}

quint64 MCBitmapConverter::finalBitsPerPixelForPreview(bool preview) const
{
    static const quint64 components[] = {1, 3, 4, 3};
    if (m_imageColorModel < 0 || m_imageColorModel > 3)
        return 0;
    const quint64 alpha = finalAlphaInfoForPreview(preview) == kCGImageAlphaNone ? 0 : 1;
    return finalBitsPerComponentForPreview(preview) * (components[m_imageColorModel] + alpha);
}

CGColorSpaceModel MCBitmapConverter::finalColorSpaceModelForPreview(bool) const
{
    return m_imageColorModel >= 0 && m_imageColorModel <= 3 ? CGColorSpaceModel(m_imageColorModel)
                                                            : kCGColorSpaceModelUnknown;
}

CGColorSpaceRef MCBitmapConverter::finalColorSpaceForPreview(bool preview, const CGColorSpaceRef &proposed) const
{
    const CGColorSpaceModel model = finalColorSpaceModelForPreview(preview);
    if (model == kCGColorSpaceModelUnknown)
        return nullptr;
    if (proposed && proposed->model() == model)
        return proposed;
    // Gray takes sRGB's tone curve, so neutral sRGB colours keep their levels.
    switch (model) {
    case kCGColorSpaceModelMonochrome: return CGColorSpace::createWithName(kCGColorSpaceSRGBGray);
    case kCGColorSpaceModelRGB: return CGColorSpace::createWithName(kCGColorSpaceSRGB);
    case kCGColorSpaceModelCMYK: return CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    case kCGColorSpaceModelLab: return CGColorSpace::createWithName(kCGColorSpaceGenericLab);
    default: return nullptr;
    }
}

std::optional<std::vector<double>> MCBitmapConverter::finalBackgroundColorForPreview(bool,
                                                                                      const CGColorSpaceRef &space) const
{
    QColor stored(Qt::white);
    const QByteArray archived = m_defaults->dataForKey(kMCAlphaColorKey);
    if (!archived.isEmpty()) {
        const QVariant color = MCKeyedUnarchiver::unarchivedRootObject(archived);
        if (color.typeId() == QMetaType::QColor && color.value<QColor>().isValid())
            stored = color.value<QColor>().toRgb();
    }
    const std::vector<double> rgb{stored.redF(), stored.greenF(), stored.blueF()};
    const CGColorSpaceRef sRGB = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    if (!space || !sRGB || !space->lcmsProfile() || space == sRGB)
        return rgb; // a space that cannot take colours keeps the colour as stored

    cmsUInt32Number format = 0;
    switch (space->model()) {
    case kCGColorSpaceModelMonochrome: format = TYPE_GRAY_DBL; break;
    case kCGColorSpaceModelRGB: format = TYPE_RGB_DBL; break;
    case kCGColorSpaceModelCMYK: format = TYPE_CMYK_DBL; break;
    case kCGColorSpaceModelLab: format = TYPE_Lab_DBL; break;
    default: return rgb;
    }
    cmsHTRANSFORM transform = cmsCreateTransform(sRGB->lcmsProfile(), TYPE_RGB_DBL, space->lcmsProfile(), format,
                                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    if (!transform)
        return std::nullopt;
    double out[4] = {0, 0, 0, 0};
    cmsDoTransform(transform, rgb.data(), out, 1);
    cmsDeleteTransform(transform);
    switch (space->model()) {
    case kCGColorSpaceModelMonochrome: return std::vector<double>{out[0]};
    case kCGColorSpaceModelRGB: return std::vector<double>{out[0], out[1], out[2]};
    case kCGColorSpaceModelCMYK: // lcms counts ink in percent
        return std::vector<double>{out[0] / 100.0, out[1] / 100.0, out[2] / 100.0, out[3] / 100.0};
    default: // Lab as the 0..1 encoding of its components
        return std::vector<double>{out[0] / 100.0, (out[1] + 128.0) / 255.0, (out[2] + 128.0) / 255.0};
    }
}

// ---------------------------------------------------------------- loading

std::shared_ptr<MCImage> MCBitmapConverter::newImageAtURL(const QString &path, QVariantMap *metadata, MCError *error)
{
    return newImageAtURL(path, nullptr, metadata, error);
}

std::shared_ptr<MCImage> MCBitmapConverter::newImageAtURL(const QString &path,
                                                          const std::function<quint64(const QVariantMap &)> &minimumSideFor,
                                                          QVariantMap *metadata, MCError *error)
{
    if (path.isEmpty())
        return nullptr;
    QVariantMap properties;
    MCError failure;
    MCError cause;
    std::shared_ptr<MCImage> image;
    if (CGImageRef decoded = MCImageLoader::newImageWithURL(path, minimumSideFor, &properties, &cause))
        image = MCImage::create(decoded, &failure);
    if (image) {
        if (metadata)
            *metadata = properties;
        return image;
    }
    if (failure.isNull() && QFileInfo::exists(path) && !QFileInfo(path).isDir() && !platform::isRegularFile(path)) {
        // A FIFO, socket or device under a photo's name: never read, and not "damaged" either.
        failure = MCError(MCCocoaErrorDomain, MCFileReadUnknownError,
                          tr("Could not load an image from “%1”.").arg(QFileInfo(path).fileName()),
                          tr("It is not a regular file but a pipe, a socket or a device."));
        failure.setUserInfoValue(MCFilePathErrorKey, path);
    }
    if (failure.isNull())
        failure = loadingError(path, cause);
    MCSetError(error, failure);
    return nullptr;
}

// ---------------------------------------------------------------- reduced reading

quint64 MCBitmapConverter::reducedReadingSideForProperties(const QVariantMap &properties, bool turnedUpright) const
{
    // The decoder's reduction (JPEG's scaled inverse DCT works block by block) lets detail
    // near its own limit through as aliasing; the resampler's filter removes that band when
    // it makes at most half the pixels it reads on each axis.
    constexpr double kResamplingMargin = 2.0;
    const double width = properties.value(kCGImagePropertyPixelWidth).toDouble();
    const double height = properties.value(kCGImagePropertyPixelHeight).toDouble();
    if (!(width >= 1 && height >= 1) || !std::isfinite(width) || !std::isfinite(height))
        return 0;
    quint64 orientation = orientationOf(properties);
    QSizeF size(width, height);
    if (turnedUpright) {
        size = MCBitmap::rotatedSize(size, orientation);
        orientation = 1;
    }
    for (const MCConvertStageRef &stage : sortedStages()) {
        if (!stage->isActive())
            continue;
        switch (stage->pixelNeed()) {
        case MCConvertStage::PixelNeed::LeavesPixels:
            continue;
        case MCConvertStage::PixelNeed::NeedsFullSize:
            return 0;
        case MCConvertStage::PixelNeed::ResamplesFirst: {
            const QSizeF target = stage->imageSizeForSize(size, orientation);
            const double ratio = std::max(target.width() / size.width(), target.height() / size.height());
            if (!std::isfinite(ratio) || !(ratio > 0))
                return 0;
            const double longer = std::max(width, height);
            // The stage rounds its size to whole pixels; a ratio's last bit never asks for one more.
            const double side = std::ceil(kResamplingMargin * ratio * longer - 1e-6);
            return side < longer ? quint64(side) : 0;
        }
        }
    }
    return 0;
}

// ---------------------------------------------------------------- one file

std::unique_ptr<MCBitmap> MCBitmapConverter::workingBitmapForFile(const MCFile &file, bool preview,
                                                                const QSizeF &fitSize, const QString &outputName,
                                                                QVariantMap &properties, bool &turnedUpright,
                                                                MCError *error) const
{
    const QString source = file.filePath();
    // Turning the pixels upright makes the stored orientation 1; photos left as stored keep
    // their orientation, or a viewer would show them turned.
    turnedUpright = m_defaults->boolForKey(kMCShouldAutorotateKey);
    // A run whose stages make the photo smaller anyway may read it at reduced size; the
    // preview is read fitted into its view instead.
    std::function<quint64(const QVariantMap &)> reducedSide;
    if (!preview) {
        reducedSide = [this, upright = turnedUpright](const QVariantMap &stored) {
            return reducedReadingSideForProperties(stored, upright);
        };
    }
    const std::shared_ptr<MCImage> image = newImageAtURL(source, reducedSide, &properties, error);
    if (!image)
        return nullptr;

    const quint64 orientation = orientationOf(properties);
    const bool flipH = turnedUpright && MCBitmap::flipsHorizontallyFromOrientation(orientation);
    const bool flipV = turnedUpright && MCBitmap::flipsVerticallyFromOrientation(orientation);
    const double angle = turnedUpright ? MCBitmap::rotationAngleInRadiansFromOrientation(orientation) : 0.0;

    // The pixel stages work on the bitmap's channels: a run with any starts with them, so the
    // decoded pixels go straight into the planes; one without keeps the interleaved buffer the
    // writer takes. (A stage that draws merges the planes again, at the cost the split would
    // have had.)
    bool planar = false;
    if (!preview) {
        for (const MCConvertStageRef &stage : sortedStages())
            planar = planar || (stage->isActive() && stage->pixelNeed() != MCConvertStage::PixelNeed::LeavesPixels);
    }
    std::unique_ptr<MCBitmap> bitmap =
        MCBitmap::create(image, editingColorSpaceForPreview(preview, image->colorSpace()),
                         editingBitmapInfoForPreview(preview), editingBitsPerComponentForPreview(preview),
                         editingBitsPerPixelForPreview(preview), fitSize, angle, flipH, flipV, planar);
    if (!bitmap) {
        MCSetError(error, conversionError(source));
        return nullptr;
    }
    // Decoded at reduced size: the scales relate the bitmap to the full-size photo, as for a
    // preview, until the first resampling stage makes it the full-size result's size.
    const double storedWidth = properties.value(kCGImagePropertyPixelWidth).toDouble();
    const double storedHeight = properties.value(kCGImagePropertyPixelHeight).toDouble();
    if (!preview && storedWidth >= 1 && storedHeight >= 1 &&
        (double(image->width()) < storedWidth || double(image->height()) < storedHeight)) {
        const QSizeF stored(storedWidth, storedHeight);
        const QSizeF full = turnedUpright ? MCBitmap::rotatedSize(stored, orientation) : stored;
        const QSizeF read = bitmap->size();
        bitmap->setScaleX(read.width() / full.width());
        bitmap->setScaleY(read.height() / full.height());
        bitmap->setReducedForRun(true);
    }
    properties.insert(kMCQuillonDictionaryKey, QVariantMap{{kMCQuillonFilenameKey, outputName}});
    if (turnedUpright)
        properties.insert(kCGImagePropertyOrientation, 1);
    return bitmap;
}

std::unique_ptr<MCBitmap> MCBitmapConverter::newPreviewBitmapForFile(const MCFile &file, const QSizeF &fitSize,
                                                                     const QString &outputName,
                                                                     QVariantMap *metadata, MCError *error) const
{
    QVariantMap properties;
    bool turnedUpright = false;
    std::unique_ptr<MCBitmap> bitmap =
        workingBitmapForFile(file, true, fitSize, outputName, properties, turnedUpright, error);
    if (!bitmap || !previewBitmap(bitmap.get(), &properties, &file, error))
        return nullptr;
    if (metadata)
        *metadata = properties;
    return bitmap;
}

MCBitmapConverter::DecodedFile::DecodedFile() = default;
MCBitmapConverter::DecodedFile::~DecodedFile() = default;
MCBitmapConverter::DecodedFile::DecodedFile(DecodedFile &&) noexcept = default;
MCBitmapConverter::DecodedFile &MCBitmapConverter::DecodedFile::operator=(DecodedFile &&) noexcept = default;

bool MCBitmapConverter::convertFile(const MCFile &file, const QString &destination, MCError *error)
{
    DecodedFile decoded;
    if (!decodeFile(file, QFileInfo(destination).fileName(), &decoded, error))
        return false;
    return convertDecodedFile(file, std::move(decoded), destination, error);
}

bool MCBitmapConverter::decodeFile(const MCFile &file, const QString &outputName, DecodedFile *decoded,
                                   MCError *error) const
{
    DecodedFile result;
    result.bitmap = workingBitmapForFile(file, false, QSizeF(0, 0), outputName, result.properties,
                                         result.turnedUpright, error);
    if (!result.bitmap)
        return false;
    if (decoded)
        *decoded = std::move(result);
    return true;
}

bool MCBitmapConverter::convertDecodedFile(const MCFile &file, DecodedFile decoded, const QString &destination,
                                           MCError *error)
{
    MCError failure;
    auto fail = [&] { return MCSetError(error, failure); };
    QVariantMap properties = std::move(decoded.properties);
    const bool turnedUpright = decoded.turnedUpright;
    std::unique_ptr<MCBitmap> bitmap = std::move(decoded.bitmap);
    if (!bitmap) {
        failure = conversionError(file.filePath());
        return fail();
    }
    if (!run(bitmap.get(), &properties, &file, &failure, false, !turnedUpright))
        return fail();

    properties.remove(kMCQuillonDictionaryKey);
    // The source's own metadata blocks travel with the dictionary applied over them.
    properties.insert(kMCImageDestinationMetadataSource, file.filePath());
    if (!bitmap->saveAtURL(destination, imageFileType(), properties, &failure))
        return fail();

    if (m_defaults->boolForKey(kMCKeepOriginalFileCreationDateKey)) {
        // Where the file system keeps a settable birth time; elsewhere this quietly fails.
        if (const std::optional<QDateTime> created = file.fileCreationDate()) {
            QFile written(destination);
            if (written.open(QIODevice::ReadWrite))
                written.setFileTime(*created, QFileDevice::FileBirthTime);
        }
    }
    if (error)
        *error = MCError();
    return true;
}

bool MCBitmapConverter::convertBitmap(MCBitmap *bitmap, QVariantMap *metadata, const MCFile *file, MCError *error) const
{
    return run(bitmap, metadata, file, error, false, false);
}

bool MCBitmapConverter::previewBitmap(MCBitmap *bitmap, QVariantMap *metadata, const MCFile *file, MCError *error) const
{
    return run(bitmap, metadata, file, error, true, true);
}

bool MCBitmapConverter::run(MCBitmap *bitmap, QVariantMap *metadata, const MCFile *file, MCError *error, bool preview,
                            bool keepOrientation) const
{
    const QString path = file ? file->filePath() : QString();
    if (!bitmap)
        return MCSetError(error, conversionError(path));

    QVariantMap properties = metadata ? *metadata : QVariantMap();
    if (properties.value(kCGImagePropertyTIFFDictionary).typeId() != QMetaType::QVariantMap)
        properties.insert(kCGImagePropertyTIFFDictionary, QVariantMap());

    for (const MCConvertStageRef &stage : sortedStages()) {
        if (!stage->isActive())
            continue;
        MCError stageError;
        bool done = false;
        if (!parametersAreFinite(*stage)) {
            if (preview)
                return false;
            return MCSetError(error, stage->stageFailureError(file));
        }
        try {
            done = preview ? stage->previewBitmap(bitmap, properties, file, &stageError)
                           : stage->convertBitmap(bitmap, properties, file, &stageError);
        } catch (const std::bad_alloc &) {
            // Memory for this photo ran out (a huge canvas or kernel): this file fails, the
            // batch goes on.
            stageError = stage->stageFailureError(file);
            stageError.setUnderlyingError(MCError::errorWithPOSIXCode(ENOMEM, path));
        }
        if (done)
            continue;
        if (preview)
            return error && !stageError.isNull() ? MCSetError(error, stageError) : false;
        return MCSetError(error, stageError.isNull() ? stage->stageFailureError(file) : stageError);
    }

    const std::optional<std::vector<double>> background = finalBackgroundColorForPreview(preview, bitmap->colorSpace());
    const CGColorSpaceRef finalSpace = finalColorSpaceForPreview(preview, bitmap->colorSpace());
    if (!finalSpace || !background ||
        !bitmap->convertToFinalColorSpace(finalSpace, finalBitmapInfoForPreview(preview),
                                          finalBitsPerComponentForPreview(preview), *background))
        return MCSetError(error, conversionError(path));
    if (bitmap->assignedColorSpace() && !bitmap->assignColorSpace(bitmap->assignedColorSpace()))
        return MCSetError(error, conversionError(path));

    if (!keepOrientation) {
        properties.insert(kCGImageDestinationOrientation, 1);
        properties.insert(kCGImagePropertyOrientation, 1);
        if (properties.value(kCGImagePropertyIPTCDictionary).typeId() == QMetaType::QVariantMap) {
            QVariantMap iptc = mapValue(properties, kCGImagePropertyIPTCDictionary);
            iptc.insert(kCGImagePropertyIPTCImageOrientation, 1);
            properties.insert(kCGImagePropertyIPTCDictionary, iptc);
        }
        QVariantMap tiff = mapValue(properties, kCGImagePropertyTIFFDictionary);
        tiff.insert(kCGImagePropertyTIFFOrientation, 1);
        properties.insert(kCGImagePropertyTIFFDictionary, tiff);
    } else if (!preview) {
        // The pixels stay as stored: every orientation entry names the stored one.
        const quint64 orientation = orientationOf(properties);
        properties.insert(kCGImageDestinationOrientation, orientation);
        properties.insert(kCGImagePropertyOrientation, orientation);
        QVariantMap tiff = mapValue(properties, kCGImagePropertyTIFFDictionary);
        tiff.insert(kCGImagePropertyTIFFOrientation, orientation);
        properties.insert(kCGImagePropertyTIFFDictionary, tiff);
    }

    QVariantMap tiff = mapValue(properties, kCGImagePropertyTIFFDictionary);
    switch (m_imageFormat) {
    case MCImageFormatJPEG:
    case MCImageFormatHEIC:
    case MCImageFormatJPEG2000:
        // A quality that is no number (from a preset or the settings file) would be written
        // as the best quality without a word.
        if (!std::isfinite(m_imageQuality))
            return MCSetError(error, conversionError(path));
        break;
    default:
        break;
    }
    switch (m_imageFormat) {
    case MCImageFormatJPEG:
    case MCImageFormatHEIC:
        if (!preview)
            properties.insert(kCGImageDestinationEmbedThumbnail, m_embedThumbnail);
        [[fallthrough]];
    case MCImageFormatJPEG2000:
        properties.insert(kCGImageDestinationLossyCompressionQuality, m_imageQuality);
        break;
    case MCImageFormatTIFF:
        tiff.insert(kCGImagePropertyTIFFCompression,
                    m_imageTIFFCompression == 1 ? 5 : m_imageTIFFCompression == 2 ? 32773 : 1);
        break;
    default:
        break;
    }
    const QString name = quillon::applicationName(), version = quillon::applicationVersion();
    if (!name.isEmpty() && !version.isEmpty())
        tiff.insert(kCGImagePropertyTIFFSoftware, QStringLiteral("%1 %2").arg(name, version));
    properties.insert(kCGImagePropertyTIFFDictionary, tiff);

    for (const QString *key : {&kCGImagePropertyColorModel, &kCGImagePropertyDepth, &kCGImagePropertyHasAlpha,
                               &kCGImagePropertyIsFloat, &kCGImagePropertyIsIndexed, &kCGImagePropertyProfileName})
        properties.remove(*key);

    if (metadata)
        *metadata = properties;
    return true;
}
