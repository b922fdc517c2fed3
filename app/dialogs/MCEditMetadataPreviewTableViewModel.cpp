#include "app/dialogs/MCEditMetadataPreviewTableViewModel.h"

#include "app/library/MCFile.h"

namespace {

QString orDashes(const QString &text) { return text.isEmpty() ? QStringLiteral("---") : text; }
QString orDashes(const QVariant &value) { return orDashes(value.isNull() ? QString() : value.toString()); }

} // namespace

QString MCEditMetadataPreviewTableViewModel::stringFromDate(const std::optional<QDateTime> &date)
{
    return date ? MCFileInfo::stringFromDate(date) : QString();
}

QString MCEditMetadataPreviewTableViewModel::stringValueForFile(const MCFile &file,
                                                                const QString &columnIdentifier) const
{
    const MCFileInfo &info = file.fileInfo();
    if (columnIdentifier == QLatin1String("FileName"))
        return orDashes(file.fileName());
    if (columnIdentifier == QLatin1String("CaptureDate"))
        return orDashes(stringFromDate(file.captureDate()));
    if (columnIdentifier == QLatin1String("Rating"))
        return orDashes(info.ratingString());
    if (columnIdentifier == QLatin1String("Keywords"))
        return orDashes(info.keywordsString());
    if (columnIdentifier == QLatin1String("Copyright"))
        return orDashes(info.values()->copyright);
    if (columnIdentifier == QLatin1String("Owner"))
        return orDashes(info.values()->owner);
    if (columnIdentifier == QLatin1String("CameraMaker"))
        return orDashes(info.values()->cameraMaker);
    if (columnIdentifier == QLatin1String("CameraModel"))
        return orDashes(info.values()->cameraModel);
    if (columnIdentifier == QLatin1String("GPSLatitude"))
        return orDashes(info.GPSLatitudeString());
    if (columnIdentifier == QLatin1String("GPSLongutude"))
        return orDashes(info.GPSLongitudeString());
    return QString();
}
