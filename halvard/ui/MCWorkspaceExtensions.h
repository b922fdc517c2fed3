#pragma once

// Which application opens a set of files: the one default application they share, and the
// others that open every one of them. Applications are named by their desktop IDs
// ("org.example.Viewer.desktop"), the identifiers the "Open With" menu hands back.
#include <QString>
#include <QStringList>

class MCWorkspace;
class QWidget;

namespace MCWorkspaceExtensions {

// The desktop ID of the application that opens every file by default, or null when their
// defaults differ. One file of each type is asked; files whose type cannot be read (nothing
// at the path) are ignored. `others` (when given) receives the other applications that open
// every kept file, without the default, in the order the first file's type lists them; it is
// emptied when some type has no default application at all, or when no file is left.
QString applicationBundleIDForPaths(const QStringList &paths, QStringList *others = nullptr);
QString applicationBundleIDForPaths(MCWorkspace &workspace, const QStringList &paths, QStringList *others = nullptr);

// Opens the files with the application of `desktopID` (from an "Open With" menu). When that
// fails (the application was removed since the menu was built, or its program does not start)
// an alert through the prompt layer says why, on `window`. Nothing happens for no files or no
// application.
void openFilesWithApplication(const QStringList &paths, const QString &desktopID, QWidget *window);

} // namespace MCWorkspaceExtensions
