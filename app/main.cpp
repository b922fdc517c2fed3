// The program's entry point: one running instance per user; files named on the command line
// (or by a later start of the program) reach the application as open events.
#include "app/QuillonVersion.h"
#include "app/browser/MCPhotoListViewController.h"
#include "app/library/MCFileManager.h"
#include "app/library/MCLibraryServices.h"
#include "app/library/MCPathManager.h"
#include "app/panels/MCStageViewController.h"
#include "app/shell/MCAppDelegate.h"
#include "platform/core/MCBundle.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/desktop/MCApplicationInstance.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

namespace {

// The files and folders named on the command line, as absolute paths; options are left out
// unless a file of that name exists.
QStringList pathsFromArguments(const QStringList &arguments)
{
    QStringList paths;
    bool optionsEnded = false;
    for (const QString &argument : arguments.mid(1)) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && !QFileInfo::exists(argument))
            continue;
        paths.append(QFileInfo(argument).absoluteFilePath());
    }
    return paths;
}

} // namespace

int main(int argc, char *argv[])
{
    MCReturnLargeBlocksToTheSystem();
    QApplication app(argc, argv);
    quillon::setApplicationIdentity();
    QApplication::setDesktopFileName(QStringLiteral("quillonx"));
    QApplication::setWindowIcon(QIcon(platform::pathForResource(QStringLiteral("Desktop/quillonx.svg"))));
    // The one window's close button quits through the application delegate.
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList paths = pathsFromArguments(QCoreApplication::arguments());
    MCApplicationInstance instance;
    if (!instance.listen()) {
        // Another instance runs: it takes the files (or just comes to the front).
        if (MCApplicationInstance::sendPaths(instance.serverName(), paths))
            return 0;
        // It did not answer: this one runs on its own.
    }

    quillon::installLibraryServices();
    MCRegisterStagePanels();
    // Temporary folders left in photo folders by a run that was killed go now; this run's
    // own go when it quits.
    MCPathManager::defaultManager().removeStaleTemporaryFolders();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { MCPathManager::defaultManager().cleanupTemporaryURLs(); });

    MCPhotoListViewController::installAsPhotoListScreen();
    // Photos set aside by a batch rename that a crash interrupted get their names back first.
    MCFileManager::defaultManager().recoverSetAsideFiles();
    MCAppDelegate delegate;
    if (!paths.isEmpty())
        delegate.openFiles(paths);
    QObject::connect(&instance, &MCApplicationInstance::pathsReceived, &delegate, &MCAppDelegate::openFiles);
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
