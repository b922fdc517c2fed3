#include "app/shell/MCApplicationMain.h"

#include "app/library/MCFileManager.h"
#include "app/library/MCLibraryServices.h"
#include "app/library/MCPathManager.h"
#include "app/shell/MCAppDelegate.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/desktop/MCApplicationInstance.h"
#include "platform/desktop/MCTerminationSignals.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

namespace {

// Qt delivers the desktop session's end (and a platform's own quit) as a Quit event to the
// application, which would ask every window to close. The program itself never sends one,
// so every Quit event is the session ending: the delegate ends the program without asking.
class MCSessionEndFilter : public QObject
{
public:
    explicit MCSessionEndFilter(MCAppDelegate &delegate) : m_delegate(delegate) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
            m_delegate.terminateWithoutAsking();
            return true;
        }
        return false;
    }

private:
    MCAppDelegate &m_delegate;
};

} // namespace

namespace quillon {

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

int runApplication(QApplication &app, const std::function<void(MCAppDelegate &)> &didFinishLaunching)
{
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

    installLibraryServices();
    // Temporary folders left in photo folders by a run that was killed go now; this run's
    // own go when it quits.
    MCPathManager::defaultManager().removeStaleTemporaryFolders();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { MCPathManager::defaultManager().cleanupTemporaryURLs(); });

    // Photos set aside by a batch rename that a crash interrupted get their names back first.
    MCFileManager::defaultManager().recoverSetAsideFiles();
    MCAppDelegate delegate;
    if (!paths.isEmpty())
        delegate.openFiles(paths);
    QObject::connect(&instance, &MCApplicationInstance::pathsReceived, &delegate, &MCAppDelegate::openFiles);

    // The roads that cannot refuse: the session ending, and the termination signals.
    MCSessionEndFilter sessionEnd(delegate);
    app.installEventFilter(&sessionEnd);
#if QT_CONFIG(sessionmanager)
    // The session manager may end the program without a word after asking for its data.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                     [] { MCUserDefaults::standardUserDefaults().synchronize(); });
#endif
    MCTerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &MCTerminationSignals::terminationRequested, &delegate,
                     &MCAppDelegate::terminateWithoutAsking);

    delegate.applicationDidFinishLaunching();
    if (didFinishLaunching)
        didFinishLaunching(delegate);
    const int code = app.exec();
    app.removeEventFilter(&sessionEnd);
    return code;
}

} // namespace quillon
