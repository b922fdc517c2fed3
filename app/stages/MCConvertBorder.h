#pragma once

#include "app/engine/pipeline/MCConvertStage.h"
#include "app/stages/MCStageGeometry.h"

// Paints a coloured frame over the photo's edges or adds one around it. The sides are given as
// the user sees the photo, in full-size pixels or in percent of the photo's sides.
class MCConvertAddBorder : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 36;
    static const QString kAddsInPercentKey;        // "addsInPercent"
    static const QString kBorderPositionKey;       // "borderPosition"
    static const QString kBorderColorKey;          // "borderColor"
    static const QString kBorderLeftInPixelsKey;   // "borderLeftInPixels"
    static const QString kBorderRightInPixelsKey;  // "borderRightInPixels"
    static const QString kBorderTopInPixelsKey;    // "borderTopInPixels"
    static const QString kBorderBottomInPixelsKey; // "borderBottomInPixels"
    static const QString kBorderLeftInPercentKey;  // "borderLeftInPercent"
    static const QString kBorderRightInPercentKey; // "borderRightInPercent"
    static const QString kBorderTopInPercentKey;   // "borderTopInPercent"
    static const QString kBorderBottomInPercentKey; // "borderBottomInPercent"

    enum Position : quint64 {
        Inner = 0, // painted over the edges; the size does not change
        Outer = 1, // added around the photo
    };

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    bool addsInPercent() const { return boolValue(kAddsInPercentKey); }
    void setAddsInPercent(bool inPercent) { setParameterValue(kAddsInPercentKey, inPercent); }
    quint64 borderPosition() const { return unsignedValue(kBorderPositionKey); }
    void setBorderPosition(quint64 position) { setParameterValue(kBorderPositionKey, position); }
    QColor borderColor() const { return parameterValue(kBorderColorKey).value<QColor>(); }
    void setBorderColor(const QColor &color) { setParameterValue(kBorderColorKey, color); }
    quint64 borderLeftInPixels() const { return unsignedValue(kBorderLeftInPixelsKey); }
    void setBorderLeftInPixels(quint64 value) { setParameterValue(kBorderLeftInPixelsKey, value); }
    quint64 borderRightInPixels() const { return unsignedValue(kBorderRightInPixelsKey); }
    void setBorderRightInPixels(quint64 value) { setParameterValue(kBorderRightInPixelsKey, value); }
    quint64 borderTopInPixels() const { return unsignedValue(kBorderTopInPixelsKey); }
    void setBorderTopInPixels(quint64 value) { setParameterValue(kBorderTopInPixelsKey, value); }
    quint64 borderBottomInPixels() const { return unsignedValue(kBorderBottomInPixelsKey); }
    void setBorderBottomInPixels(quint64 value) { setParameterValue(kBorderBottomInPixelsKey, value); }
    double borderLeftInPercent() const { return doubleValue(kBorderLeftInPercentKey); }
    void setBorderLeftInPercent(double value) { setParameterValue(kBorderLeftInPercentKey, value); }
    double borderRightInPercent() const { return doubleValue(kBorderRightInPercentKey); }
    void setBorderRightInPercent(double value) { setParameterValue(kBorderRightInPercentKey, value); }
    double borderTopInPercent() const { return doubleValue(kBorderTopInPercentKey); }
    void setBorderTopInPercent(double value) { setParameterValue(kBorderTopInPercentKey, value); }
    double borderBottomInPercent() const { return doubleValue(kBorderBottomInPercentKey); }
    void setBorderBottomInPercent(double value) { setParameterValue(kBorderBottomInPercentKey, value); }

    double minBorderLeftInPixels() const { return minimumForKey(kBorderLeftInPixelsKey); }
    double maxBorderLeftInPixels() const { return maximumForKey(kBorderLeftInPixelsKey); }
    double minBorderRightInPixels() const { return minimumForKey(kBorderRightInPixelsKey); }
    double maxBorderRightInPixels() const { return maximumForKey(kBorderRightInPixelsKey); }
    double minBorderTopInPixels() const { return minimumForKey(kBorderTopInPixelsKey); }
    double maxBorderTopInPixels() const { return maximumForKey(kBorderTopInPixelsKey); }
    double minBorderBottomInPixels() const { return minimumForKey(kBorderBottomInPixelsKey); }
    double maxBorderBottomInPixels() const { return maximumForKey(kBorderBottomInPixelsKey); }
    double minBorderLeftInPercent() const { return minimumForKey(kBorderLeftInPercentKey); }
    double maxBorderLeftInPercent() const { return maximumForKey(kBorderLeftInPercentKey); }
    double minBorderRightInPercent() const { return minimumForKey(kBorderRightInPercentKey); }
    double maxBorderRightInPercent() const { return maximumForKey(kBorderRightInPercentKey); }
    double minBorderTopInPercent() const { return minimumForKey(kBorderTopInPercentKey); }
    double maxBorderTopInPercent() const { return maximumForKey(kBorderTopInPercentKey); }
    double minBorderBottomInPercent() const { return minimumForKey(kBorderBottomInPercentKey); }
    double maxBorderBottomInPercent() const { return maximumForKey(kBorderBottomInPercentKey); }

    // The border widths on the sides of the stored pixels of a photo of `size` shown with
    // `orientation` (0 counts as 1; above 8 no border).
    MCEdgeInsets borderInsetsForOrientation(quint64 orientation, const QSizeF &size) const;

    QSizeF imageSizeForSize(const QSizeF &size, quint64 &orientation) const override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // The unit flag, the position, the colour and the four sides of the chosen unit.
    bool parametersEqual(const MCConvertStage &other) const override;
    quint64 hashMix() const override;
    // The position is stored as a boolean.
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;

private:
    QStringList chosenSideKeys() const;
};
