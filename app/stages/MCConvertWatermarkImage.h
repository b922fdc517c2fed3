#pragma once

// Watermark Image: a picture the user chose (a logo) drawn onto every photo, scaled to a fixed
// pixel size or to a percentage of a side of the photo, anchored to an edge, a corner or the
// centre with a margin, turned, at an opacity, optionally with a drop shadow and optionally
// tiled over the whole photo. Placement follows the text watermark's
// (MCConvertWatermarkText.h) in the photo's displayed orientation.
//
// Threads: the panel changes the picture on the GUI thread while previews and conversions
// draw it on workers; the chosen file as the workers read it and the decoded picture are kept
// under the stage's one lock, m_lock. A run takes its own reference to the picture, so a
// release on the GUI thread meanwhile cannot free the picture being drawn.
#include "app/stages/MCTiledWatermarkStage.h"
#include "platform/graphics/CGTypes.h"

#include <QColor>

#include <mutex>

class MCConvertWatermarkImage : public MCTiledWatermarkStage
{
public:
    static constexpr qint64 StageID = 15;
    static const QString kImageURLKey;                       // "imageURL"
    static const QString kImageSizeMethodKey;                // "imageSizeMethod"
    static const QString kImageWidthKey;                     // "imageWidth"
    static const QString kImageHeightKey;                    // "imageHeight"
    static const QString kImageWidthInPercentKey;            // "imageWidthInPercent"
    static const QString kImageHeightInPercentKey;           // "imageHeightInPercent"
    static const QString kImagePositionMaskKey;              // "imagePositionMask"
    static const QString kImageOffsetXCalculatesInPercentKey; // "imageOffsetXCalculatesInPercent"
    static const QString kImageOffsetXInPercentKey;          // "imageOffsetXInPercent"
    static const QString kImageOffsetXInPixelsKey;           // "imageOffsetXInPixels"
    static const QString kImageOffsetYCalculatesInPercentKey; // "imageOffsetYCalculatesInPercent"
    static const QString kImageOffsetYInPercentKey;          // "imageOffsetYInPercent"
    static const QString kImageOffsetYInPixelsKey;           // "imageOffsetYInPixels"
    static const QString kImageRotationKey;                  // "imageRotation"

    // How the drawn size is found; any other value draws nothing.
    enum ImageSizeMethod : quint64 {
        FixedSize = 0,            // imageWidth × imageHeight pixels
        PercentOfWidth = 1,       // the width imageWidthInPercent of the photo's width,
        PercentOfHeight = 2,      // ... of its height,
        PercentOfLongerSide = 3,  // ... of its longer side,
        PercentOfShorterSide = 4, // ... of its shorter side; the height keeps the picture's shape
    };

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // The picture file (stored as a bookmark). Undoable; drops the decoded picture.
    QString imageURL() const { return stringValue(kImageURLKey); }
    void setImageURL(const QString &path) { setParameterValue(kImageURLKey, path); }
    quint64 imageSizeMethod() const { return unsignedValue(kImageSizeMethodKey); }
    void setImageSizeMethod(quint64 value) { setParameterValue(kImageSizeMethodKey, value); }
    quint64 imageWidth() const { return unsignedValue(kImageWidthKey); }
    void setImageWidth(quint64 value) { setParameterValue(kImageWidthKey, value); }
    double minImageWidth() const { return minimumForKey(kImageWidthKey); }
    double maxImageWidth() const { return maximumForKey(kImageWidthKey); }
    quint64 imageHeight() const { return unsignedValue(kImageHeightKey); }
    void setImageHeight(quint64 value) { setParameterValue(kImageHeightKey, value); }
    double minImageHeight() const { return minimumForKey(kImageHeightKey); }
    double maxImageHeight() const { return maximumForKey(kImageHeightKey); }
    double imageWidthInPercent() const { return doubleValue(kImageWidthInPercentKey); }
    void setImageWidthInPercent(double value) { setParameterValue(kImageWidthInPercentKey, value); }
    double minImageWidthInPercent() const { return minimumForKey(kImageWidthInPercentKey); }
    double maxImageWidthInPercent() const { return maximumForKey(kImageWidthInPercentKey); }
    double imageHeightInPercent() const { return doubleValue(kImageHeightInPercentKey); }
    void setImageHeightInPercent(double value) { setParameterValue(kImageHeightInPercentKey, value); }
    double minImageHeightInPercent() const { return minimumForKey(kImageHeightInPercentKey); }
    double maxImageHeightInPercent() const { return maximumForKey(kImageHeightInPercentKey); }
    quint64 imagePositionMask() const { return unsignedValue(kImagePositionMaskKey); }
    void setImagePositionMask(quint64 value) { setParameterValue(kImagePositionMaskKey, value); }
    bool imageOffsetXCalculatesInPercent() const { return boolValue(kImageOffsetXCalculatesInPercentKey); }
    void setImageOffsetXCalculatesInPercent(bool value) { setParameterValue(kImageOffsetXCalculatesInPercentKey, value); }
    double imageOffsetXInPercent() const { return doubleValue(kImageOffsetXInPercentKey); }
    void setImageOffsetXInPercent(double value) { setParameterValue(kImageOffsetXInPercentKey, value); }
    double minImageOffsetXInPercent() const { return minimumForKey(kImageOffsetXInPercentKey); }
    double maxImageOffsetXInPercent() const { return maximumForKey(kImageOffsetXInPercentKey); }
    double imageOffsetXInPixels() const { return doubleValue(kImageOffsetXInPixelsKey); }
    void setImageOffsetXInPixels(double value) { setParameterValue(kImageOffsetXInPixelsKey, value); }
    double minImageOffsetXInPixels() const { return minimumForKey(kImageOffsetXInPixelsKey); }
    double maxImageOffsetXInPixels() const { return maximumForKey(kImageOffsetXInPixelsKey); }
    bool imageOffsetYCalculatesInPercent() const { return boolValue(kImageOffsetYCalculatesInPercentKey); }
    void setImageOffsetYCalculatesInPercent(bool value) { setParameterValue(kImageOffsetYCalculatesInPercentKey, value); }
    double imageOffsetYInPercent() const { return doubleValue(kImageOffsetYInPercentKey); }
    void setImageOffsetYInPercent(double value) { setParameterValue(kImageOffsetYInPercentKey, value); }
    double minImageOffsetYInPercent() const { return minimumForKey(kImageOffsetYInPercentKey); }
    double maxImageOffsetYInPercent() const { return maximumForKey(kImageOffsetYInPercentKey); }
    double imageOffsetYInPixels() const { return doubleValue(kImageOffsetYInPixelsKey); }
    void setImageOffsetYInPixels(double value) { setParameterValue(kImageOffsetYInPixelsKey, value); }
    double minImageOffsetYInPixels() const { return minimumForKey(kImageOffsetYInPixelsKey); }
    double maxImageOffsetYInPixels() const { return maximumForKey(kImageOffsetYInPixelsKey); }
    double imageRotation() const { return doubleValue(kImageRotationKey); }
    void setImageRotation(double value) { setParameterValue(kImageRotationKey, value); }
    double minImageRotation() const { return minimumForKey(kImageRotationKey); }
    double maxImageRotation() const { return maximumForKey(kImageRotationKey); }

    // The picture, decoded from imageURL on first use and kept; nullptr when none is chosen or
    // the file cannot be decoded (tried again on the next call).
    CGImageRef image() const;
    // Drops the decoded picture; the next use decodes the file again.
    void releaseImage();
    // The pixel size of the decoded picture becomes imageWidth × imageHeight, and
    // imageHeightInPercent keeps its shape with imageWidthInPercent (undoable). Decodes
    // nothing: without a decoded picture the size becomes 0 × 0.
    void resetSizeToImageSize();

    // The size the picture is drawn at, in full-size pixels, on a photo of `photo` pixels (the
    // bitmap's axes, truncated) for a picture of `picture` pixels. 0 × 0 draws nothing.
    QSizeF imageSizeForPhoto(const QSizeF &photo, const QSizeF &picture) const;

    // The copy shares the decoded picture.
    std::shared_ptr<MCConvertStage> copy() const override;

    // No picture chosen: the photo stays as it is. A chosen picture is decoded now if no panel
    // has shown it yet; one that cannot be decoded fails with an error that names it, rather
    // than writing photos without their watermark. A canvas beyond any picture's size fails
    // with an error before anything is drawn.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    // The fields of the chosen units and the enabled parts, and the file's path; never the
    // panel's flags.
    bool parametersEqual(const MCConvertStage &other) const override;
    // (mask × 17) XOR (size method × 7) XOR (whole degrees × 11).
    quint64 hashMix() const override;
    void parameterDidChange(const QString &name) override;
    // The file is stored as a bookmark.
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;

private:
    CGImageRef imageLocked() const;

    mutable std::mutex m_lock; // guards m_path and m_image
    QString m_path;            // mirror of imageURL for the workers
    mutable CGImageRef m_image;
};
