#pragma once

// A convert preset: the converter's output settings and stage list under a name.
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/engine/pipeline/MCPreset.h"
#include "app/library/MCBatchRenameSettings.h"

#include <optional>

class MCBitmapConverter;

class MCConvertPreset : public MCPreset
{
public:
    // "convertpreset" files in "Presets/Convert", first-run key "ConvertPresetsIsDefault".
    static const MCPresetClass &presetClass();

    MCConvertPreset() = default;
    MCConvertPreset(const QString &name, const std::optional<MCBatchRenameSettings> &renameSettings, quint64 format,
                    qint64 colorModel, qint64 colorDepth, bool hasAlpha, double quality, bool embedThumbnail,
                    qint64 TIFFCompression, const QList<MCConvertStageRef> &stages);
    // Reads the file dictionary; never refuses one (unknown stages are dropped, missing values
    // read 0, NO or 0.0).
    explicit MCConvertPreset(const QVariantMap &dictionary);
    static std::shared_ptr<MCConvertPreset> presetFromDictionary(const QVariantMap &dictionary);
    // The converter's current values and stages (the same stage objects).
    static std::shared_ptr<MCConvertPreset> presetWithConverter(const QString &name, const MCBitmapConverter &converter);

    QString name() const override { return m_name; }
    void setName(const QString &name) override { m_name = name; }
    QVariantMap dictionaryRepresentation() const override;
    // Copies every stage too (new identities, no undo manager).
    std::shared_ptr<MCPreset> copyPreset() const override;

    const std::optional<MCBatchRenameSettings> &renameSettings() const { return m_renameSettings; }
    void setRenameSettings(const std::optional<MCBatchRenameSettings> &settings) { m_renameSettings = settings; }
    quint64 format() const { return m_format; }
    void setFormat(quint64 format) { m_format = format; }
    qint64 colorModel() const { return m_colorModel; }
    void setColorModel(qint64 model) { m_colorModel = model; }
    qint64 colorDepth() const { return m_colorDepth; }
    void setColorDepth(qint64 depth) { m_colorDepth = depth; }
    bool hasAlpha() const { return m_hasAlpha; }
    void setHasAlpha(bool hasAlpha) { m_hasAlpha = hasAlpha; }
    double quality() const { return m_quality; }
    void setQuality(double quality) { m_quality = quality; }
    qint64 TIFFCompression() const { return m_TIFFCompression; }
    void setTIFFCompression(qint64 compression) { m_TIFFCompression = compression; }
    bool embedThumbnail() const { return m_embedThumbnail; }
    void setEmbedThumbnail(bool embed) { m_embedThumbnail = embed; }
    QList<MCConvertStageRef> stages() const { return m_stages; }
    void setStages(const QList<MCConvertStageRef> &stages) { m_stages = stages; }

    // Applies the preset to `converter` through its undoable setters, with copies of the
    // stages, so applying is one undoable change.
    void applyToConverter(MCBitmapConverter &converter) const;

private:
    QString m_name;
    std::optional<MCBatchRenameSettings> m_renameSettings;
    quint64 m_format = 0;
    qint64 m_colorModel = 0;
    qint64 m_colorDepth = 0;
    bool m_hasAlpha = false;
    double m_quality = 0;
    qint64 m_TIFFCompression = 0;
    QList<MCConvertStageRef> m_stages;
    bool m_embedThumbnail = false;
};
