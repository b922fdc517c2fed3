#pragma once

// The stages that work on transparency: Alpha Mask takes the alpha channel from a gray-level
// picture, Alpha to Color flattens transparency onto a colour, Color to Alpha turns a colour
// into transparency.
#include "app/engine/pipeline/MCConvertStage.h"
#include "platform/graphics/CGTypes.h"

#include <QColor>

#include <mutex>

// The mask's gray levels become the alpha values (white opaque, black transparent), the mask
// stretched over the picture.
//
// Threads: the panel changes the mask on the GUI thread while previews load and use it on
// workers; the path the workers read and the loaded mask are kept under m_lock.
class MCConvertAlphaMask : public MCConvertStage
{
public:
    static constexpr qint64 StageID = 23;
    static const QString kImageURLKey;  // "imageURL" (bookmark data in the stored form)
    static const QString kImagePathKey; // "imagePath" (stored instead when no bookmark can be made)

    // A new stage points at the first mask we ship (defaultMaskURL()).
    MCConvertAlphaMask();

    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    // The masks in the resources' "Masks" folder: the "jpg" files by name, so the order is the
    // same on every machine; the first is the default of a new stage (none: no mask).
    static QStringList maskURLs();
    static QString defaultMaskURL();

    QString imageURL() const { return stringValue(kImageURLKey); }
    // Undoable; the loaded mask is dropped, so the next run reads the new file.
    void setImageURL(const QString &path) { setParameterValue(kImageURLKey, path); }

    // The mask picture, read from imageURL on first use and kept; nullptr when no file is
    // chosen or it cannot be read (tried again on the next call).
    CGImageRef image() const;
    void releaseImage();

    QVariantMap dictionaryRepresentation() const override;
    void initWithDictionary(const QVariantMap &dictionary) override;
    std::shared_ptr<MCConvertStage> copy() const override;

    // No file chosen: the alpha stays as it is (true). A chosen file that cannot be read fails
    // with an error that names it, rather than writing photos without their mask.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    void parameterDidChange(const QString &name) override;
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;

private:
    CGImageRef imageLocked() const;

    mutable std::mutex m_lock; // guards m_path and m_image
    QString m_path;            // mirror of imageURL for the workers
    mutable CGImageRef m_image;
};

// Alpha to Color and Color to Alpha: one colour, red, green and blue from 0 to 1 (default
// middle gray), opaque.
//
// Threads: a run reads the colour under m_lock while the panel may change it.
class MCAlphaColorStage : public MCConvertStage
{
public:
    static const QString kRedKey;   // "red"
    static const QString kGreenKey; // "green"
    static const QString kBlueKey;  // "blue"

    const MCStageParameters &parameters() const override;

    double red() const { return doubleValue(kRedKey); }
    void setRed(double red) { setParameterValue(kRedKey, red); }
    double green() const { return doubleValue(kGreenKey); }
    void setGreen(double green) { setParameterValue(kGreenKey, green); }
    double blue() const { return doubleValue(kBlueKey); }
    void setBlue(double blue) { setParameterValue(kBlueKey, blue); }
    double minRed() const { return minimumForKey(kRedKey); }
    double maxRed() const { return maximumForKey(kRedKey); }
    double minGreen() const { return minimumForKey(kGreenKey); }
    double maxGreen() const { return maximumForKey(kGreenKey); }
    double minBlue() const { return minimumForKey(kBlueKey); }
    double maxBlue() const { return maximumForKey(kBlueKey); }

    // The colour with alpha 1 (components clamped to 0..1); nothing when a component is not
    // a number. Safe on the thread of a run.
    std::optional<QColor> color() const;

protected:
    void parameterDidChange(const QString &name) override;

private:
    mutable std::mutex m_lock;             // guards m_components
    double m_components[3] = {0.5, 0.5, 0.5}; // mirror of red, green, blue for the workers
};

// Composites every pixel over the colour, so the picture ends opaque.
class MCConvertAlphaToColor : public MCAlphaColorStage
{
public:
    static constexpr qint64 StageID = 25;
    qint64 stageID() const override { return StageID; }
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};

// Turns the colour into transparency.
class MCConvertColorToAlpha : public MCAlphaColorStage
{
public:
    static constexpr qint64 StageID = 24;
    qint64 stageID() const override { return StageID; }
    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
