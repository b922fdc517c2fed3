#pragma once

// MCBitmapConverter: one conversion recipe (output settings and the ordered stage list) and
// the conversion of one photo with it.
//
// Settings and the stage list are edited on the main thread; every edit is undoable through
// the converter's own undo manager (which its stages share) and changes of the list are
// announced on the default notification centre with the converter as object. A run
// (convertFile, previewBitmap) reads the converter on the calling thread and must not overlap
// an edit.
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/engine/pipeline/MCStageList.h"
#include "app/library/MCBatchRenameSettings.h"
#include "platform/core/MCError.h"
#include "platform/core/MCIndexSet.h"
#include "platform/core/MCObservable.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGTypes.h"

#include <QDateTime>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MCBitmap;
class MCFile;
class MCImage;
class MCUndoManager;
class MCUserDefaults;

// Notifications (object: the converter). The "will" ones carry the stages concerned as a
// QVariantList of MCConvertStageRef under kMCBitmapConverterStagesKey.
extern const QString kMCBitmapConverterWillAddStages;
extern const QString kMCBitmapConverterWillRemoveStages;
extern const QString kMCBitmapConverterDidChangeStages;
extern const QString kMCBitmapConverterStagesKey;

// User-defaults keys of the converter's settings.
extern const QString kMCConvertEmbedThumbnailKey;        // "ConvertEmbedThumbnail"
extern const QString kMCConvertImageFormatKey;           // "ConvertImageFormat"
extern const QString kMCConvertImageColorModelKey;       // "ConvertImageColorModel"
extern const QString kMCConvertImageColorDepthKey;       // "ConvertImageColorDepth"
extern const QString kMCConvertImageHasAlphaKey;         // "ConvertImageHasAlpha"
extern const QString kMCConvertImageQualityKey;          // "ConvertImageQuality"
extern const QString kMCConvertImageTIFFCompressionKey;  // "ConvertImageTIFFCompression"
extern const QString kMCConvertPresetsIsDefaultKey;      // "ConvertPresetsIsDefault"
extern const QString kMCConvertRenameSettingsKey;        // "ConvertRenameSettings"
extern const QString kMCConvertStagesKey;                // "ConvertStages"
// Read by the run (registered by the application).
extern const QString kMCShouldAutorotateKey;             // "ShouldAutorotate"
extern const QString kMCKeepOriginalFileCreationDateKey; // "KeepOriginalFileCreationDate"
extern const QString kMCAlphaColorKey;                   // "AlphaColor"
// The run's private entry of the property dictionary, never written to a file.
extern const QString kMCQuillonDictionaryKey;            // "QuillonDictionary"
extern const QString kMCQuillonFilenameKey;              // "Filename"

// Output formats (imageFormat).
enum MCImageFormat : quint64 {
    MCImageFormatGIF = 0,
    MCImageFormatJPEG = 1,
    MCImageFormatJPEG2000 = 2,
    MCImageFormatPDF = 3,
    MCImageFormatPNG = 4,
    MCImageFormatTIFF = 5,
    MCImageFormatBMP = 6,
    MCImageFormatHEIC = 7,
};

// The list's changes (MCStageList): a stage entering gets the output settings as its targets
// and the undo manager, a stage leaving loses the undo manager; the notices are
// kMCBitmapConverterWillAddStages, kMCBitmapConverterWillRemoveStages and
// kMCBitmapConverterDidChangeStages.
class MCBitmapConverter : public MCObservable, public MCStageList<MCBitmapConverter, MCConvertStageRef>
{
    friend class MCStageList<MCBitmapConverter, MCConvertStageRef>;

public:
    // The shared converter of the Convert screen, read from the user defaults on first use.
    static MCBitmapConverter &defaultConvertSettings();
    // The registered defaults of the converter's keys.
    static QVariantMap userDefaultsDictionary();
    // Whether the format's type can be written here.
    static bool supportsImageFormat(quint64 format);
    // The type identifier and extension of a format; empty for values outside 0 to 7.
    static QString fileTypeForImageFormat(quint64 format);
    static QString fileExtensionForImageType(quint64 format);

    // Empty list, JPEG RGB 8-bit, quality 0.8 (the registered defaults), its own undo manager.
    // `defaults` (not owned) is the store the converter reads and writes; null: the user's.
    explicit MCBitmapConverter(MCUserDefaults *defaults = nullptr);
    ~MCBitmapConverter() override;
    MCBitmapConverter(const MCBitmapConverter &) = delete;
    MCBitmapConverter &operator=(const MCBitmapConverter &) = delete;

    // A new converter with its own undo manager, the same settings and the same stage objects.
    std::unique_ptr<MCBitmapConverter> copy() const;

    MCUserDefaults &userDefaults() const { return *m_defaults; }
    const std::shared_ptr<MCUndoManager> &undoManager() const { return m_undoManager; }

    // Reads every setting and the stage list from the user defaults: no undo, no notice,
    // unknown stage IDs dropped, uniqueness not checked.
    void loadFromUserDefaults();
    // Writes them; "ConvertStages" and "ConvertRenameSettings" are removed when empty.
    void saveToUserDefaults() const;

    // ---- output settings (setters undoable and silent when unchanged; observable by name)
    quint64 imageFormat() const { return m_imageFormat; }
    void setImageFormat(quint64 format);
    qint64 imageColorModel() const { return m_imageColorModel; }
    void setImageColorModel(qint64 model);
    qint64 imageColorDepth() const { return m_imageColorDepth; }
    void setImageColorDepth(qint64 depth);
    bool imageHasAlpha() const { return m_imageHasAlpha; }
    void setImageHasAlpha(bool hasAlpha);
    double imageQuality() const { return m_imageQuality; }
    void setImageQuality(double quality);
    qint64 imageTIFFCompression() const { return m_imageTIFFCompression; }
    void setImageTIFFCompression(qint64 compression);
    bool embedThumbnail() const { return m_embedThumbnail; }
    void setEmbedThumbnail(bool embed);
    const std::optional<MCBatchRenameSettings> &renameSettings() const { return m_renameSettings; }
    void setRenameSettings(const std::optional<MCBatchRenameSettings> &settings);

    QString imageFileType() const { return fileTypeForImageFormat(m_imageFormat); }
    QString imageFileExtension() const { return fileExtensionForImageType(m_imageFormat); }

    QVariant valueForKey(const QString &key) const override;
    void setValueForKey(const QString &key, const QVariant &value) override;

    // ---- the stage list
    // Stable by ascending stageOrder: the order of a run.
    QList<MCConvertStageRef> sortedStages() const;
    // False for nil, and for a unique class already in the list.
    bool canInsertStage(const MCConvertStage *stage) const;

    // ---- predictions (each hook folded over the whole list in list order)
    // The output size of a photo of `size` pixels stored with `orientation`; the sides are
    // exchanged first for orientations 5 to 8 when photos are turned upright.
    QSizeF sizeForOriginalSize(const QSizeF &size, quint64 orientation) const;
    quint64 resolutionForOriginalResolution(quint64 resolution) const;
    // `colorModel` is the properties' word ("RGB", "Gray", "CMYK", "Lab").
    QString colorProfileNameForOriginalName(const QString &name, const QString &colorModel) const;
    std::optional<QDateTime> captureDateForOriginalDate(const std::optional<QDateTime> &date,
                                                        const std::optional<QDateTime> &fileCreationDate) const;

    // ---- pixel formats of a run (the flag asks for the preview's 8 bits)
    CGImageAlphaInfo editingAlphaInfoForPreview(bool preview) const;
    CGBitmapInfo editingBitmapInfoForPreview(bool preview) const;
    quint64 editingBitsPerComponentForPreview(bool preview) const;
    quint64 editingBitsPerPixelForPreview(bool preview) const;
    CGColorSpaceModel editingColorSpaceModelForPreview(bool preview) const;
    CGColorSpaceRef editingColorSpaceForPreview(bool preview, const CGColorSpaceRef &proposed) const;
    CGImageAlphaInfo finalAlphaInfoForPreview(bool preview) const;
    CGBitmapInfo finalBitmapInfoForPreview(bool preview) const;
    quint64 finalBitsPerComponentForPreview(bool preview) const;
    quint64 finalBitsPerPixelForPreview(bool preview) const;
    CGColorSpaceModel finalColorSpaceModelForPreview(bool preview) const;
    CGColorSpaceRef finalColorSpaceForPreview(bool preview, const CGColorSpaceRef &proposed) const;
    // The "AlphaColor" setting (white when unset) as components of `space`; none when it
    // cannot be expressed there.
    std::optional<std::vector<double>> finalBackgroundColorForPreview(bool preview, const CGColorSpaceRef &space) const;

    // ---- the run
    // The decoded photo at `path` and its properties; nullptr with the loader's error, else
    // MCCocoaErrorDomain 259 naming the file.
    static std::shared_ptr<MCImage> newImageAtURL(const QString &path, QVariantMap *metadata, MCError *error);
    // The same, decoded at reduced size where the format does that cheaply and
    // `minimumSideFor`, given the photo's properties, answers the larger side that is needed
    // (0: full size).
    static std::shared_ptr<MCImage> newImageAtURL(const QString &path,
                                                  const std::function<quint64(const QVariantMap &)> &minimumSideFor,
                                                  QVariantMap *metadata, MCError *error);
    // The larger side a run needs to read of a photo with these properties: smaller than the
    // photo's when the first stage that touches the pixels resamples it smaller (with a margin
    // that keeps the result as sharp as from the full-size photo); 0 for the full size.
    // `turnedUpright`: the run turns the pixels by the properties' orientation.
    quint64 reducedReadingSideForProperties(const QVariantMap &properties, bool turnedUpright) const;
    // Converts `file` and writes the result to exactly `destination` (the caller's temporary
    // file bearing the output's name). Every false comes with an error.
    bool convertFile(const MCFile &file, const QString &destination, MCError *error);

    // convertFile in two halves, so a batch can decode the next photo while this one runs
    // through the stages and the encoder. decodeFile reads `file` into its working bitmap for
    // an output named `outputName`; it only reads the converter, so it may run on another
    // thread while convertDecodedFile works on an earlier photo (never while the converter
    // is edited). convertDecodedFile runs the stages over the decoded photo and writes
    // exactly `destination`. Together they do what convertFile does.
    struct DecodedFile
    {
        DecodedFile();
        ~DecodedFile();
        DecodedFile(DecodedFile &&) noexcept;
        DecodedFile &operator=(DecodedFile &&) noexcept;
        std::unique_ptr<MCBitmap> bitmap;
        QVariantMap properties;
        bool turnedUpright = false;
    };
    bool decodeFile(const MCFile &file, const QString &outputName, DecodedFile *decoded, MCError *error) const;
    bool convertDecodedFile(const MCFile &file, DecodedFile decoded, const QString &destination, MCError *error);
    // The active stages in run order and the final pixel format; `metadata` receives the
    // finished properties. Every false with an error pointer fills it.
    bool convertBitmap(MCBitmap *bitmap, QVariantMap *metadata, const MCFile *file, MCError *error) const;
    // The same over a preview bitmap: 8 bits, stage failures as they are, orientation kept.
    bool previewBitmap(MCBitmap *bitmap, QVariantMap *metadata, const MCFile *file, MCError *error) const;
    // The preview of `file`: read fitted into `fitSize` (the bitmap's scale factors tell the
    // stages how it relates to the full-size photo), turned upright as a run would, in the
    // preview's 8-bit format, and run through the stages as the output `outputName`.
    // `metadata` receives the finished properties. nullptr when the photo cannot be read or a
    // stage fails (with the error when there is one).
    std::unique_ptr<MCBitmap> newPreviewBitmapForFile(const MCFile &file, const QSizeF &fitSize,
                                                      const QString &outputName, QVariantMap *metadata,
                                                      MCError *error) const;

    // The label number written for a library label 0 to 7; none otherwise.
    static std::optional<qint64> labelNumberForLabel(qint64 label);

private:
    // The photo of `file` as the working bitmap of a run or a preview, with its properties
    // ready for the stages ("QuillonDictionary", and orientation 1 when turned upright).
    std::unique_ptr<MCBitmap> workingBitmapForFile(const MCFile &file, bool preview, const QSizeF &fitSize,
                                                   const QString &outputName, QVariantMap &properties,
                                                   bool &turnedUpright, MCError *error) const;
    // keepOrientation: the pixels were not turned upright, so the stored orientation stays.
    bool run(MCBitmap *bitmap, QVariantMap *metadata, const MCFile *file, MCError *error, bool preview,
             bool keepOrientation) const;
    void adopt(const MCConvertStageRef &stage);
    void release(const MCConvertStageRef &stage);
    void postWill(const QString &name, const QList<MCConvertStageRef> &stages);
    void postDidChange();
    void registerUndo(std::function<void(MCBitmapConverter &)> inverse);
    template <typename T> void setUndoable(const QString &key, T &storage, const T &value, void (MCBitmapConverter::*setter)(T));

    MCUserDefaults *m_defaults;
    std::shared_ptr<MCUndoManager> m_undoManager;
    std::optional<MCBatchRenameSettings> m_renameSettings;
    quint64 m_imageFormat = MCImageFormatJPEG;
    qint64 m_imageColorModel = 1;
    qint64 m_imageColorDepth = 0;
    qint64 m_imageTIFFCompression = 0;
    bool m_imageHasAlpha = false;
    double m_imageQuality = 0.8;
    bool m_embedThumbnail = false;
    std::shared_ptr<char> m_lifetime; // undo closures check it
};
