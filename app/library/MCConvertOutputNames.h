#pragma once

// The names a conversion gives its output files. The Convert screen's preview table shows them
// and its run writes under them: both call MCConvertOutputNames, so what the table predicts is
// what the run does.
#include "app/library/MCFileContainer.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class MCBatchRenamer;
class MCBitmapConverter;

// One output name per file of `files`, in order, the file at index i named at position i of the
// list (the position feeds the renamer's counter, so pass the whole list being converted).
// When the converter has rename settings a name is the renamer's for the file, the settings and
// the converter, with every "/" turned into ":"; otherwise it is the file's title without its
// extension, with the converter's extension (MCConvertOutputNameForTitle). `isCancelled` is asked
// before each file; none when it answered true. Any thread, as long as nobody edits the
// converter meanwhile (the preview passes a copy of its own).
std::optional<QStringList> MCConvertOutputNames(const MCFileList &files, const MCBitmapConverter &converter,
                                                const MCBatchRenamer &renamer,
                                                const std::function<bool()> &isCancelled = {});
// The same with the shared renamer.
QStringList MCConvertOutputNames(const MCFileList &files, const MCBitmapConverter &converter);

// `title` (a file name) without its extension, with `extension` appended (none when empty):
// "IMG_1.CR2" and "jpeg" give "IMG_1.jpeg", "a.b.png" gives "a.b.jpeg", ".profile" keeps its
// whole name as the stem. Made a safe single file name as the renamer makes its names.
QString MCConvertOutputNameForTitle(const QString &title, const QString &extension);

// Whether `name` can be created as one entry of a folder: not empty, not "." or "..", without
// "/" or NUL.
bool MCIsUsableOutputFileName(const QString &name);
