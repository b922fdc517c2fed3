#pragma once

// The model of the Edit Metadata screen's preview table: every photo's metadata as it is now.
// It predicts nothing and never recalculates (so it never posts the recalculation notice);
// the table shows the values as they are when rows are drawn.
//
// Columns: "FileName" (the thumbnail column), "CaptureDate", "Rating", "Keywords",
// "Copyright", "Owner", "CameraMaker", "CameraModel", "GPSLatitude" and "GPSLongutude" (so
// spelled). A value the file's information does not hold, or holds as an empty text, shows as
// "---"; the information's own wording for an undefined value ("Not defined") shows as it is.
#include "app/dialogs/MCPreviewTableViewModel.h"

#include <QDateTime>

#include <optional>

class MCEditMetadataPreviewTableViewModel : public MCPreviewTableViewModel
{
public:
    QString filePreviewColumnIdentifier() const override { return QStringLiteral("FileName"); }
    QString stringValueForFile(const MCFile &file, const QString &columnIdentifier) const override;

    // A date in the medium date and time styles of the user's locale; no date gives no text.
    static QString stringFromDate(const std::optional<QDateTime> &date);
};
