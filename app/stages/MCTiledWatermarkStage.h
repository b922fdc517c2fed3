#pragma once

// The base of the watermark stages that may cast a drop shadow and tile their mark over the
// whole photo (text and image): the keys and accessors of the opacity, shadow, tiling and the
// panel's folded groups they store under the same names. Each stage declares the parameters'
// defaults and limits in its own table.
#include "app/engine/pipeline/MCConvertStage.h"

#include <QColor>

class MCTiledWatermarkStage : public MCConvertStage
{
public:
    static const QString kHasShadowKey;                      // "hasShadow"
    static const QString kShadowColorKey;                    // "shadowColor"
    static const QString kShadowBlurKey;                     // "shadowBlur"
    static const QString kShadowDistanceKey;                 // "shadowDistance"
    static const QString kShadowAngleKey;                    // "shadowAngle"
    static const QString kOpacityKey;                        // "opacity"
    static const QString kTilesKey;                          // "tiles"
    static const QString kTileOffsetXCalculatesInPercentKey; // "tileOffsetXCalculatesInPercent"
    static const QString kTileOffsetXInPercentKey;           // "tileOffsetXInPercent"
    static const QString kTileOffsetXInPixelsKey;            // "tileOffsetXInPixels"
    static const QString kTileOffsetYCalculatesInPercentKey; // "tileOffsetYCalculatesInPercent"
    static const QString kTileOffsetYInPercentKey;           // "tileOffsetYInPercent"
    static const QString kTileOffsetYInPixelsKey;            // "tileOffsetYInPixels"
    static const QString kCollapsedPositionGroupKey;         // "collapsedPositionGroup"
    static const QString kCollapsedOpacityGroupKey;          // "collapsedOpacityGroup"
    static const QString kCollapsedShadowGroupKey;           // "collapsedShadowGroup"
    static const QString kCollapsedTileGroupKey;             // "collapsedTileGroup"

    bool hasShadow() const { return boolValue(kHasShadowKey); }
    void setHasShadow(bool value) { setParameterValue(kHasShadowKey, value); }
    QColor shadowColor() const { return parameterValue(kShadowColorKey).value<QColor>(); }
    void setShadowColor(const QColor &value) { setParameterValue(kShadowColorKey, value); }
    double shadowBlur() const { return doubleValue(kShadowBlurKey); }
    void setShadowBlur(double value) { setParameterValue(kShadowBlurKey, value); }
    double minShadowBlur() const { return minimumForKey(kShadowBlurKey); }
    double maxShadowBlur() const { return maximumForKey(kShadowBlurKey); }
    double shadowDistance() const { return doubleValue(kShadowDistanceKey); }
    void setShadowDistance(double value) { setParameterValue(kShadowDistanceKey, value); }
    double minShadowDistance() const { return minimumForKey(kShadowDistanceKey); }
    double maxShadowDistance() const { return maximumForKey(kShadowDistanceKey); }
    double shadowAngle() const { return doubleValue(kShadowAngleKey); }
    void setShadowAngle(double value) { setParameterValue(kShadowAngleKey, value); }
    double minShadowAngle() const { return minimumForKey(kShadowAngleKey); }
    double maxShadowAngle() const { return maximumForKey(kShadowAngleKey); }
    double opacity() const { return doubleValue(kOpacityKey); }
    void setOpacity(double value) { setParameterValue(kOpacityKey, value); }
    double minOpacity() const { return minimumForKey(kOpacityKey); }
    double maxOpacity() const { return maximumForKey(kOpacityKey); }
    bool tiles() const { return boolValue(kTilesKey); }
    void setTiles(bool value) { setParameterValue(kTilesKey, value); }
    bool tileOffsetXCalculatesInPercent() const { return boolValue(kTileOffsetXCalculatesInPercentKey); }
    void setTileOffsetXCalculatesInPercent(bool value) { setParameterValue(kTileOffsetXCalculatesInPercentKey, value); }
    double tileOffsetXInPercent() const { return doubleValue(kTileOffsetXInPercentKey); }
    void setTileOffsetXInPercent(double value) { setParameterValue(kTileOffsetXInPercentKey, value); }
    double minTileOffsetXInPercent() const { return minimumForKey(kTileOffsetXInPercentKey); }
    double maxTileOffsetXInPercent() const { return maximumForKey(kTileOffsetXInPercentKey); }
    double tileOffsetXInPixels() const { return doubleValue(kTileOffsetXInPixelsKey); }
    void setTileOffsetXInPixels(double value) { setParameterValue(kTileOffsetXInPixelsKey, value); }
    double minTileOffsetXInPixels() const { return minimumForKey(kTileOffsetXInPixelsKey); }
    double maxTileOffsetXInPixels() const { return maximumForKey(kTileOffsetXInPixelsKey); }
    bool tileOffsetYCalculatesInPercent() const { return boolValue(kTileOffsetYCalculatesInPercentKey); }
    void setTileOffsetYCalculatesInPercent(bool value) { setParameterValue(kTileOffsetYCalculatesInPercentKey, value); }
    double tileOffsetYInPercent() const { return doubleValue(kTileOffsetYInPercentKey); }
    void setTileOffsetYInPercent(double value) { setParameterValue(kTileOffsetYInPercentKey, value); }
    double minTileOffsetYInPercent() const { return minimumForKey(kTileOffsetYInPercentKey); }
    double maxTileOffsetYInPercent() const { return maximumForKey(kTileOffsetYInPercentKey); }
    double tileOffsetYInPixels() const { return doubleValue(kTileOffsetYInPixelsKey); }
    void setTileOffsetYInPixels(double value) { setParameterValue(kTileOffsetYInPixelsKey, value); }
    double minTileOffsetYInPixels() const { return minimumForKey(kTileOffsetYInPixelsKey); }
    double maxTileOffsetYInPixels() const { return maximumForKey(kTileOffsetYInPixelsKey); }
    bool collapsedPositionGroup() const { return boolValue(kCollapsedPositionGroupKey); }
    void setCollapsedPositionGroup(bool value) { setParameterValue(kCollapsedPositionGroupKey, value); }
    bool collapsedOpacityGroup() const { return boolValue(kCollapsedOpacityGroupKey); }
    void setCollapsedOpacityGroup(bool value) { setParameterValue(kCollapsedOpacityGroupKey, value); }
    bool collapsedShadowGroup() const { return boolValue(kCollapsedShadowGroupKey); }
    void setCollapsedShadowGroup(bool value) { setParameterValue(kCollapsedShadowGroupKey, value); }
    bool collapsedTileGroup() const { return boolValue(kCollapsedTileGroupKey); }
    void setCollapsedTileGroup(bool value) { setParameterValue(kCollapsedTileGroupKey, value); }

protected:
    using MCConvertStage::MCConvertStage;
};
