#include "app/shell/MCAppDelegate.h"

#include "app/library/MCPathManager.h"
#include "app/library/MCResourceManager.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCPreferencesWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStatisticsManager.h"
#include "app/shell/MCTipsPaletteController.h"
#include "app/uikit/MCColorQuillon.h"
#include "halvard/imageio/MCUTType.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/desktop/MCWorkspace.h"

#include <QApplication>
#include <QFileInfo>
#include <QPalette>
#include <QSet>
#include <QStyleFactory>
#include <QTimer>

const QString kMCUndesirableFileTypesKey = QStringLiteral("UndesirableFileTypes");

namespace {

// The dark appearance of the whole application: Qt's neutral style with the theme's colours,
// so the controls that are not themed by hand (menus, dialogs, scroll bars) are dark too.
QPalette darkPalette()
{
    QPalette palette;
    const QColor window = MCColorQuillon::colorWithBrightness(0.2);
    const QColor base = MCColorQuillon::colorWithBrightness(0.14);
    const QColor text = MCColorQuillon::colorWithWhite(0.9);
    const QColor disabledText = MCColorQuillon::colorWithWhite(0.5);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, MCColorQuillon::colorWithBrightness(0.17));
    palette.setColor(QPalette::ToolTipBase, MCColorQuillon::colorWithBrightness(0.25));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, MCColorQuillon::colorWithBrightness(0.26));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, MCColorQuillon::colorWithBrightness(0.35));
    palette.setColor(QPalette::Midlight, MCColorQuillon::colorWithBrightness(0.3));
    palette.setColor(QPalette::Mid, MCColorQuillon::colorWithBrightness(0.18));
    palette.setColor(QPalette::Dark, MCColorQuillon::colorWithBrightness(0.1));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, MCColorQuillon::colorWithSaturation(0.6, 0.7));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, MCColorQuillon::colorWithSaturation(0.5, 0.95));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    return palette;
}

} // namespace

MCAppDelegate::MCAppDelegate(QObject *parent) : QObject(parent) {}

MCAppDelegate::~MCAppDelegate() = default;

void MCAppDelegate::applicationDidFinishLaunching()
{
    applyDarkAppearance();
    emit launchStepDidRun(QStringLiteral("applyDarkAppearance"));
    startStatisticsSession();
    emit launchStepDidRun(QStringLiteral("startStatisticsSession"));
    registerDefaults();
    emit launchStepDidRun(QStringLiteral("registerDefaults"));
    applyFileTypeFilter();
    emit launchStepDidRun(QStringLiteral("applyFileTypeFilter"));
    showWindowsAfterLaunch();
    emit launchStepDidRun(QStringLiteral("showWindowsAfterLaunch"));
}

void MCAppDelegate::applyDarkAppearance()
{
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    QApplication::setPalette(darkPalette());
    // The palette follows the theme setting like the themed controls.
    if (!m_darkAppearance)
        connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
                [] { QApplication::setPalette(darkPalette()); });
    m_darkAppearance = true;
}

void MCAppDelegate::startStatisticsSession()
{
    MCStatisticsManager::sharedInstance().startSession();
}

void MCAppDelegate::registerDefaults()
{
    MCRegisteredDefaults::registerDefaults();
    // The palette was made before the theme setting had its registered default.
    if (m_darkAppearance)
        QApplication::setPalette(darkPalette());
}

void MCAppDelegate::applyFileTypeFilter()
{
    // Every type is touched, so the registry reflects the stored list exactly.
    const QStringList undesirable = MCUserDefaults::standardUserDefaults().stringArrayForKey(kMCUndesirableFileTypesKey);
    const QSet<QString> unwanted(undesirable.begin(), undesirable.end());
    for (const std::shared_ptr<MCUTType> &type : MCResourceManager::availableFileTypes())
        type->setIsAvailable(!unwanted.contains(type->typeIdentifier()));
}

void MCAppDelegate::showWindowsAfterLaunch()
{
    m_mainWindowController = std::make_unique<MCMainWindowController>();
    MCMainWindowController *controller = m_mainWindowController.get();
    connect(controller, &MCMainWindowController::windowShouldClose, this, [this] { applicationShouldTerminate(); });
    connect(controller, &MCMainWindowController::quitRequested, this, [this] { applicationShouldTerminate(); });
    connect(controller, &MCMainWindowController::preferencesRequested, this, &MCAppDelegate::showPreferences);
    connect(controller, &MCMainWindowController::preferencesWithFilteringRequested, this,
            &MCAppDelegate::showPreferencesWithFiltering);
    connect(controller, &MCMainWindowController::preferencesWithGroupingPresetsRequested, this,
            &MCAppDelegate::showPreferencesWithGroupingPresets);
    connect(controller, &MCMainWindowController::tipsRequested, this, &MCAppDelegate::showHideTipsPalette);
    connect(controller, &MCMainWindowController::presetsFolderRequested, this, &MCAppDelegate::showPresetsFolder);
    controller->showWindow();

    if (MCTipsPaletteController::shouldShowTipsAfterLaunch() && !m_tipsController)
        showHideTipsPalette();

    if (!m_urlsToAdd.isEmpty()) {
        const QStringList paths = m_urlsToAdd;
        m_urlsToAdd.clear();
        controller->importItemsAtURLs(paths);
    }
}

void MCAppDelegate::openFiles(const QStringList &paths)
{
    if (m_mainWindowController && m_mainWindowController->hasAttachedSheet()) {
        beep();
        return;
    }
    QStringList absolute;
    for (const QString &path : paths)
        if (!path.isEmpty())
            absolute.append(QFileInfo(path).absoluteFilePath());
    if (m_mainWindowController) {
        m_mainWindowController->showWindow();
        if (!absolute.isEmpty())
            m_mainWindowController->importItemsAtURLs(absolute);
    } else {
        m_urlsToAdd = absolute;
    }
}

MCApplicationTerminateReply MCAppDelegate::applicationShouldTerminate()
{
    if (m_terminating)
        return MCTerminateLater;
    if (m_mainWindowController && m_mainWindowController->hasAttachedSheet()) {
        beep();
        return MCTerminateCancel;
    }
    m_terminating = true;
    // After the current event, as the platform defers it.
    QTimer::singleShot(0, this, &MCAppDelegate::finishTermination);
    return MCTerminateLater;
}

void MCAppDelegate::terminateWithoutAsking()
{
    m_terminating = true;
    finishTermination();
}

void MCAppDelegate::finishTermination()
{
    if (m_terminationFinished)
        return;
    m_terminationFinished = true;
    if (m_mainWindowController)
        m_mainWindowController->prepareToTerminate();
    MCStatisticsManager::sharedInstance().endSession();
    MCUserDefaults::standardUserDefaults().synchronize();
    if (m_quit)
        m_quit();
    else
        // Not quit(): that asks every window to close again, and the window's close button
        // leads back here. The screens have agreed; the event loops end.
        QCoreApplication::exit(0);
}

void MCAppDelegate::showHideTipsPalette()
{
    // The palette deletes itself once closed, which clears the pointer.
    if (m_tipsController)
        m_tipsController->hideTips();
    else
        m_tipsController = MCTipsPaletteController::showTips(this);
}

void MCAppDelegate::showPreferences()
{
    MCPreferencesWindowController::sharedInstance().showWindow(
        m_mainWindowController ? m_mainWindowController->window() : nullptr);
}

void MCAppDelegate::showPreferencesWithGroupingPresets()
{
    showPreferences();
    MCPreferencesWindowController::sharedInstance().showGroupingPresets();
}

void MCAppDelegate::showPreferencesWithFiltering()
{
    showPreferences();
    MCPreferencesWindowController::sharedInstance().showFiltering();
}

void MCAppDelegate::showPresetsFolder()
{
    const QString folder = MCPathManager::defaultManager().presetsFolderURL();
    if (!folder.isEmpty() && QFileInfo::exists(folder))
        MCWorkspace::sharedWorkspace().activateFileViewerSelectingURLs({folder});
}

void MCAppDelegate::beep()
{
    if (m_beep)
        m_beep();
    else
        QApplication::beep();
}
