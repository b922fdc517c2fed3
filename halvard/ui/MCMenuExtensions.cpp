#include "halvard/ui/MCMenuExtensions.h"

#include "halvard/ui/MCWorkspaceExtensions.h"
#include "platform/desktop/MCWorkspace.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QMenu>

#include <algorithm>

namespace {

const char *const kTagProperty = "MCMenuItemTag";

QIcon applicationIcon(const QString &icon)
{
    if (icon.isEmpty())
        return {};
    if (QDir::isAbsolutePath(icon))
        return QIcon(icon);
    return QIcon::fromTheme(icon);
}

void addApplicationItem(QMenu *menu, const MCDesktopEntry &application,
                        const std::function<void(const QString &)> &action)
{
    QAction *item = menu->addAction(application.name.isEmpty() ? application.desktopID : application.name);
    item->setData(application.desktopID);
    const QIcon icon = applicationIcon(application.icon);
    if (!icon.isNull())
        item->setIcon(QIcon(icon.pixmap(16, 16)));
    if (action) {
        const QString id = application.desktopID;
        QObject::connect(item, &QAction::triggered, item, [action, id]() { action(id); });
    }
}

} // namespace

namespace MCMenuExtensions {

void setTag(QAction *item, int tag)
{
    if (item)
        item->setProperty(kTagProperty, tag);
}

int tag(const QAction *item)
{
    return item ? item->property(kTagProperty).toInt() : 0;
}

bool removeItemWithTag(QMenu *menu, int value)
{
    if (!menu)
        return false;
    for (QAction *item : menu->actions()) {
        if (tag(item) == value && item->property(kTagProperty).isValid()) {
            menu->removeAction(item);
            if (item->parent() == menu)
                delete item;
            return true;
        }
    }
    return false;
}

void buildOpenWithMenuForPaths(QMenu *menu, const QStringList &paths,
                               const std::function<void(const QString &desktopID)> &action)
{
    buildOpenWithMenuForPaths(MCWorkspace::sharedWorkspace(), menu, paths, action);
}

void buildOpenWithMenuForPaths(MCWorkspace &workspace, QMenu *menu, const QStringList &paths,
                               const std::function<void(const QString &desktopID)> &action)
{
    if (!menu)
        return;
    menu->clear();
    QStringList otherIDs;
    const QString defaultID = MCWorkspaceExtensions::applicationBundleIDForPaths(workspace, paths, &otherIDs);
    const MCApplicationRegistry registry = workspace.applicationRegistry();
    if (const std::optional<MCDesktopEntry> application = registry.applicationForID(defaultID)) {
        addApplicationItem(menu, *application, action);
        if (!otherIDs.isEmpty())
            menu->addSeparator();
    }
    QList<MCDesktopEntry> others;
    for (const QString &id : std::as_const(otherIDs))
        if (const std::optional<MCDesktopEntry> application = registry.applicationForID(id))
            others << *application;
    std::stable_sort(others.begin(), others.end(), [](const MCDesktopEntry &a, const MCDesktopEntry &b) {
        return QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
    });
    for (const MCDesktopEntry &application : std::as_const(others))
        addApplicationItem(menu, application, action);
    if (menu->actions().isEmpty())
        menu->addAction(QCoreApplication::translate("Halvard", "<NONE>"))->setEnabled(false);
}

} // namespace MCMenuExtensions
