#pragma once

#include "app/engine/pipeline/MCConvertStage.h"
#include "app/stages/MCStageGeometry.h"

// Cuts fixed margins, in full-size pixels or in percent, given on the sides as the user sees
// the photo (after its orientation).
class MCConvertTrim : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 6;
    static const QString kTrimsInPercentKey;      // "trimsInPercent"
    static const QString kTrimLeftInPixelsKey;    // "trimLeftInPixels"
    static const QString kTrimRightInPixelsKey;   // "trimRightInPixels"
    static const QString kTrimTopInPixelsKey;     // "trimTopInPixels"
    static const QString kTrimBottomInPixelsKey;  // "trimBottomInPixels"
    static const QString kTrimLeftInPercentKey;   // "trimLeftInPercent"
    static const QString kTrimRightInPercentKey;  // "trimRightInPercent"
    static const QString kTrimTopInPercentKey;    // "trimTopInPercent"
    static const QString kTrimBottomInPercentKey; // "trimBottomInPercent"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // Which four values apply; the other four are kept but unused.
    bool trimsInPercent() const { return boolValue(kTrimsInPercentKey); }
    void setTrimsInPercent(bool inPercent) { setParameterValue(kTrimsInPercentKey, inPercent); }
    quint64 trimLeftInPixels() const { return unsignedValue(kTrimLeftInPixelsKey); }
    void setTrimLeftInPixels(quint64 value) { setParameterValue(kTrimLeftInPixelsKey, value); }
    quint64 trimRightInPixels() const { return unsignedValue(kTrimRightInPixelsKey); }
    void setTrimRightInPixels(quint64 value) { setParameterValue(kTrimRightInPixelsKey, value); }
    quint64 trimTopInPixels() const { return unsignedValue(kTrimTopInPixelsKey); }
    void setTrimTopInPixels(quint64 value) { setParameterValue(kTrimTopInPixelsKey, value); }
    quint64 trimBottomInPixels() const { return unsignedValue(kTrimBottomInPixelsKey); }
    void setTrimBottomInPixels(quint64 value) { setParameterValue(kTrimBottomInPixelsKey, value); }
    double trimLeftInPercent() const { return doubleValue(kTrimLeftInPercentKey); }
    void setTrimLeftInPercent(double value) { setParameterValue(kTrimLeftInPercentKey, value); }
    double trimRightInPercent() const { return doubleValue(kTrimRightInPercentKey); }
    void setTrimRightInPercent(double value) { setParameterValue(kTrimRightInPercentKey, value); }
    double trimTopInPercent() const { return doubleValue(kTrimTopInPercentKey); }
    void setTrimTopInPercent(double value) { setParameterValue(kTrimTopInPercentKey, value); }
    double trimBottomInPercent() const { return doubleValue(kTrimBottomInPercentKey); }
    void setTrimBottomInPercent(double value) { setParameterValue(kTrimBottomInPercentKey, value); }

    double minTrimLeftInPixels() const { return minimumForKey(kTrimLeftInPixelsKey); }
    double maxTrimLeftInPixels() const { return maximumForKey(kTrimLeftInPixelsKey); }
    double minTrimRightInPixels() const { return minimumForKey(kTrimRightInPixelsKey); }
    double maxTrimRightInPixels() const { return maximumForKey(kTrimRightInPixelsKey); }
    double minTrimTopInPixels() const { return minimumForKey(kTrimTopInPixelsKey); }
    double maxTrimTopInPixels() const { return maximumForKey(kTrimTopInPixelsKey); }
    double minTrimBottomInPixels() const { return minimumForKey(kTrimBottomInPixelsKey); }
    double maxTrimBottomInPixels() const { return maximumForKey(kTrimBottomInPixelsKey); }
    double minTrimLeftInPercent() const { return minimumForKey(kTrimLeftInPercentKey); }
    double maxTrimLeftInPercent() const { return maximumForKey(kTrimLeftInPercentKey); }
    double minTrimRightInPercent() const { return minimumForKey(kTrimRightInPercentKey); }
    double maxTrimRightInPercent() const { return maximumForKey(kTrimRightInPercentKey); }
    double minTrimTopInPercent() const { return minimumForKey(kTrimTopInPercentKey); }
    double maxTrimTopInPercent() const { return maximumForKey(kTrimTopInPercentKey); }
    double minTrimBottomInPercent() const { return minimumForKey(kTrimBottomInPercentKey); }
    double maxTrimBottomInPercent() const { return maximumForKey(kTrimBottomInPercentKey); }

    // The margins to cut off a stored bitmap of `size` shown with `orientation` (none for
    // orientations above 8); percentages taken of `size`, not rounded.
    MCEdgeInsets trimInsetsForOrientation(quint64 orientation, const QSizeF &size) const;

    QSizeF imageSizeForSize(const QSizeF &size, quint64 &orientation) const override;
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // The unit flag and only the four values it chooses.
    bool parametersEqual(const MCConvertStage &other) const override;
};

// Cuts the margins of the stored bitmap that are transparent or of the colour of a corner.
class MCConvertTrimColor : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 27;
    static const QString kTrimModeKey;         // "trimMode"
    static const QString kShouldTrimLeftKey;   // "shouldTrimLeft"
    static const QString kShouldTrimRightKey;  // "shouldTrimRight"
    static const QString kShouldTrimTopKey;    // "shouldTrimTop"
    static const QString kShouldTrimBottomKey; // "shouldTrimBottom"
    static const QString kToleranceKey;        // "tolerance"

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // 0: transparent margins; 1: the colour of the top-left pixel; others: of the bottom-right.
    quint64 trimMode() const { return unsignedValue(kTrimModeKey); }
    void setTrimMode(quint64 mode) { setParameterValue(kTrimModeKey, mode); }
    bool shouldTrimLeft() const { return boolValue(kShouldTrimLeftKey); }
    void setShouldTrimLeft(bool trims) { setParameterValue(kShouldTrimLeftKey, trims); }
    bool shouldTrimRight() const { return boolValue(kShouldTrimRightKey); }
    void setShouldTrimRight(bool trims) { setParameterValue(kShouldTrimRightKey, trims); }
    bool shouldTrimTop() const { return boolValue(kShouldTrimTopKey); }
    void setShouldTrimTop(bool trims) { setParameterValue(kShouldTrimTopKey, trims); }
    bool shouldTrimBottom() const { return boolValue(kShouldTrimBottomKey); }
    void setShouldTrimBottom(bool trims) { setParameterValue(kShouldTrimBottomKey, trims); }
    // How far a margin pixel may differ, as a fraction of the full component range.
    double tolerance() const { return doubleValue(kToleranceKey); }
    void setTolerance(double tolerance) { setParameterValue(kToleranceKey, tolerance); }
    double minTolerance() const { return minimumForKey(kToleranceKey); }
    double maxTolerance() const { return maximumForKey(kToleranceKey); }

    // No size hook: the result depends on the pixels.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
