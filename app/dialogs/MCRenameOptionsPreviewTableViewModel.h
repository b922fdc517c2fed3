#pragma once

// The model of the rename dialog's preview table: every photo's new name under the rename
// settings being edited, with a badge on names that occur more than once.
//
// Columns: "Old" (the thumbnail column: the file's name on disk), "New" (the predicted name;
// empty until the first recalculation has finished) and "Icon" (the badge, no tooltip).
// The editor sets the settings again, then calls recalculateInfo(), on every change.
#include "app/dialogs/MCPreviewTableViewModel.h"
#include "app/library/MCBatchRenameSettings.h"

#include <QHash>

class MCBatchRenamer;
class MCBitmapConverter;

class MCRenameOptionsPreviewTableViewModel : public MCPreviewTableViewModel
{
public:
    // `renamer` (null: the shared one) is not owned and must outlive the model.
    explicit MCRenameOptionsPreviewTableViewModel(const MCBatchRenamer *renamer = nullptr);
    ~MCRenameOptionsPreviewTableViewModel() override;

    const MCBatchRenamer &batchRenamer() const { return m_renamer; }
    const MCBatchRenameSettings &renameSettings() const { return m_renameSettings; }
    void setRenameSettings(const MCBatchRenameSettings &settings) { m_renameSettings = settings; }
    // The converter the names are predicted for (renaming as part of a conversion), or null.
    // Not owned; it must outlive the model. Read only when a recalculation starts.
    const MCBitmapConverter *converter() const { return m_converter; }
    void setConverter(const MCBitmapConverter *converter) { m_converter = converter; }

    // After the last finished recalculation: some new name occurs more than once.
    bool containsBadNames() const { return m_containsBadNames; }

    QString filePreviewColumnIdentifier() const override { return QStringLiteral("Old"); }
    // Names the files from copies of the items, the settings and the converter.
    void recalculateInfo() override;
    void cancelRecalculation() override;
    QString stringValueForFile(const MCFile &file, const QString &columnIdentifier) const override;
    // "Icon": "BadgeMissing" on a name counted twice or more; never a tooltip.
    QImage imageValueForFile(const MCFile &file, QString *tooltip, const QString &columnIdentifier) const override;

    // For tests and benchmarks: waits until the queued calculation has run.
    void waitUntilCalculated() { m_queue.waitUntilAllOperationsAreFinished(); }

private:
    struct Results
    {
        QHash<quint64, QString> names; // by fileID
        QHash<QString, qint64> counts; // how often each name occurs
    };

    const MCBatchRenamer &m_renamer;
    MCBatchRenameSettings m_renameSettings;
    const MCBitmapConverter *m_converter = nullptr;
    bool m_containsBadNames = false;
    std::shared_ptr<const Results> m_results;
    MCPreviewRecalculationQueue m_queue; // last: destroyed (and its work stopped) first
};
