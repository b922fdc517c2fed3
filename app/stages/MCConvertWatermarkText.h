#pragma once

// Watermark Text: a text built per photo from literal strings and tokens (capture date, pixel
// size, camera, IPTC fields, file names ...), drawn in a font at a fixed size or at a size
// that follows the photo, with an optional outline and drop shadow, at an opacity, anchored to
// an edge, a corner or the centre, optionally turned and tiled over the whole photo.
//
// Placement, shared by the three watermark stages: lengths are pixels of the full-size photo
// (the bitmap's size over its scale, so a preview shows the same proportions) in its displayed
// orientation; the anchor bits are 1 left, 2 right, 4 top, 8 bottom (left and bottom win when
// both of an axis are set; an axis without a bit is centred); an offset moves the element
// inward from its anchored edge, and right or up on a centred axis; the rotation turns the
// element about its centre, counter-clockwise, and the anchoring uses the turned box.
#include "app/stages/MCTiledWatermarkStage.h"
#include "app/stages/MCWatermarkTextToken.h"
#include "platform/text/MCAttributedString.h"

#include <QColor>
#include <QFont>

class MCConvertWatermarkText : public MCTiledWatermarkStage
{
public:
    static constexpr qint64 StageID = 14;
    // The user setting that chooses the box text is measured and placed by: YES the tight box
    // of the glyphs' ink, NO (the registered default) also the lines' typographic extents.
    // Read for every photo.
    static const QString kBoundsToGlyphsSettingKey; // "BoundsToGlyphs"
    static const QString kTokensKey;                         // "tokens"
    static const QString kTextPositionMaskKey;               // "textPositionMask"
    static const QString kTextOffsetXCalculatesInPercentKey; // "textOffsetXCalculatesInPercent"
    static const QString kTextOffsetXInPercentKey;           // "textOffsetXInPercent"
    static const QString kTextOffsetXInPixelsKey;            // "textOffsetXInPixels"
    static const QString kTextOffsetYCalculatesInPercentKey; // "textOffsetYCalculatesInPercent"
    static const QString kTextOffsetYInPercentKey;           // "textOffsetYInPercent"
    static const QString kTextOffsetYInPixelsKey;            // "textOffsetYInPixels"
    static const QString kTextRotationKey;                   // "textRotation"
    static const QString kFontFamilyNameKey;                 // "fontFamilyName"
    static const QString kFontTypefaceKey;                   // "fontTypeface"
    static const QString kFontSizeMethodKey;                 // "fontSizeMethod"
    static const QString kFontSizeFixedKey;                  // "fontSizeFixed"
    static const QString kFontSizeInPercentKey;              // "fontSizeInPercent"
    static const QString kColorKey;                          // "color"
    static const QString kTextAlignmentKey;                  // "textAlignment"
    static const QString kHasOutlineKey;                     // "hasOutline"
    static const QString kOutlineWidthKey;                   // "outlineWidth"
    static const QString kOutlineColorKey;                   // "outlineColor"
    static const QString kCollapsedOutlineGroupKey;          // "collapsedOutlineGroup"

    // How the point size is found: fixed, or the text's height as a percentage of a side.
    enum FontSizeMethod : quint64 {
        FixedSize = 0,
        PercentOfWidth = 1,
        PercentOfHeight = 2,
        PercentOfLongerSide = 3,
        PercentOfShorterSide = 4, // the default, and what a value above 4 means
    };

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // The text: literal strings and tokens in display order (MCWatermarkText elements).
    QVariantList tokens() const { return parameterValue(kTokensKey).toList(); }
    void setTokens(const QVariantList &tokens) { setParameterValue(kTokensKey, tokens); }
    quint64 textPositionMask() const { return unsignedValue(kTextPositionMaskKey); }
    void setTextPositionMask(quint64 value) { setParameterValue(kTextPositionMaskKey, value); }
    bool textOffsetXCalculatesInPercent() const { return boolValue(kTextOffsetXCalculatesInPercentKey); }
    void setTextOffsetXCalculatesInPercent(bool value) { setParameterValue(kTextOffsetXCalculatesInPercentKey, value); }
    double textOffsetXInPercent() const { return doubleValue(kTextOffsetXInPercentKey); }
    void setTextOffsetXInPercent(double value) { setParameterValue(kTextOffsetXInPercentKey, value); }
    double minTextOffsetXInPercent() const { return minimumForKey(kTextOffsetXInPercentKey); }
    double maxTextOffsetXInPercent() const { return maximumForKey(kTextOffsetXInPercentKey); }
    double textOffsetXInPixels() const { return doubleValue(kTextOffsetXInPixelsKey); }
    void setTextOffsetXInPixels(double value) { setParameterValue(kTextOffsetXInPixelsKey, value); }
    double minTextOffsetXInPixels() const { return minimumForKey(kTextOffsetXInPixelsKey); }
    double maxTextOffsetXInPixels() const { return maximumForKey(kTextOffsetXInPixelsKey); }
    bool textOffsetYCalculatesInPercent() const { return boolValue(kTextOffsetYCalculatesInPercentKey); }
    void setTextOffsetYCalculatesInPercent(bool value) { setParameterValue(kTextOffsetYCalculatesInPercentKey, value); }
    double textOffsetYInPercent() const { return doubleValue(kTextOffsetYInPercentKey); }
    void setTextOffsetYInPercent(double value) { setParameterValue(kTextOffsetYInPercentKey, value); }
    double minTextOffsetYInPercent() const { return minimumForKey(kTextOffsetYInPercentKey); }
    double maxTextOffsetYInPercent() const { return maximumForKey(kTextOffsetYInPercentKey); }
    double textOffsetYInPixels() const { return doubleValue(kTextOffsetYInPixelsKey); }
    void setTextOffsetYInPixels(double value) { setParameterValue(kTextOffsetYInPixelsKey, value); }
    double minTextOffsetYInPixels() const { return minimumForKey(kTextOffsetYInPixelsKey); }
    double maxTextOffsetYInPixels() const { return maximumForKey(kTextOffsetYInPixelsKey); }
    double textRotation() const { return doubleValue(kTextRotationKey); }
    void setTextRotation(double value) { setParameterValue(kTextRotationKey, value); }
    double minTextRotation() const { return minimumForKey(kTextRotationKey); }
    double maxTextRotation() const { return maximumForKey(kTextRotationKey); }
    QString fontFamilyName() const { return stringValue(kFontFamilyNameKey); }
    void setFontFamilyName(const QString &value) { setParameterValue(kFontFamilyNameKey, value); }
    QString fontTypeface() const { return stringValue(kFontTypefaceKey); }
    void setFontTypeface(const QString &value) { setParameterValue(kFontTypefaceKey, value); }
    quint64 fontSizeMethod() const { return unsignedValue(kFontSizeMethodKey); }
    void setFontSizeMethod(quint64 value) { setParameterValue(kFontSizeMethodKey, value); }
    double fontSizeFixed() const { return doubleValue(kFontSizeFixedKey); }
    void setFontSizeFixed(double value) { setParameterValue(kFontSizeFixedKey, value); }
    double minFontSizeFixed() const { return minimumForKey(kFontSizeFixedKey); }
    double maxFontSizeFixed() const { return maximumForKey(kFontSizeFixedKey); }
    double fontSizeInPercent() const { return doubleValue(kFontSizeInPercentKey); }
    void setFontSizeInPercent(double value) { setParameterValue(kFontSizeInPercentKey, value); }
    double minFontSizeInPercent() const { return minimumForKey(kFontSizeInPercentKey); }
    double maxFontSizeInPercent() const { return maximumForKey(kFontSizeInPercentKey); }
    QColor color() const { return parameterValue(kColorKey).value<QColor>(); }
    void setColor(const QColor &value) { setParameterValue(kColorKey, value); }
    quint64 textAlignment() const { return unsignedValue(kTextAlignmentKey); }
    void setTextAlignment(quint64 value) { setParameterValue(kTextAlignmentKey, value); }
    bool hasOutline() const { return boolValue(kHasOutlineKey); }
    void setHasOutline(bool value) { setParameterValue(kHasOutlineKey, value); }
    double outlineWidth() const { return doubleValue(kOutlineWidthKey); }
    void setOutlineWidth(double value) { setParameterValue(kOutlineWidthKey, value); }
    double minOutlineWidth() const { return minimumForKey(kOutlineWidthKey); }
    double maxOutlineWidth() const { return maximumForKey(kOutlineWidthKey); }
    QColor outlineColor() const { return parameterValue(kOutlineColorKey).value<QColor>(); }
    void setOutlineColor(const QColor &value) { setParameterValue(kOutlineColorKey, value); }
    bool collapsedOutlineGroup() const { return boolValue(kCollapsedOutlineGroupKey); }
    void setCollapsedOutlineGroup(bool value) { setParameterValue(kCollapsedOutlineGroupKey, value); }

    // ---- the text of a photo (MCWatermarkText)
    QString compoundTextForBitmap(const MCBitmap *bitmap, const QVariantMap &metadata, const MCFile *file) const;
    static QString changeCaseIfNeedForString(const QString &string, const MCWatermarkTextToken &token)
    {
        return MCWatermarkText::changeCaseIfNeedForString(string, token);
    }
    static QString stringFromDate(const QDateTime &date, const QString &formatString)
    {
        return MCWatermarkText::stringFromDate(date, formatString);
    }

    // The font of `family` in the face `typeface` (empty: the family's own) at `size` points;
    // the system font at that size when the system has no such family. A face the family does
    // not have leaves the family's own.
    static QFont fontWithFamily(const QString &family, const QString &typeface, double size);
    // The attributes the text is drawn with at `size` points: the font, the colour, the
    // alignment and, with an outline, its colour and width (outlineWidth percent of the size).
    MCTextAttributes textAttributesWithSize(double size) const;
    // The point size the text is drawn at on `bitmap`: fontSizeFixed, or fitted so the text's
    // box is fontSizeInPercent of the chosen side high. 0 when nothing can be drawn (a text
    // without ink, a size that is not positive).
    double fontSizeForText(const QString &text, const MCBitmap &bitmap, bool boundsToGlyphs) const;

    // Draws the text (nothing, answering true, for an empty text or one without ink). Fails with
    // a stage error when the text cannot be rendered because its canvas would be larger than
    // any picture.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // The fields of the chosen units and the enabled parts only; never the panel's flags.
    bool parametersEqual(const MCConvertStage &other) const override;
    // Tokens are stored as their dictionaries.
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;
};
