// The application shell: the main window with its start screen, in both theme kinds.
#include "app/library/MCResourceManager.h"
#include "app/shell/MCAppDelegate.h"
#include "halvard/imageio/MCUTType.h"

#include <QDialog>
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCPreferencesGroupingTab.h"
#include "app/shell/MCPreferencesWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStartViewController.h"
#include "app/uikit/MCColorQuillon.h"
#include "platform/core/MCUserDefaults.h"
#include "tools/screenshots/ScreenshotRegistry.h"
#include "tools/screenshots/ShellGallery.h"

#include <QLabel>

void screenshots::prepareShellApplication(int appearanceKind)
{
    static MCAppDelegate delegate;
    MCUserDefaults::standardUserDefaults().setBool(true, kMCMainWindowLaunchMoreThanOnceKey);
    MCUserDefaults::standardUserDefaults().setInteger(appearanceKind, kMCAperanceKindKey);
    delegate.applyDarkAppearance();
    delegate.registerDefaults();
    delegate.applyFileTypeFilter();
}

namespace {

using screenshots::prepareShellApplication;

// The controllers live as long as the program: the picture is taken of their window.
QWidget *mainWindow(int appearanceKind, const std::function<void(MCMainWindowController &)> &state = {})
{
    prepareShellApplication(appearanceKind);
    auto *controller = new MCMainWindowController;
    controller->window()->setWindowState(Qt::WindowNoState);
    if (state)
        state(*controller);
    return controller->window();
}

const QSize kWindowSize(1000, 660);

// The preferences window at a tab; the picture is of the window at the size the tab gave it.
// With `sizes`, the size filters are set (a 912-pixel photo size, 2.5 MB).
QWidget *preferences(const QString &tab, bool sizes = false)
{
    prepareShellApplication(1);
    MCUserDefaults &defaults = MCUserDefaults::standardUserDefaults();
    if (sizes) {
        defaults.setDouble(0.3, kMCMinImageSizeKey);
        defaults.setDouble(2.5, kMCMinFileSizeKey);
        defaults.setInteger(2, kMCMinFileSizeUnitKey);
    } else {
        for (const QString &key : {kMCMinImageSizeKey, kMCMinFileSizeKey, kMCMinFileSizeUnitKey})
            defaults.removeObjectForKey(key);
    }
    for (const auto &type : MCResourceManager::availableFileTypes())
        type->setIsAvailable(!MCResourceManager::isRAWImageType(type->typeIdentifier()) ||
                             type->typeIdentifier().contains(QLatin1String("canon")));
    auto *controller = new MCPreferencesWindowController;
    controller->selectTabWithIdentifier(tab);
    return controller->window();
}

// The preset editor with two rules, the second by capture date.
QWidget *presetEditor()
{
    prepareShellApplication(1);
    MCGroupRulePreset preset(QStringLiteral("Trips by month"),
                             {MCGroupRule::ruleGroupBy(1), MCGroupRule::ruleGroupByTimeRange(1)});
    auto *dialog = MCEditGroupingPresetDialog::dialogForGroupRulePreset(preset).release();
    QDialog *window = dialog->window();
    dialog->sizeToFit(false);
    return window;
}

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
    {"shell-preferences", "general", [] { return preferences("General"); }, QSize(560, 290)},
    {"shell-preferences", "filtering", [] { return preferences("Filter"); }, QSize(560, 600)},
    {"shell-preferences", "filtering-sizes", [] { return preferences("Filter", true); }, QSize(560, 600)},
    {"shell-preferences", "grouping", [] { return preferences("Grouping"); }, QSize(560, 410)},
    {"shell-preferences", "advanced", [] { return preferences("Advanced"); }, QSize(560, 230)},
    {"shell-preferences", "grouping-preset-editor", [] { return presetEditor(); }, QSize()},
});

} // namespace
