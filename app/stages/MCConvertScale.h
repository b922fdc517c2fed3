#pragma once

#include "app/engine/pipeline/MCConvertStage.h"
#include "app/stages/MCStageGeometry.h"

// Resizes the photo by one of six rules. Lengths are full-size pixels: a bitmap read at
// reduced size (a preview) is scaled in proportion through its scale factors.
class MCConvertScale : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 5;
    static const QString kScaleModeKey;         // "scaleMode"
    static const QString kScaleInPercentageKey; // "scaleInPercentage"
    static const QString kScaleToEdgeKey;       // "scaleToEdge"
    static const QString kScaleToEdge2Key;      // "scaleToEdge2"
    static const QString kScaleToMegapixelsKey; // "scaleToMegapixels"

    enum Mode : quint64 {
        ByPercent = 0,       // scaleInPercentage
        LongerSide = 1,      // the longer side to scaleToEdge
        ShorterSide = 2,     // the shorter side to scaleToEdge
        Megapixels = 3,      // to scaleToMegapixels million pixels
        FitTurningBox = 4,   // into scaleToEdge along the longer side, scaleToEdge2 along the shorter
        FitBox = 5,          // into scaleToEdge wide by scaleToEdge2 high
    };

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    quint64 scaleMode() const { return unsignedValue(kScaleModeKey); }
    void setScaleMode(quint64 mode) { setParameterValue(kScaleModeKey, mode); }
    double scaleInPercentage() const { return doubleValue(kScaleInPercentageKey); }
    void setScaleInPercentage(double percent) { setParameterValue(kScaleInPercentageKey, percent); }
    double scaleToEdge() const { return doubleValue(kScaleToEdgeKey); }
    void setScaleToEdge(double edge) { setParameterValue(kScaleToEdgeKey, edge); }
    double scaleToEdge2() const { return doubleValue(kScaleToEdge2Key); }
    void setScaleToEdge2(double edge) { setParameterValue(kScaleToEdge2Key, edge); }
    double scaleToMegapixels() const { return doubleValue(kScaleToMegapixelsKey); }
    void setScaleToMegapixels(double megapixels) { setParameterValue(kScaleToMegapixelsKey, megapixels); }

    double minScaleInPercentage() const { return minimumForKey(kScaleInPercentageKey); }
    double maxScaleInPercentage() const { return maximumForKey(kScaleInPercentageKey); }
    double minScaleToEdge() const { return minimumForKey(kScaleToEdgeKey); }
    double maxScaleToEdge() const { return maximumForKey(kScaleToEdgeKey); }
    double minScaleToEdge2() const { return minimumForKey(kScaleToEdge2Key); }
    double maxScaleToEdge2() const { return maximumForKey(kScaleToEdge2Key); }
    double minScaleToMegapixels() const { return minimumForKey(kScaleToMegapixelsKey); }
    double maxScaleToMegapixels() const { return maximumForKey(kScaleToMegapixelsKey); }

    // The factor of the current mode for a bitmap of `size` standing for a full-size photo of
    // size ÷ scale; 0 for a mode outside the table.
    double scaleFactorForBitmapSize(const QSizeF &size, double scaleX, double scaleY) const;
    // (round(W × f), round(H × f)), halves away from zero.
    QSizeF scaledImageSizeForBitmapSize(const QSizeF &size, double scaleX, double scaleY) const;

    QSizeF imageSizeForSize(const QSizeF &size, quint64 &orientation) const override;
    PixelNeed pixelNeed() const override { return PixelNeed::ResamplesFirst; }
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // Only the values the chosen mode uses; a mode outside the table is never equal.
    bool parametersEqual(const MCConvertStage &other) const override;
};

// Makes the photo exactly the size of a box: fitted inside and framed with a colour, or
// filling it with the overflow cut off.
class MCConvertScaleToSize : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 101;
    static const QString kScaleToSizeMethodKey;   // "scaleToSizeMethod"
    static const QString kSide1Key;               // "side1"
    static const QString kSide2Key;               // "side2"
    static const QString kAnchorKey;              // "anchor"
    static const QString kScaleToSizeBehaviorKey; // "scaleToSizeBehavior"
    static const QString kFillColorKey;           // "fillColor"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // 0: the box turns with the photo (side1 along the width of a landscape or square photo,
    // along the height of a portrait one); other values: always side1 wide, side2 high.
    quint64 scaleToSizeMethod() const { return unsignedValue(kScaleToSizeMethodKey); }
    void setScaleToSizeMethod(quint64 method) { setParameterValue(kScaleToSizeMethodKey, method); }
    quint64 side1() const { return unsignedValue(kSide1Key); }
    void setSide1(quint64 side) { setParameterValue(kSide1Key, side); }
    quint64 side2() const { return unsignedValue(kSide2Key); }
    void setSide2(quint64 side) { setParameterValue(kSide2Key, side); }
    quint64 anchor() const { return unsignedValue(kAnchorKey); } // MCStageAnchor bits
    void setAnchor(quint64 anchor) { setParameterValue(kAnchorKey, anchor); }
    // 0: fit inside and add an outer border; 1: fill and trim the overflow.
    quint64 scaleToSizeBehavior() const { return unsignedValue(kScaleToSizeBehaviorKey); }
    void setScaleToSizeBehavior(quint64 behavior) { setParameterValue(kScaleToSizeBehaviorKey, behavior); }
    QColor fillColor() const { return parameterValue(kFillColorKey).value<QColor>(); }
    void setFillColor(const QColor &color) { setParameterValue(kFillColorKey, color); }

    double minSide1() const { return minimumForKey(kSide1Key); }
    double maxSide1() const { return maximumForKey(kSide1Key); }
    double minSide2() const { return minimumForKey(kSide2Key); }
    double maxSide2() const { return maximumForKey(kSide2Key); }

    // The size to scale the bitmap to before the border or trim; the zero size when no
    // factor applies.
    QSizeF scaledImageSizeForBitmapSize(const QSizeF &size, double scaleX, double scaleY) const;
    // For the scaled size: the border to add, or the margin to cut, in bitmap pixels of the
    // stored orientation.
    MCEdgeInsets outerBorderInsetsForSize(const QSizeF &size, quint64 orientation, double scaleX, double scaleY) const;
    MCEdgeInsets trimBorderInsetsForSize(const QSizeF &size, quint64 orientation, double scaleX, double scaleY) const;
    static MCEdgeInsets insetsForInsets(const MCEdgeInsets &insets, quint64 orientation);

    // The box, whichever the behaviour.
    QSizeF imageSizeForSize(const QSizeF &size, quint64 &orientation) const override;
    PixelNeed pixelNeed() const override { return PixelNeed::ResamplesFirst; }
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

private:
    MCEdgeInsets boxInsetsForSize(const QSizeF &size, quint64 orientation, double scaleX, double scaleY,
                                  bool border) const;
};
