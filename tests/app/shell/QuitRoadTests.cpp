// The program's own run (quillon::runApplication, as main() runs it), ended by each road a user
// or the desktop has: this test executable starts itself again as a child process that runs
// the program and ends it one way; the child checks what the end saved, the parent that the
// child ended.
#include "app/shell/MCAppDelegate.h"
#include "app/shell/MCApplicationMain.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCStatisticsManager.h"
#include "halvard/ui/MCAlert.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const char *const kRoadVariable = "QUILLONX_QUIT_ROAD";

// File ▸ Quit, which also holds the shortcut.
QAction *quitAction(MCMainWindowController &controller)
{
    for (QAction *menu : controller.window()->menuBar()->actions())
        if (menu->menu())
            for (QAction *item : menu->menu()->actions())
                if (item->text() == QLatin1String("Quit"))
                    return item;
    return nullptr;
}

// Ends the running program the way `road` names.
void endProgram(MCAppDelegate &delegate, const QByteArray &road)
{
    MCMainWindowController *controller = delegate.mainWindowController();
    MCMainWindow *window = controller->window();
    if (road == "menu") {
        QAction *quit = quitAction(*controller);
        ASSERT_NE(quit, nullptr);
        EXPECT_TRUE(quit->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Q)));
        quit->trigger();
    } else if (road == "shortcut") {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        // Through the window system's key road, where shortcuts are matched.
        QTest::keyClick(window->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    } else if (road == "close") {
        // The close button: the window system asks the window to close.
        window->windowHandle()->close();
    } else if (road == "session") {
        // The session manager's end reaches the application as Qt's quit request.
        QCoreApplication::quit();
    } else if (road == "signal") {
        ::raise(SIGTERM);
    } else if (road == "signal-under-sheet") {
        // The signal arrives while an alert waits for an answer on the window.
        QTimer::singleShot(50, [] { ::raise(SIGTERM); });
        MCAlert alert = MCAlert::alertWithMessageText(QStringLiteral("Replace?"), QString(), QStringLiteral("Replace"),
                                                      QStringLiteral("Cancel"));
        EXPECT_EQ(alert.runModal(window), MCAlertSecondButtonReturn) << "the alert ends as cancelled";
    } else {
        FAIL() << "unknown road " << road.constData();
    }
}

// The child: runs the program until the road ends it, then checks what the end left.
void runProgramUntilItEnds(const QByteArray &road)
{
    bool launched = false;
    const int code = quillon::runApplication(*qApp, [&](MCAppDelegate &delegate) {
        launched = true;
        QTimer::singleShot(100, &delegate, [&delegate, road] { endProgram(delegate, road); });
    });
    ASSERT_TRUE(launched);
    EXPECT_EQ(code, 0);
    // The statistics session ended, and the settings (with the window's frame) were saved.
    const MCStatisticsManager statistics(MCStatisticsManager::sharedInstance().filePath());
    ASSERT_FALSE(statistics.previousSessions().empty());
    EXPECT_TRUE(statistics.previousSessions().back().sessionEndDate.has_value());
    const auto settings = platform::readPropertyListDictionary(MCUserDefaults::standardPath());
    ASSERT_TRUE(settings.has_value());
    EXPECT_TRUE(settings->contains(QStringLiteral("MainWindowFrame")));
}

} // namespace

TEST(QuitRoad, EveryRoadEndsTheProgram)
{
    const QByteArray childRoad = qgetenv(kRoadVariable);
    if (!childRoad.isEmpty()) {
        runProgramUntilItEnds(childRoad);
        return;
    }
    const std::string self = ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() +
                             std::string(".") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (const char *road : {"menu", "shortcut", "close", "session", "signal", "signal-under-sheet"}) {
        SCOPED_TRACE(road);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kRoadVariable), QString::fromLatin1(road));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=") + QString::fromStdString(self)});
        ASSERT_TRUE(child.waitForStarted());
        // A bound for a program that never ends, not a measure of speed.
        const bool ended = child.waitForFinished(60000);
        if (!ended) {
            child.kill();
            child.waitForFinished();
        }
        const QByteArray output = child.readAll();
        EXPECT_TRUE(ended) << "the program kept running\n" << output.constData();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.constData();
        EXPECT_EQ(child.exitCode(), 0) << output.constData();
    }
}
