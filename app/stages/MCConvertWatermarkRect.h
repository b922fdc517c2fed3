#pragma once

// Watermark Rectangle: one filled rectangle, for example a dark band behind a text watermark,
// whose length and thickness are fixed pixel sizes or percentages of the photo, anchored to an
// edge or the centre with a margin, turned, optionally outlined and with rounded corners, at an
// opacity. Placement follows the text watermark's (MCConvertWatermarkText.h) in the photo's
// displayed axes; there is no shadow and no tiling.
#include "app/engine/pipeline/MCConvertStage.h"

#include <QColor>

class MCConvertWatermarkRect : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 37;
    static const QString kRectPositionMaskKey;               // "rectPositionMask"
    static const QString kRectOffsetXCalculatesInPercentKey; // "rectOffsetXCalculatesInPercent"
    static const QString kRectOffsetXInPercentKey;           // "rectOffsetXInPercent"
    static const QString kRectOffsetXInPixelsKey;            // "rectOffsetXInPixels"
    static const QString kRectOffsetYCalculatesInPercentKey; // "rectOffsetYCalculatesInPercent"
    static const QString kRectOffsetYInPercentKey;           // "rectOffsetYInPercent"
    static const QString kRectOffsetYInPixelsKey;            // "rectOffsetYInPixels"
    static const QString kRectRotationKey;                   // "rectRotation"
    static const QString kRectLengthValueKey;                // "rectLengthValue"
    static const QString kRectLengthFixedKey;                // "rectLengthFixed"
    static const QString kRectLengthInPercentKey;            // "rectLengthInPercent"
    static const QString kRectThicknessValueKey;             // "rectThicknessValue"
    static const QString kRectThicknessFixedKey;             // "rectThicknessFixed"
    static const QString kRectThicknessInPercentKey;         // "rectThicknessInPercent"
    static const QString kFillColorKey;                      // "fillColor"
    static const QString kHasStrokeKey;                      // "hasStroke"
    static const QString kStrokeThicknessKey;                // "strokeThickness"
    static const QString kStrokeColorKey;                    // "strokeColor"
    static const QString kIsRoundedKey;                      // "isRounded"
    static const QString kRectRadiusValueKey;                // "rectRadiusValue"
    static const QString kRectRadiusFixedKey;                // "rectRadiusFixed"
    static const QString kRectRadiusInPercentKey;            // "rectRadiusInPercent"
    static const QString kOpacityKey;                        // "opacity"
    static const QString kCollapsedPositionGroupKey;         // "collapsedPositionGroup"
    static const QString kCollapsedStrokeGroupKey;           // "collapsedStrokeGroup"
    static const QString kCollapsedRoundedGroupKey;          // "collapsedRoundedGroup"
    static const QString kCollapsedOpacityGroupKey;          // "collapsedOpacityGroup"

    // How the length, thickness and radius are found; D and E are the displayed photo's width
    // and height. Other values give 0 for the length and thickness and the fixed radius.
    enum SizeKind : quint64 {
        FixedPixels = 0,
        PercentOfWidth = 1,       // of D
        PercentOfHeight = 2,      // of E
        PercentOfLongerSide = 3,  // of max(D, E)
        PercentOfShorterSide = 4, // of min(D, E)
    };

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    quint64 rectPositionMask() const { return unsignedValue(kRectPositionMaskKey); }
    void setRectPositionMask(quint64 value) { setParameterValue(kRectPositionMaskKey, value); }
    bool rectOffsetXCalculatesInPercent() const { return boolValue(kRectOffsetXCalculatesInPercentKey); }
    void setRectOffsetXCalculatesInPercent(bool value) { setParameterValue(kRectOffsetXCalculatesInPercentKey, value); }
    double rectOffsetXInPercent() const { return doubleValue(kRectOffsetXInPercentKey); }
    void setRectOffsetXInPercent(double value) { setParameterValue(kRectOffsetXInPercentKey, value); }
    double minRectOffsetXInPercent() const { return minimumForKey(kRectOffsetXInPercentKey); }
    double maxRectOffsetXInPercent() const { return maximumForKey(kRectOffsetXInPercentKey); }
    double rectOffsetXInPixels() const { return doubleValue(kRectOffsetXInPixelsKey); }
    void setRectOffsetXInPixels(double value) { setParameterValue(kRectOffsetXInPixelsKey, value); }
    double minRectOffsetXInPixels() const { return minimumForKey(kRectOffsetXInPixelsKey); }
    double maxRectOffsetXInPixels() const { return maximumForKey(kRectOffsetXInPixelsKey); }
    bool rectOffsetYCalculatesInPercent() const { return boolValue(kRectOffsetYCalculatesInPercentKey); }
    void setRectOffsetYCalculatesInPercent(bool value) { setParameterValue(kRectOffsetYCalculatesInPercentKey, value); }
    double rectOffsetYInPercent() const { return doubleValue(kRectOffsetYInPercentKey); }
    void setRectOffsetYInPercent(double value) { setParameterValue(kRectOffsetYInPercentKey, value); }
    double minRectOffsetYInPercent() const { return minimumForKey(kRectOffsetYInPercentKey); }
    double maxRectOffsetYInPercent() const { return maximumForKey(kRectOffsetYInPercentKey); }
    double rectOffsetYInPixels() const { return doubleValue(kRectOffsetYInPixelsKey); }
    void setRectOffsetYInPixels(double value) { setParameterValue(kRectOffsetYInPixelsKey, value); }
    double minRectOffsetYInPixels() const { return minimumForKey(kRectOffsetYInPixelsKey); }
    double maxRectOffsetYInPixels() const { return maximumForKey(kRectOffsetYInPixelsKey); }
    double rectRotation() const { return doubleValue(kRectRotationKey); }
    void setRectRotation(double value) { setParameterValue(kRectRotationKey, value); }
    double minRectRotation() const { return minimumForKey(kRectRotationKey); }
    double maxRectRotation() const { return maximumForKey(kRectRotationKey); }
    quint64 rectLengthValue() const { return unsignedValue(kRectLengthValueKey); }
    void setRectLengthValue(quint64 value) { setParameterValue(kRectLengthValueKey, value); }
    double rectLengthFixed() const { return doubleValue(kRectLengthFixedKey); }
    void setRectLengthFixed(double value) { setParameterValue(kRectLengthFixedKey, value); }
    double minRectLengthFixed() const { return minimumForKey(kRectLengthFixedKey); }
    double maxRectLengthFixed() const { return maximumForKey(kRectLengthFixedKey); }
    double rectLengthInPercent() const { return doubleValue(kRectLengthInPercentKey); }
    void setRectLengthInPercent(double value) { setParameterValue(kRectLengthInPercentKey, value); }
    double minRectLengthInPercent() const { return minimumForKey(kRectLengthInPercentKey); }
    double maxRectLengthInPercent() const { return maximumForKey(kRectLengthInPercentKey); }
    quint64 rectThicknessValue() const { return unsignedValue(kRectThicknessValueKey); }
    void setRectThicknessValue(quint64 value) { setParameterValue(kRectThicknessValueKey, value); }
    double rectThicknessFixed() const { return doubleValue(kRectThicknessFixedKey); }
    void setRectThicknessFixed(double value) { setParameterValue(kRectThicknessFixedKey, value); }
    double minRectThicknessFixed() const { return minimumForKey(kRectThicknessFixedKey); }
    double maxRectThicknessFixed() const { return maximumForKey(kRectThicknessFixedKey); }
    double rectThicknessInPercent() const { return doubleValue(kRectThicknessInPercentKey); }
    void setRectThicknessInPercent(double value) { setParameterValue(kRectThicknessInPercentKey, value); }
    double minRectThicknessInPercent() const { return minimumForKey(kRectThicknessInPercentKey); }
    double maxRectThicknessInPercent() const { return maximumForKey(kRectThicknessInPercentKey); }
    QColor fillColor() const { return parameterValue(kFillColorKey).value<QColor>(); }
    void setFillColor(const QColor &value) { setParameterValue(kFillColorKey, value); }
    bool hasStroke() const { return boolValue(kHasStrokeKey); }
    void setHasStroke(bool value) { setParameterValue(kHasStrokeKey, value); }
    double strokeThickness() const { return doubleValue(kStrokeThicknessKey); }
    void setStrokeThickness(double value) { setParameterValue(kStrokeThicknessKey, value); }
    double minStrokeThickness() const { return minimumForKey(kStrokeThicknessKey); }
    double maxStrokeThickness() const { return maximumForKey(kStrokeThicknessKey); }
    QColor strokeColor() const { return parameterValue(kStrokeColorKey).value<QColor>(); }
    void setStrokeColor(const QColor &value) { setParameterValue(kStrokeColorKey, value); }
    bool isRounded() const { return boolValue(kIsRoundedKey); }
    void setIsRounded(bool value) { setParameterValue(kIsRoundedKey, value); }
    quint64 rectRadiusValue() const { return unsignedValue(kRectRadiusValueKey); }
    void setRectRadiusValue(quint64 value) { setParameterValue(kRectRadiusValueKey, value); }
    double rectRadiusFixed() const { return doubleValue(kRectRadiusFixedKey); }
    void setRectRadiusFixed(double value) { setParameterValue(kRectRadiusFixedKey, value); }
    double minRectRadiusFixed() const { return minimumForKey(kRectRadiusFixedKey); }
    double maxRectRadiusFixed() const { return maximumForKey(kRectRadiusFixedKey); }
    double rectRadiusInPercent() const { return doubleValue(kRectRadiusInPercentKey); }
    void setRectRadiusInPercent(double value) { setParameterValue(kRectRadiusInPercentKey, value); }
    double minRectRadiusInPercent() const { return minimumForKey(kRectRadiusInPercentKey); }
    double maxRectRadiusInPercent() const { return maximumForKey(kRectRadiusInPercentKey); }
    double opacity() const { return doubleValue(kOpacityKey); }
    void setOpacity(double value) { setParameterValue(kOpacityKey, value); }
    double minOpacity() const { return minimumForKey(kOpacityKey); }
    double maxOpacity() const { return maximumForKey(kOpacityKey); }
    bool collapsedPositionGroup() const { return boolValue(kCollapsedPositionGroupKey); }
    void setCollapsedPositionGroup(bool value) { setParameterValue(kCollapsedPositionGroupKey, value); }
    bool collapsedStrokeGroup() const { return boolValue(kCollapsedStrokeGroupKey); }
    void setCollapsedStrokeGroup(bool value) { setParameterValue(kCollapsedStrokeGroupKey, value); }
    bool collapsedRoundedGroup() const { return boolValue(kCollapsedRoundedGroupKey); }
    void setCollapsedRoundedGroup(bool value) { setParameterValue(kCollapsedRoundedGroupKey, value); }
    bool collapsedOpacityGroup() const { return boolValue(kCollapsedOpacityGroupKey); }
    void setCollapsedOpacityGroup(bool value) { setParameterValue(kCollapsedOpacityGroupKey, value); }

    // The photo as displayed for `orientation`, in full-size pixels rounded to the nearest
    // (halves away from zero): the bitmap's axes exchanged for a quarter turn.
    static QSizeF displayedSize(const MCBitmap &bitmap, quint64 orientation);
    // The length and thickness (not rounded) and the corner radius on a displayed photo.
    QSizeF rectSizeForPhoto(const QSizeF &displayed) const;
    double radiusForPhoto(const QSizeF &displayed) const;

    // Draws the rectangle; answers the drawing's result and never sets an error itself.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // The fields of the chosen kinds and the enabled parts only; never the panel's flags.
    bool parametersEqual(const MCConvertStage &other) const override;
    // (length kind × 17) XOR (mask × 7) XOR (trunc(opacity × 100) × 11).
    quint64 hashMix() const override;
};
