// The application shell: the main window with its start screen, in both theme kinds.
#include "app/shell/MCAppDelegate.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStartViewController.h"
#include "app/uikit/MCColorQuillon.h"
#include "platform/core/MCUserDefaults.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QLabel>

namespace {

// The application's dark palette and settings, as at launch.
void prepareApplication(int appearanceKind)
{
    static MCAppDelegate delegate;
    MCUserDefaults::standardUserDefaults().setBool(true, kMCMainWindowLaunchMoreThanOnceKey);
    MCUserDefaults::standardUserDefaults().setInteger(appearanceKind, kMCAperanceKindKey);
    delegate.applyDarkAppearance();
    delegate.registerDefaults();
}

// The controllers live as long as the program: the picture is taken of their window.
QWidget *mainWindow(int appearanceKind, const std::function<void(MCMainWindowController &)> &state = {})
{
    prepareApplication(appearanceKind);
    auto *controller = new MCMainWindowController;
    controller->window()->setWindowState(Qt::WindowNoState);
    if (state)
        state(*controller);
    return controller->window();
}

const QSize kWindowSize(1000, 660);

const ScreenshotRegistration registration({
    {"shell-main-window", "start", [] { return mainWindow(1); }, kWindowSize},
    {"shell-main-window", "start-blue", [] { return mainWindow(0); }, kWindowSize},
    {"shell-main-window", "nothing-found", [] {
         return mainWindow(1, [](MCMainWindowController &controller) {
             controller.startViewController()->overlayWelcomeLabel()->setText(
                 QObject::tr("no photos were found, try to add other photos or folders"));
         });
     }, kWindowSize},
    {"shell-main-window", "drop-highlight", [] {
         return mainWindow(1, [](MCMainWindowController &controller) {
             controller.startViewController()->overlayDroppableView()->setHighlighted(true);
         });
     }, kWindowSize},
});

} // namespace
