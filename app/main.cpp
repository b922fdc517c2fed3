// The program's entry point: sets the application's identity and shows the main window.
#include "app/QuillonVersion.h"
#include "app/library/MCLibraryServices.h"
#include "app/library/MCPathManager.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    quillon::setApplicationIdentity();
    quillon::installLibraryServices();
    // Temporary folders left in photo folders by a run that was killed go now; this run's
    // own go when it quits.
    MCPathManager::defaultManager().removeStaleTemporaryFolders();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { MCPathManager::defaultManager().cleanupTemporaryURLs(); });

    QMainWindow window;
    window.setWindowTitle(quillon::applicationName());
    window.resize(1100, 720);
    window.show();
    return app.exec();
}
