#pragma once

// The model of the Convert screen's preview table: for every photo, from the conversion
// pipeline and without touching a pixel, the output name and pixel size, with a badge where
// the size cannot be written or the name is not unique.
//
// Columns: "FileName" (the thumbnail column: "title → output name"), "Format"
// ("cr2 → jpeg"), "ImageSize" ("6000x4000 → 1500x1000"), "Resolution" ("72 → 300"),
// "ColorProfile" ("None → sRGB IEC61966-2.1") and "Icon" (the badge, with its tooltip).
// Format, resolution and profile are asked of the converter when a cell is drawn; names and
// sizes come from the last finished recalculation (only the current side before the first).
#include "app/dialogs/MCPreviewTableViewModel.h"

#include <QHash>
#include <QSizeF>

class MCBatchRenamer;
class MCBitmapConverter;

class MCConvertOptionsPreviewTableViewModel : public MCPreviewTableViewModel
{
public:
    // `converter` (the Convert screen's) and `renamer` (null: the shared one) are not owned and
    // must outlive the model.
    explicit MCConvertOptionsPreviewTableViewModel(MCBitmapConverter &converter,
                                                   const MCBatchRenamer *renamer = nullptr);
    ~MCConvertOptionsPreviewTableViewModel() override;

    MCBitmapConverter &converter() const { return m_converter; }

    // After the last finished recalculation: some predicted name occurs more than once / some
    // predicted size is outside the limits of MCConvertOutputSizeIsAcceptable.
    bool containsBadNames() const { return m_containsBadNames; }
    bool containsBadSizes() const { return m_containsBadSizes; }

    QString filePreviewColumnIdentifier() const override { return QStringLiteral("FileName"); }
    // Predicts from a copy of the items and of the converter (stages included), so edits made
    // meanwhile do not reach the calculation.
    void recalculateInfo() override;
    void cancelRecalculation() override;
    QString stringValueForFile(const MCFile &file, const QString &columnIdentifier) const override;
    // "Icon" only, once the file has a predicted size and name: "BadgeMissing" with "Image size
    // is too small", "Image size is too large" or "Not unique name", in that order of
    // precedence; no image and an empty tooltip for a good row.
    QImage imageValueForFile(const MCFile &file, QString *tooltip, const QString &columnIdentifier) const override;

    // The predicted output name of `file`, or an empty string (none yet).
    QString fileNameForItem(const MCFile &file) const;
    // The predicted output size of `file`, if any.
    std::optional<QSizeF> imageSizeForItem(const MCFile &file) const;

    // For tests and benchmarks: waits until the queued calculation has run; its results are
    // published by the GUI thread's event loop afterwards.
    void waitUntilCalculated() { m_queue.waitUntilAllOperationsAreFinished(); }

    // Why a predicted size is refused, if it is.
    enum class SizeProblem { None, TooSmall, TooLarge };
    static SizeProblem sizeProblem(const QSizeF &size);

private:
    struct Results
    {
        QHash<quint64, QSizeF> sizes;   // by fileID
        QHash<quint64, QString> names;  // by fileID; "" when none could be made
        QHash<QString, qint64> counts;  // how often each name occurs
    };

    MCBitmapConverter &m_converter;
    const MCBatchRenamer &m_renamer;
    bool m_containsBadNames = false;
    bool m_containsBadSizes = false;
    std::shared_ptr<const Results> m_results;
    MCPreviewRecalculationQueue m_queue; // last: destroyed (and its work stopped) first
};

// An output size a conversion can write: both sides at least 1 and at most 65500 pixels, and
// at most 2^30 pixels in all (inclusive: 65500 × 16384 is acceptable). A size that is not a
// number is too small.
inline bool MCConvertOutputSizeIsAcceptable(const QSizeF &size)
{
    return MCConvertOptionsPreviewTableViewModel::sizeProblem(size) ==
           MCConvertOptionsPreviewTableViewModel::SizeProblem::None;
}
