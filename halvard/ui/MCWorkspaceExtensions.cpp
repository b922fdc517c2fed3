#include "halvard/ui/MCWorkspaceExtensions.h"

#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCError.h"
#include "platform/desktop/MCWorkspace.h"

#include <QCoreApplication>
#include <QSet>

namespace MCWorkspaceExtensions {

QString applicationBundleIDForPaths(const QStringList &paths, QStringList *others)
{
    return applicationBundleIDForPaths(MCWorkspace::sharedWorkspace(), paths, others);
}

QString applicationBundleIDForPaths(MCWorkspace &workspace, const QStringList &paths, QStringList *others)
{
    if (others)
        others->clear();
    // One file per type: files of one type share their applications.
    QStringList types;
    for (const QString &path : paths) {
        const QString type = workspace.typeOfFile(path);
        if (!type.isEmpty() && !types.contains(type))
            types << type;
    }
    if (types.isEmpty())
        return {};

    const MCApplicationRegistry registry = workspace.applicationRegistry();
    QString candidate;
    bool candidateCleared = false;
    QStringList shared;
    for (qsizetype i = 0; i < types.size(); ++i) {
        const QString preferred = registry.defaultApplicationForMimeType(types[i]);
        if (preferred.isEmpty()) {
            if (others)
                others->clear();
            return {};
        }
        if (i == 0)
            candidate = preferred;
        else if (preferred != candidate)
            candidateCleared = true;
        if (!others)
            continue;
        const QStringList all = registry.applicationsForMimeType(types[i]);
        if (i == 0) {
            shared = all;
        } else {
            const QSet<QString> these(all.cbegin(), all.cend());
            shared.removeIf([&these](const QString &id) { return !these.contains(id); });
        }
    }
    if (candidateCleared)
        candidate.clear();
    if (others) {
        shared.removeAll(candidate);
        *others = shared;
    }
    return candidate;
}

void openFilesWithApplication(const QStringList &paths, const QString &desktopID, QWidget *window)
{
    if (paths.isEmpty() || desktopID.isEmpty())
        return;
    MCError error;
    if (MCWorkspace::sharedWorkspace().openFiles(paths, desktopID, &error))
        return;
    MCAlertRequest alert;
    alert.messageText = error.localizedDescription();
    alert.informativeText = error.localizedFailureReason();
    alert.buttonTitles = {QCoreApplication::translate("MCWorkspaceExtensions", "OK")};
    MCPromptLayer::runAlert(alert, window);
}

} // namespace MCWorkspaceExtensions
