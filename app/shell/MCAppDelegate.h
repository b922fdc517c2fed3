#pragma once

// The application's delegate: starts everything when launching has finished, receives files
// opened from outside (the command line and later starts of the program), answers the
// commands that belong to no window, and shuts the application down in order.
//
// Start-up, in this order: the dark palette, the usage-statistics session, the registered
// settings, the file-type filter from "UndesirableFileTypes", the main window (with the tips
// palette when due, then the files opened before the window existed).
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class MCMainWindowController;
#include "app/shell/MCTipsPaletteController.h"
class MCUserDefaults;

extern const QString kMCUndesirableFileTypesKey;   // "UndesirableFileTypes"

// What applicationShouldTerminate answers, numbered as the platform numbers them.
enum MCApplicationTerminateReply : int {
    MCTerminateCancel = 0,
    MCTerminateNow = 1,
    MCTerminateLater = 2,
};

class MCAppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit MCAppDelegate(QObject *parent = nullptr);
    ~MCAppDelegate() override;

    // The start-up steps in order; each is a step of its own so they can be followed.
    void applicationDidFinishLaunching();
    virtual void applyDarkAppearance();
    virtual void startStatisticsSession();
    virtual void registerDefaults();
    virtual void applyFileTypeFilter();
    virtual void showWindowsAfterLaunch();

    MCMainWindowController *mainWindowController() const { return m_mainWindowController.get(); }
    // Files opened before the main window existed.
    QStringList urlsToAdd() const { return m_urlsToAdd; }

    // Files opened from outside (paths). Dropped with a beep while a sheet or a modal window
    // is open; otherwise imported, or kept for the main window when it does not exist yet
    // (replacing what was kept).
    void openFiles(const QStringList &paths);

    // Quitting (the Quit command, its shortcut, the window's close button): refused with a beep
    // while a sheet is open on the main window; otherwise the answer comes later, after the top
    // screen was told, the statistics session ended and the settings were saved; then the
    // event loop ends.
    MCApplicationTerminateReply applicationShouldTerminate();
    // The desktop session ends, or a signal asks the program to end: nothing can refuse. The
    // same orderly end runs at once; a sheet or modal window still open answers as cancelled
    // when its event loop ends with the program's.
    void terminateWithoutAsking();
    // True while a quit is under way.
    bool isTerminating() const { return m_terminating; }

    // The tips command: opens the tips palette, or closes it while it is open.
    void showHideTipsPalette();
    // The palette while it is open, else null.
    MCTipsPaletteController *tipsController() const { return m_tipsController; }

    // Menu commands of the application.
    void showPreferences();
    // The preferences at the Grouping or the Filter tab.
    void showPreferencesWithGroupingPresets();
    void showPreferencesWithFiltering();
    void showPresetsFolder();

    // Makes the beep replaceable (tests count it).
    void setBeepHandler(std::function<void()> beep) { m_beep = std::move(beep); }
    // What finishing a quit does after the session ended (ends the event loop, and every
    // nested one, unless replaced).
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }

signals:
    // A start-up step ran (its function's name); for following the order.
    void launchStepDidRun(const QString &step);

private:
    void beep();
    void finishTermination();

    std::unique_ptr<MCMainWindowController> m_mainWindowController;
    QStringList m_urlsToAdd;
    bool m_terminating = false;
    bool m_terminationFinished = false;
    QPointer<MCTipsPaletteController> m_tipsController;
    bool m_darkAppearance = false;
    std::function<void()> m_beep;
    std::function<void()> m_quit;
};
