#include "app/stages/MCConvertAlpha.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCAdjustmentStage.h"
#include "halvard/imageio/MCImageFunctions.h"
#include "halvard/system/MCSandboxHelper.h"
#include "platform/core/MCBundle.h"
#include "platform/graphics/CGImage.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cmath>

const QString MCConvertAlphaMask::kImageURLKey = QStringLiteral("imageURL");
const QString MCConvertAlphaMask::kImagePathKey = QStringLiteral("imagePath");
const QString MCAlphaColorStage::kRedKey = QStringLiteral("red");
const QString MCAlphaColorStage::kGreenKey = QStringLiteral("green");
const QString MCAlphaColorStage::kBlueKey = QStringLiteral("blue");

// ---------------------------------------------------------------- Alpha Mask

MCConvertAlphaMask::MCConvertAlphaMask() { assignParameterValue(kImageURLKey, defaultMaskURL()); }

const MCStageParameters &MCConvertAlphaMask::parameters() const
{
    // The path is compared and hashed as text; it is stored as a bookmark (encodeParameter).
    static const MCStageParameters table = {
        {.name = kImageURLKey, .type = MCStageParameterType::String, .defaultValue = QString(), .hashFactor = 1},
    };
    return table;
}

QStringList MCConvertAlphaMask::maskURLs()
{
    const QDir folder(platform::pathForResource(QStringLiteral("Masks")));
    QStringList paths;
    for (const QString &name : folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        paths.append(folder.absoluteFilePath(name));
    return paths;
}

QString MCConvertAlphaMask::defaultMaskURL()
{
    const QStringList paths = maskURLs();
    return paths.isEmpty() ? QString() : paths.first();
}

CGImageRef MCConvertAlphaMask::imageLocked() const
{
    if (!m_image && !m_path.isEmpty()) {
        CGImageRef image = MCCreateImageWithURL(m_path);
        if (image && image->width() > 0 && image->height() > 0)
            m_image = std::move(image); // a failure keeps nothing and is tried again
    }
    return m_image;
}

CGImageRef MCConvertAlphaMask::image() const
{
    std::lock_guard<std::mutex> locked(m_lock);
    return imageLocked();
}

void MCConvertAlphaMask::releaseImage()
{
    std::lock_guard<std::mutex> locked(m_lock);
    m_image.reset();
}

void MCConvertAlphaMask::parameterDidChange(const QString &name)
{
    if (name != kImageURLKey)
        return;
    std::lock_guard<std::mutex> locked(m_lock);
    m_path = imageURL();
    m_image.reset();
}

QVariant MCConvertAlphaMask::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.name != kImageURLKey)
        return MCConvertStage::encodeParameter(parameter, value);
    return bookmarkOfPath(value);
}

std::optional<QVariant> MCConvertAlphaMask::decodeParameter(const MCStageParameter &parameter,
                                                            const QVariant &stored) const
{
    if (parameter.name != kImageURLKey)
        return MCConvertStage::decodeParameter(parameter, stored);
    if (!stored.isValid())
        return std::nullopt; // no key: "imagePath" or the default
    // A bookmark replaces the default even when it names nothing. The path of a file that is
    // gone is kept, so converting fails and names it instead of dropping the mask unnoticed.
    if (stored.typeId() != QMetaType::QByteArray)
        return QVariant(QString());
    return QVariant(MCURLExtensions::URLPathFromSecurityScopedBookmark(stored.toByteArray()));
}

QVariantMap MCConvertAlphaMask::dictionaryRepresentation() const
{
    QVariantMap dictionary = MCConvertStage::dictionaryRepresentation();
    const QString path = imageURL();
    if (!path.isEmpty() && !dictionary.contains(kImageURLKey))
        dictionary.insert(kImagePathKey, path);
    return dictionary;
}

void MCConvertAlphaMask::initWithDictionary(const QVariantMap &dictionary)
{
    MCConvertStage::initWithDictionary(dictionary);
    if (!dictionary.contains(kImageURLKey) && dictionary.value(kImagePathKey).typeId() == QMetaType::QString)
        assignParameterValue(kImageURLKey, dictionary.value(kImagePathKey).toString());
}

std::shared_ptr<MCConvertStage> MCConvertAlphaMask::copy() const
{
    std::shared_ptr<MCConvertStage> stage = MCConvertStage::copy();
    auto &copied = static_cast<MCConvertAlphaMask &>(*stage);
    std::scoped_lock locked(m_lock, copied.m_lock);
    copied.m_image = m_image; // the loaded mask is shared
    return stage;
}

bool MCConvertAlphaMask::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *file, MCError *error)
{
    if (!isActive())
        return true;
    QString path;
    CGImageRef mask;
    {
        std::lock_guard<std::mutex> locked(m_lock);
        path = m_path;
        mask = imageLocked();
    }
    if (path.isEmpty())
        return true; // no mask chosen: the alpha stays as it is
    if (!mask) {
        MCError failure = stageFailureError(file);
        failure.setLocalizedFailureReason(
            QCoreApplication::translate("MCConvertStage", "The mask picture “%1” cannot be read.").arg(path));
        failure.setLocalizedRecoverySuggestion(
            QCoreApplication::translate("MCConvertStage", "Choose another mask in the action, and then try again."));
        failure.setUserInfoValue(MCFilePathErrorKey, path);
        return MCSetError(error, failure);
    }
    if (!bitmap)
        return false;
    return bitmap->applyAlphaMask(mask, error);
}

// ---------------------------------------------------------------- Alpha to Color, Color to Alpha

const MCStageParameters &MCAlphaColorStage::parameters() const
{
    using MCAdjustmentStage::doubleParameter;
    // Hash mix: lround(7 × red) XOR lround(11 × green) XOR lround(17 × blue).
    static const MCStageParameters table = {
        doubleParameter(kRedKey, 0.5, 0.0, 1.0, 7.0, 1),
        doubleParameter(kGreenKey, 0.5, 0.0, 1.0, 11.0, 1),
        doubleParameter(kBlueKey, 0.5, 0.0, 1.0, 17.0, 1),
    };
    return table;
}

void MCAlphaColorStage::parameterDidChange(const QString &name)
{
    const int index = name == kRedKey ? 0 : name == kGreenKey ? 1 : name == kBlueKey ? 2 : -1;
    if (index < 0)
        return;
    const double value = doubleValue(name);
    std::lock_guard<std::mutex> locked(m_lock);
    m_components[index] = value;
}

std::optional<QColor> MCAlphaColorStage::color() const
{
    double components[3];
    {
        std::lock_guard<std::mutex> locked(m_lock);
        std::copy(std::begin(m_components), std::end(m_components), components);
    }
    for (double c : components) {
        if (!std::isfinite(c))
            return std::nullopt;
    }
    return QColor::fromRgbF(float(std::clamp(components[0], 0.0, 1.0)), float(std::clamp(components[1], 0.0, 1.0)),
                            float(std::clamp(components[2], 0.0, 1.0)), 1.0f);
}

bool MCConvertAlphaToColor::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    const std::optional<QColor> backdrop = color();
    if (!bitmap || !backdrop)
        return false;
    return bitmap->alphaToColor(*backdrop, error);
}

bool MCConvertColorToAlpha::convertBitmap(MCBitmap *bitmap, QVariantMap &, const MCFile *, MCError *error)
{
    if (!isActive())
        return true;
    const std::optional<QColor> key = color();
    if (!bitmap || !key)
        return false;
    return bitmap->colorToAlpha(*key, error);
}
