#include "app/stages/MCConvertWatermarkImage.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCWatermarkStage.h"
#include "halvard/imageio/MCImageFunctions.h"
#include "halvard/system/MCSandboxHelper.h"
#include "platform/graphics/CGImage.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

const QString MCConvertWatermarkImage::kImageURLKey = QStringLiteral("imageURL");
const QString MCConvertWatermarkImage::kImageSizeMethodKey = QStringLiteral("imageSizeMethod");
const QString MCConvertWatermarkImage::kImageWidthKey = QStringLiteral("imageWidth");
const QString MCConvertWatermarkImage::kImageHeightKey = QStringLiteral("imageHeight");
const QString MCConvertWatermarkImage::kImageWidthInPercentKey = QStringLiteral("imageWidthInPercent");
const QString MCConvertWatermarkImage::kImageHeightInPercentKey = QStringLiteral("imageHeightInPercent");
const QString MCConvertWatermarkImage::kImagePositionMaskKey = QStringLiteral("imagePositionMask");
const QString MCConvertWatermarkImage::kImageOffsetXCalculatesInPercentKey = QStringLiteral("imageOffsetXCalculatesInPercent");
const QString MCConvertWatermarkImage::kImageOffsetXInPercentKey = QStringLiteral("imageOffsetXInPercent");
const QString MCConvertWatermarkImage::kImageOffsetXInPixelsKey = QStringLiteral("imageOffsetXInPixels");
const QString MCConvertWatermarkImage::kImageOffsetYCalculatesInPercentKey = QStringLiteral("imageOffsetYCalculatesInPercent");
const QString MCConvertWatermarkImage::kImageOffsetYInPercentKey = QStringLiteral("imageOffsetYInPercent");
const QString MCConvertWatermarkImage::kImageOffsetYInPixelsKey = QStringLiteral("imageOffsetYInPixels");
const QString MCConvertWatermarkImage::kImageRotationKey = QStringLiteral("imageRotation");

namespace {

using T = MCStageParameterType;
using MCWatermarkStage::flag;
using MCWatermarkStage::foldedGroup;
using MCWatermarkStage::number;

} // namespace

const MCStageParameters &MCConvertWatermarkImage::parameters() const
{
    static const MCStageParameters table = {
        // Compared as a path; stored as a bookmark (encodeParameter).
        {.name = kImageURLKey, .type = T::String, .defaultValue = QString()},
        {.name = kImageSizeMethodKey, .type = T::Unsigned, .defaultValue = quint64(PercentOfShorterSide)},
        number(kImageWidthKey, T::Unsigned, quint64(0), 1, 10000),
        number(kImageHeightKey, T::Unsigned, quint64(0), 1, 10000),
        number(kImageWidthInPercentKey, T::Double, 10.0, 0.5, 200),
        number(kImageHeightInPercentKey, T::Double, 10.0, 0.5, 200),
        {.name = kImagePositionMaskKey, .type = T::Unsigned, .defaultValue = quint64(10)},
        flag(kImageOffsetXCalculatesInPercentKey, false),
        number(kImageOffsetXInPercentKey, T::Double, 1.0, -100, 100, 0.0),
        number(kImageOffsetXInPixelsKey, T::Double, 20.0, -10000, 10000, 0.0),
        flag(kImageOffsetYCalculatesInPercentKey, false),
        number(kImageOffsetYInPercentKey, T::Double, 1.0, -100, 100, 0.0),
        number(kImageOffsetYInPixelsKey, T::Double, 20.0, -10000, 10000, 0.0),
        number(kImageRotationKey, T::Double, 0.0, 0, 359),
        flag(kHasShadowKey, false),
        {.name = kShadowColorKey, .type = T::Color, .defaultValue = QColor::fromRgbF(0, 0, 0, 0.75f)},
        number(kShadowBlurKey, T::Double, 3.0, 0, 100),
        number(kShadowDistanceKey, T::Double, 4.0, 0, 100),
        number(kShadowAngleKey, T::Double, 300.0, 0, 359),
        // A fraction 0..1; the limits are those of the panel's percent field.
        number(kOpacityKey, T::Double, 0.8, 0, 100),
        flag(kTilesKey, false),
        flag(kTileOffsetXCalculatesInPercentKey, false),
        number(kTileOffsetXInPercentKey, T::Double, 2.0, 0, 100, 0.0),
        number(kTileOffsetXInPixelsKey, T::Double, 50.0, 0, 10000, 0.0),
        flag(kTileOffsetYCalculatesInPercentKey, false),
        number(kTileOffsetYInPercentKey, T::Double, 2.0, 0, 100, 0.0),
        number(kTileOffsetYInPixelsKey, T::Double, 50.0, 0, 10000, 0.0),
        foldedGroup(kCollapsedPositionGroupKey, true),
        foldedGroup(kCollapsedOpacityGroupKey, true),
        foldedGroup(kCollapsedShadowGroupKey, true),
        foldedGroup(kCollapsedTileGroupKey, true),
    };
    return table;
}

bool MCConvertWatermarkImage::parametersEqual(const MCConvertStage &other) const
{
    QStringList keys = {kImageSizeMethodKey, kImagePositionMaskKey, kImageOffsetXCalculatesInPercentKey,
                        kImageOffsetYCalculatesInPercentKey, kImageRotationKey, kOpacityKey, kTilesKey, kHasShadowKey,
                        kShadowBlurKey, kShadowDistanceKey, kShadowAngleKey, kImageURLKey};
    if (imageSizeMethod() != FixedSize)
        keys << kImageWidthInPercentKey << kImageHeightInPercentKey;
    else
        keys << kImageWidthKey << kImageHeightKey;
    if (imageOffsetXCalculatesInPercent())
        keys << kImageOffsetXInPercentKey << kImageOffsetYInPercentKey;
    else
        keys << kImageOffsetXInPixelsKey << kImageOffsetYInPixelsKey;
    if (hasShadow())
        keys << kShadowColorKey;
    if (tiles()) {
        if (tileOffsetXCalculatesInPercent())
            keys << kTileOffsetXInPercentKey << kTileOffsetYInPercentKey;
        else
            keys << kTileOffsetXInPixelsKey << kTileOffsetYInPixelsKey;
    }
    return std::all_of(keys.begin(), keys.end(), [&](const QString &key) { return parameterEquals(other, key); });
}

quint64 MCConvertWatermarkImage::hashMix() const
{
    const double degrees = std::trunc(imageRotation());
    const qint64 whole = std::isfinite(degrees) && std::fabs(degrees) < 1e18 ? qint64(degrees) : 0;
    return (imagePositionMask() * 17) ^ (imageSizeMethod() * 7) ^ (quint64(whole) * 11);
}

// ---------------------------------------------------------------- the picture

CGImageRef MCConvertWatermarkImage::imageLocked() const
{
    if (!m_image && !m_path.isEmpty()) {
        CGImageRef image = MCCreateImageWithURL(m_path);
        if (image && image->width() > 0 && image->height() > 0)
            m_image = std::move(image); // a failure keeps nothing and is tried again
    }
    return m_image;
}

CGImageRef MCConvertWatermarkImage::image() const
{
    std::lock_guard<std::mutex> locked(m_lock);
    return imageLocked();
}

void MCConvertWatermarkImage::releaseImage()
{
    std::lock_guard<std::mutex> locked(m_lock);
    m_image.reset();
}

void MCConvertWatermarkImage::resetSizeToImageSize()
{
    CGImageRef picture;
    {
        std::lock_guard<std::mutex> locked(m_lock);
        picture = m_image;
    }
    const quint64 w = picture ? quint64(picture->width()) : 0;
    const quint64 h = picture ? quint64(picture->height()) : 0;
    setImageWidth(w);
    setImageHeight(h);
    setImageHeightInPercent(w > 0 ? imageWidthInPercent() * double(h) / double(w) : imageWidthInPercent());
}

void MCConvertWatermarkImage::parameterDidChange(const QString &name)
{
    if (name != kImageURLKey)
        return;
    const QString path = imageURL();
    std::lock_guard<std::mutex> locked(m_lock);
    m_path = path;
    m_image.reset();
}

QVariant MCConvertWatermarkImage::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.name != kImageURLKey)
        return MCConvertStage::encodeParameter(parameter, value);
    const QString path = value.toString();
    if (path.isEmpty())
        return {};
    const QByteArray bookmark = MCURLExtensions::securityScopedBookmark(path);
    return bookmark.isEmpty() ? QVariant() : QVariant(bookmark);
}

std::optional<QVariant> MCConvertWatermarkImage::decodeParameter(const MCStageParameter &parameter,
                                                                 const QVariant &stored) const
{
    if (parameter.name != kImageURLKey)
        return MCConvertStage::decodeParameter(parameter, stored);
    if (stored.typeId() != QMetaType::QByteArray)
        return std::nullopt; // no picture stored
    // The path of a file that is gone is kept, so converting fails and names it instead of
    // leaving the watermark out unnoticed.
    return QVariant(MCURLExtensions::URLPathFromSecurityScopedBookmark(stored.toByteArray()));
}

std::shared_ptr<MCConvertStage> MCConvertWatermarkImage::copy() const
{
    std::shared_ptr<MCConvertStage> stage = MCConvertStage::copy();
    auto &copied = static_cast<MCConvertWatermarkImage &>(*stage);
    std::scoped_lock locked(m_lock, copied.m_lock);
    copied.m_image = m_image; // one more reference, not decoded again
    return stage;
}

// ---------------------------------------------------------------- drawing

QSizeF MCConvertWatermarkImage::imageSizeForPhoto(const QSizeF &photo, const QSizeF &picture) const
{
    const quint64 method = imageSizeMethod();
    if (method == FixedSize)
        return QSizeF(double(imageWidth()), double(imageHeight()));
    if (method > PercentOfShorterSide || !(picture.width() > 0))
        return QSizeF(0, 0);
    double base = photo.width();
    if (method == PercentOfHeight)
        base = photo.height();
    else if (method == PercentOfLongerSide)
        base = std::max(photo.width(), photo.height());
    else if (method == PercentOfShorterSide)
        base = std::min(photo.width(), photo.height());
    const double width = std::trunc(imageWidthInPercent() * base / 100.0);
    return QSizeF(width, width * picture.height() / picture.width());
}

bool MCConvertWatermarkImage::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file,
                                            MCError *error)
{
    if (!isActive())
        return true;
    // The picture is decoded here when no panel has shown the stage yet (a preset, a default);
    // the run keeps its own reference to it.
    QString path;
    CGImageRef picture;
    {
        std::lock_guard<std::mutex> locked(m_lock);
        path = m_path;
        picture = imageLocked();
    }
    if (path.isEmpty())
        return true; // no picture chosen
    if (!picture) {
        MCError failure = stageFailureError(file);
        failure.setLocalizedFailureReason(
            QCoreApplication::translate("MCConvertStage", "The watermark picture “%1” cannot be read.").arg(path));
        failure.setLocalizedRecoverySuggestion(
            QCoreApplication::translate("MCConvertStage", "Choose another picture in the action, and then try again."));
        failure.setUserInfoValue(MCFilePathErrorKey, path);
        return MCSetError(error, failure);
    }
    if (!bitmap)
        return false;

    const QSizeF photo = MCWatermarkStage::truncatedFullSize(*bitmap);
    const QSizeF size = imageSizeForPhoto(photo, QSizeF(double(picture->width()), double(picture->height())));
    if (!(size.width() > 0 && size.height() > 0))
        return true;
    using MCWatermarkStage::length;
    const QPointF offset(
        length(imageOffsetXCalculatesInPercent(), imageOffsetXInPercent(), imageOffsetXInPixels(), photo.width()),
        length(imageOffsetYCalculatesInPercent(), imageOffsetYInPercent(), imageOffsetYInPixels(), photo.height()));
    const QPointF gap(
        length(tileOffsetXCalculatesInPercent(), tileOffsetXInPercent(), tileOffsetXInPixels(), photo.width()),
        length(tileOffsetYCalculatesInPercent(), tileOffsetYInPercent(), tileOffsetYInPixels(), photo.height()));
    std::optional<MCShadow> shadow;
    if (hasShadow())
        shadow = MCWatermarkStage::shadow(shadowColor(), shadowBlur(), shadowDistance(), shadowAngle(), size.height());

    // The picture is rendered into one canvas (with its shadow and the gap between tiles)
    // before it is drawn; one beyond any picture's size is refused before anything is drawn.
    const QSizeF canvas = MCWatermarkStage::canvasSize(size, shadow, gap);
    if (!MCWatermarkStage::canvasFits(canvas))
        return MCWatermarkStage::failWithOversizedCanvas(*this, file, canvas, error);

    return bitmap->drawImage(picture, size, opacity(), shadow, imagePositionMask(), offset, imageRotation(), tiles(),
                             gap, MCWatermarkStage::orientation(metadata));
}
