#pragma once

// Small pieces shared by the screens that import: what a drop or an open panel hands over,
// turned into the paths to import, and the folder the open panel starts in.
#include "halvard/ui/MCPromptLayer.h"

#include <QStringList>

class QMimeData;

namespace MCImportSupport {

// The MIME type of dropped files and folders (the platform's file-names type).
QString filenamesPasteboardType(); // "text/uri-list"

// The local paths a drag carries, symbolic links resolved; items that are no local file or
// whose path cannot be resolved are skipped.
QStringList pathsFromDrop(const QMimeData *data);

// "LastFolderImported" when it is set and names an existing folder, else the Pictures folder
// (the home folder when there is none).
QString startFolderForOpenPanel();

// The open panel of the add command: several files and folders at once, files of the types
// the application accepts.
MCOpenPanelRequest addPhotosPanelRequest();

// Remembers the folder the panel ended in under "LastFolderImported" (the folder of the
// first chosen item when the answer does not name it).
void rememberImportFolder(const MCOpenPanelAnswer &answer);

// The add command's question: runs the open panel over `window` and, when the user chose
// something, remembers where and answers the chosen paths (empty when cancelled).
QStringList choosePhotosToAdd(QWidget *window);

} // namespace MCImportSupport

extern const QString kMCLastFolderImportedKey; // "LastFolderImported"
