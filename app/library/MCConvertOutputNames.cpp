#include "app/library/MCConvertOutputNames.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"

std::optional<QStringList> MCConvertOutputNames(const MCFileList &files, const MCBitmapConverter &converter,
                                                const MCBatchRenamer &renamer,
                                                const std::function<bool()> &isCancelled)
{
    if (const std::optional<MCBatchRenameSettings> &settings = converter.renameSettings()) {
        std::optional<QStringList> names = renamer.provideNamesForItems(files, *settings, &converter, isCancelled);
        if (names) {
            for (QString &name : *names)
                name.replace(QLatin1Char('/'), QLatin1Char(':'));
        }
        return names;
    }
    const QString extension = converter.imageFileExtension();
    QStringList names;
    names.reserve(files.size());
    for (const std::shared_ptr<MCFile> &file : files) {
        if (isCancelled && isCancelled())
            return std::nullopt;
        names.append(file ? MCConvertOutputNameForTitle(file->browserItemTitle(), extension) : QString());
    }
    return names;
}

QStringList MCConvertOutputNames(const MCFileList &files, const MCBitmapConverter &converter)
{
    return *MCConvertOutputNames(files, converter, MCBatchRenamer::defaultBatchRenamer());
}

QString MCConvertOutputNameForTitle(const QString &title, const QString &extension)
{
    // The last "." of the name starts its extension; a name that only begins with one has none.
    const qsizetype dot = title.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? title.left(dot) : title;
    return MCBatchRenamer::fileNameWithStem(MCBatchRenamer::safeFileNamePiece(stem), extension);
}

bool MCIsUsableOutputFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}
