#pragma once

// Menu helpers: items found again by a numeric tag, and the "Open With" submenu of a set of
// files.
#include <QString>
#include <QStringList>

#include <functional>

class MCWorkspace;
class QAction;
class QMenu;

namespace MCMenuExtensions {

// A menu item's tag, kept as a property of its action (0 when none was set).
void setTag(QAction *item, int tag);
int tag(const QAction *item);
// Removes (and deletes) the first item with the tag; false when the menu has none.
bool removeItemWithTag(QMenu *menu, int tag);

// Empties the menu and fills it with the applications that open every one of the files: the
// shared default application first, then a separator, then the others sorted by name. Each
// item shows the application's name and icon, carries its desktop ID as data, and calls
// `action` with that ID when chosen. A menu left empty gets one disabled "<NONE>" item.
void buildOpenWithMenuForPaths(QMenu *menu, const QStringList &paths,
                               const std::function<void(const QString &desktopID)> &action);
void buildOpenWithMenuForPaths(MCWorkspace &workspace, QMenu *menu, const QStringList &paths,
                               const std::function<void(const QString &desktopID)> &action);

} // namespace MCMenuExtensions
