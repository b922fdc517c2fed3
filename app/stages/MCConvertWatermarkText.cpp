#include "app/stages/MCConvertWatermarkText.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCWatermarkStage.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGImage.h"

#include <QFontDatabase>

#include <algorithm>
#include <cmath>
#include <limits>

const QString MCConvertWatermarkText::kBoundsToGlyphsSettingKey = QStringLiteral("BoundsToGlyphs");

const QString MCConvertWatermarkText::kTokensKey = QStringLiteral("tokens");
const QString MCConvertWatermarkText::kTextPositionMaskKey = QStringLiteral("textPositionMask");
const QString MCConvertWatermarkText::kTextOffsetXCalculatesInPercentKey = QStringLiteral("textOffsetXCalculatesInPercent");
const QString MCConvertWatermarkText::kTextOffsetXInPercentKey = QStringLiteral("textOffsetXInPercent");
const QString MCConvertWatermarkText::kTextOffsetXInPixelsKey = QStringLiteral("textOffsetXInPixels");
const QString MCConvertWatermarkText::kTextOffsetYCalculatesInPercentKey = QStringLiteral("textOffsetYCalculatesInPercent");
const QString MCConvertWatermarkText::kTextOffsetYInPercentKey = QStringLiteral("textOffsetYInPercent");
const QString MCConvertWatermarkText::kTextOffsetYInPixelsKey = QStringLiteral("textOffsetYInPixels");
const QString MCConvertWatermarkText::kTextRotationKey = QStringLiteral("textRotation");
const QString MCConvertWatermarkText::kFontFamilyNameKey = QStringLiteral("fontFamilyName");
const QString MCConvertWatermarkText::kFontTypefaceKey = QStringLiteral("fontTypeface");
const QString MCConvertWatermarkText::kFontSizeMethodKey = QStringLiteral("fontSizeMethod");
const QString MCConvertWatermarkText::kFontSizeFixedKey = QStringLiteral("fontSizeFixed");
const QString MCConvertWatermarkText::kFontSizeInPercentKey = QStringLiteral("fontSizeInPercent");
const QString MCConvertWatermarkText::kColorKey = QStringLiteral("color");
const QString MCConvertWatermarkText::kTextAlignmentKey = QStringLiteral("textAlignment");
const QString MCConvertWatermarkText::kHasOutlineKey = QStringLiteral("hasOutline");
const QString MCConvertWatermarkText::kOutlineWidthKey = QStringLiteral("outlineWidth");
const QString MCConvertWatermarkText::kOutlineColorKey = QStringLiteral("outlineColor");
const QString MCConvertWatermarkText::kCollapsedOutlineGroupKey = QStringLiteral("collapsedOutlineGroup");

namespace {

using T = MCStageParameterType;
using MCWatermarkStage::flag;
using MCWatermarkStage::number;

// The size the relative methods measure the text at before fitting it.
constexpr double kMeasuringSize = 96.0;

} // namespace

const MCStageParameters &MCConvertWatermarkText::parameters() const
{
    static const MCStageParameters table = {
        {.name = kTokensKey, .type = T::Custom,
         .defaultValue = QVariantList{MCWatermarkText::element(MCWatermarkTextToken::itemWithKind(
             MCWatermarkTextTokenKindCaptureDate, {{kMCWatermarkDateFormatIDKey, 1}, {kMCWatermarkTimeFormatIDKey, 0}}))}},
        {.name = kTextPositionMaskKey, .type = T::Unsigned, .defaultValue = quint64(10), .hashFactor = 11},
        flag(kTextOffsetXCalculatesInPercentKey, true),
        number(kTextOffsetXInPercentKey, T::Double, 2.0, -100, 100, 0.0),
        number(kTextOffsetXInPixelsKey, T::Double, 20.0, -10000, 10000, 0.0),
        flag(kTextOffsetYCalculatesInPercentKey, true),
        number(kTextOffsetYInPercentKey, T::Double, 2.0, -100, 100, 0.0),
        number(kTextOffsetYInPixelsKey, T::Double, 20.0, -10000, 10000, 0.0),
        number(kTextRotationKey, T::Double, 0.0, 0, 359),
        flag(kTilesKey, false),
        flag(kTileOffsetXCalculatesInPercentKey, true),
        number(kTileOffsetXInPercentKey, T::Double, 2.0, 0, 100),
        number(kTileOffsetXInPixelsKey, T::Double, 20.0, 0, 10000),
        flag(kTileOffsetYCalculatesInPercentKey, true),
        number(kTileOffsetYInPercentKey, T::Double, 2.0, 0, 100),
        number(kTileOffsetYInPixelsKey, T::Double, 20.0, 0, 10000),
        {.name = kFontFamilyNameKey, .type = T::String, .defaultValue = QStringLiteral("Helvetica")},
        {.name = kFontTypefaceKey, .type = T::String, .defaultValue = QString()},
        {.name = kFontSizeMethodKey, .type = T::Unsigned, .defaultValue = quint64(PercentOfShorterSide),
         .hashFactor = 17},
        number(kFontSizeFixedKey, T::Double, 96.0, 8, 10000),
        number(kFontSizeInPercentKey, T::Double, 7.0, 0.5, 200),
        {.name = kColorKey, .type = T::Color, .defaultValue = QColor(Qt::white)},
        {.name = kTextAlignmentKey, .type = T::Unsigned, .defaultValue = quint64(0), .hashFactor = 7},
        flag(kHasOutlineKey, false),
        number(kOutlineWidthKey, T::Double, 3.0, 0, 100),
        {.name = kOutlineColorKey, .type = T::Color, .defaultValue = QColor(Qt::black)},
        flag(kHasShadowKey, true),
        {.name = kShadowColorKey, .type = T::Color, .defaultValue = QColor::fromRgbF(0, 0, 0, 0.75f)},
        number(kShadowBlurKey, T::Double, 3.0, 0, 100),
        number(kShadowDistanceKey, T::Double, 4.0, 0, 100),
        number(kShadowAngleKey, T::Double, 300.0, 0, 359),
        // A fraction 0..1; the limits are those of the panel's percent field.
        number(kOpacityKey, T::Double, 0.75, 0, 100),
        MCWatermarkStage::foldedGroup(kCollapsedPositionGroupKey, false),
        MCWatermarkStage::foldedGroup(kCollapsedOpacityGroupKey, false),
        MCWatermarkStage::foldedGroup(kCollapsedOutlineGroupKey, true),
        MCWatermarkStage::foldedGroup(kCollapsedShadowGroupKey, true),
        MCWatermarkStage::foldedGroup(kCollapsedTileGroupKey, true),
    };
    return table;
}

bool MCConvertWatermarkText::parametersEqual(const MCConvertStage &other) const
{
    QStringList keys = {kTextAlignmentKey,  kTextPositionMaskKey, kTextRotationKey,
                        kFontSizeMethodKey, kOpacityKey,          kHasOutlineKey,
                        kOutlineWidthKey,   kTilesKey,            kTextOffsetXCalculatesInPercentKey,
                        kTextOffsetYCalculatesInPercentKey,       kHasShadowKey,
                        kShadowBlurKey,     kShadowDistanceKey,   kShadowAngleKey,
                        kFontFamilyNameKey, kFontTypefaceKey,     kColorKey,
                        kTokensKey};
    keys << (fontSizeMethod() != FixedSize ? kFontSizeInPercentKey : kFontSizeFixedKey);
    if (textOffsetXCalculatesInPercent())
        keys << kTextOffsetXInPercentKey << kTextOffsetYInPercentKey;
    else
        keys << kTextOffsetXInPixelsKey << kTextOffsetYInPixelsKey;
    if (tiles()) {
        if (tileOffsetXCalculatesInPercent())
            keys << kTileOffsetXInPercentKey << kTileOffsetYInPercentKey;
        else
            keys << kTileOffsetXInPixelsKey << kTileOffsetYInPixelsKey;
    }
    if (hasOutline())
        keys << kOutlineColorKey;
    if (hasShadow())
        keys << kShadowColorKey;
    return std::all_of(keys.begin(), keys.end(), [&](const QString &key) { return parameterEquals(other, key); });
}

QVariant MCConvertWatermarkText::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.name == kTokensKey)
        return MCWatermarkText::storedElements(value.toList());
    return MCConvertStage::encodeParameter(parameter, value);
}

std::optional<QVariant> MCConvertWatermarkText::decodeParameter(const MCStageParameter &parameter,
                                                                const QVariant &stored) const
{
    if (parameter.name != kTokensKey)
        return MCConvertStage::decodeParameter(parameter, stored);
    if (stored.typeId() != QMetaType::QVariantList && stored.typeId() != QMetaType::QStringList)
        return std::nullopt; // no text stored: the default stays
    return QVariant(MCWatermarkText::elementsFromStored(stored.toList()));
}

QString MCConvertWatermarkText::compoundTextForBitmap(const MCBitmap *bitmap, const QVariantMap &metadata,
                                                      const MCFile *file) const
{
    return MCWatermarkText::compoundText(tokens(), bitmap, metadata, file);
}

QFont MCConvertWatermarkText::fontWithFamily(const QString &family, const QString &typeface, double size)
{
    QFont font;
    if (!family.isEmpty() && QFontDatabase::hasFamily(family)) {
        font = QFont(family);
        if (!typeface.isEmpty() && QFontDatabase::styles(family).contains(typeface))
            font = QFontDatabase::font(family, typeface, 12);
    } else {
        // A family the system lacks (a preset from another machine): the system's own font
        // rather than whatever the font matcher substitutes.
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    }
    if (size > 0 && std::isfinite(size))
        font.setPointSizeF(size);
    return font;
}

MCTextAttributes MCConvertWatermarkText::textAttributesWithSize(double size) const
{
    MCTextAttributes attributes;
    attributes.font = fontWithFamily(fontFamilyName(), fontTypeface(), size);
    const QColor letters = color();
    attributes.foregroundColor = letters.isValid() ? letters : QColor(Qt::black);
    MCParagraphStyle paragraph;
    paragraph.alignment = textAlignment();
    attributes.paragraphStyle = paragraph;
    if (hasOutline()) {
        attributes.strokeWidth = outlineWidth() * size / 100.0;
        const QColor outline = outlineColor();
        attributes.strokeColor = outline.isValid() ? outline : QColor(Qt::black);
    }
    return attributes;
}

double MCConvertWatermarkText::fontSizeForText(const QString &text, const MCBitmap &bitmap, bool boundsToGlyphs) const
{
    // A method the panel never offers (a hand-edited preset) is the default, not a size of 0.
    const quint64 method = std::min<quint64>(fontSizeMethod(), PercentOfShorterSide);
    const double base = method == FixedSize ? fontSizeFixed() : kMeasuringSize;
    if (!(base > 0) || !std::isfinite(base))
        return 0;
    // A size beyond any picture is answered unmeasured; the caller refuses it.
    if (base > double(CGImage::kMaximumSide))
        return base;
    const MCTextAttributes attributes = textAttributesWithSize(base);
    MCAttributedString measured;
    measured.append(text, attributes);
    // Text of blanks and line breaks only has no ink: nothing to fit, place or draw (its
    // typographic box alone would still have a height).
    if (!(bitmap.boundsOfText(measured, true).height() > 0))
        return 0;
    if (method == FixedSize)
        return base;
    const QSizeF photo = MCWatermarkStage::truncatedFullSize(bitmap);
    double side = photo.width();
    if (method == PercentOfHeight)
        side = photo.height();
    else if (method == PercentOfLongerSide)
        side = std::max(photo.width(), photo.height());
    else if (method == PercentOfShorterSide)
        side = std::min(photo.width(), photo.height());
    const double target = fontSizeInPercent() * side / 100.0;
    return bitmap.fontSizeWithString(text, attributes, QSizeF(std::numeric_limits<double>::max(), target),
                                     boundsToGlyphs, hasOutline() ? outlineWidth() : 0.0);
}

bool MCConvertWatermarkText::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file,
                                           MCError *error)
{
    if (!isActive())
        return true;
    if (!bitmap)
        return false;
    const QString text = compoundTextForBitmap(bitmap, metadata, file);
    if (text.isEmpty())
        return true;
    const bool boundsToGlyphs = MCUserDefaults::standardUserDefaults().boolForKey(kBoundsToGlyphsSettingKey);
    const double size = fontSizeForText(text, *bitmap, boundsToGlyphs);
    if (!(size > 0))
        return true;
    if (size > double(CGImage::kMaximumSide))
        return MCWatermarkStage::failWithOversizedCanvas(*this, file, QSizeF(size, size), error);

    MCAttributedString string;
    string.append(text, textAttributesWithSize(size));
    std::optional<MCShadow> shadow;
    if (hasShadow())
        shadow = MCWatermarkStage::shadow(shadowColor(), shadowBlur(), shadowDistance(), shadowAngle(), size);
    const QSizeF photo = MCWatermarkStage::truncatedFullSize(*bitmap);
    using MCWatermarkStage::length;
    const QPointF offset(
        length(textOffsetXCalculatesInPercent(), textOffsetXInPercent(), textOffsetXInPixels(), photo.width()),
        length(textOffsetYCalculatesInPercent(), textOffsetYInPercent(), textOffsetYInPixels(), photo.height()));
    const QPointF gap(
        length(tileOffsetXCalculatesInPercent(), tileOffsetXInPercent(), tileOffsetXInPixels(), photo.width()),
        length(tileOffsetYCalculatesInPercent(), tileOffsetYInPercent(), tileOffsetYInPixels(), photo.height()));

    // The text is rendered into one canvas of its box (with outline, shadow and tile gap)
    // before it is drawn; one beyond any picture's size is refused before anything is drawn.
    const QRectF box = bitmap->boundsOfText(string, boundsToGlyphs);
    const double stroke = hasOutline() ? std::fabs(outlineWidth() * size / 100.0) : 0.0;
    const QSizeF canvas = MCWatermarkStage::canvasSize(box.size() + QSizeF(stroke, stroke), shadow,
                                                       tiles() ? gap : QPointF());
    if (!MCWatermarkStage::canvasFits(canvas))
        return MCWatermarkStage::failWithOversizedCanvas(*this, file, canvas, error);

    return bitmap->drawText(string, opacity(), shadow, textPositionMask(), offset, textRotation(), tiles(), gap,
                            boundsToGlyphs, MCWatermarkStage::orientation(metadata));
}
