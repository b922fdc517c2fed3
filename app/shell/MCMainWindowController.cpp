#include "app/shell/MCMainWindowController.h"

#include "app/dialogs/MCOperationDialogs.h"
#include "app/shell/MCPhotoListScreen.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStartViewController.h"
#include "app/uikit/MCColorQuillon.h"
#include "halvard/ui/MCAlert.h"
#include "halvard/ui/MCNavigationController.h"
#include "platform/core/MCUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMenuBar>
#include <QScreen>

const QString kMCMainWindowLaunchMoreThanOnceKey = QStringLiteral("MainWindowLaunchMoreThanOnce");
const QString kMCMainWindowFrameKey = QStringLiteral("MainWindowFrame");

// ---------------------------------------------------------------- window

MCMainWindow::MCMainWindow(MCMainWindowController *controller) : QMainWindow(nullptr), m_controller(controller)
{
    setObjectName(QStringLiteral("MCMainWindow"));
    setMinimumSize(760, 480);
}

QRectF MCMainWindow::separatorFrameForBounds(const QRectF &bounds)
{
    return QRectF(bounds.x(), bounds.y() + 22.0 - 1.0, bounds.width(), 1.0);
}

void MCMainWindow::closeEvent(QCloseEvent *event)
{
    // Once the application has decided to end, the window goes with it.
    if (!m_controller || m_controller->isTerminating()) {
        event->accept();
        return;
    }
    // Closing the one window ends the application, which decides whether it may.
    event->ignore();
    emit m_controller->windowShouldClose();
}

// ---------------------------------------------------------------- controller

MCMainWindowController::MCMainWindowController(QObject *parent)
    : MCMainWindowController(MCUserDefaults::standardUserDefaults(), parent)
{
}

MCMainWindowController::MCMainWindowController(MCUserDefaults &defaults, QObject *parent)
    : QObject(parent), m_defaults(defaults)
{
    m_window = new MCMainWindow(this);
    windowDidLoad();
}

MCMainWindowController::~MCMainWindowController()
{
    if (m_window) {
        // The screens' views belong to their controllers, not to the window.
        m_window->takeCentralWidget();
        delete m_window.data();
    }
    m_navigationController.reset();
}

void MCMainWindowController::windowDidLoad()
{
    m_window->resize(1100, 720);
    const QByteArray frame = QByteArray::fromBase64(m_defaults.stringForKey(kMCMainWindowFrameKey).toLatin1());
    if (!frame.isEmpty())
        m_window->restoreGeometry(frame);
    // The very first window of an installation fills the screen; later ones keep their frame.
    if (!m_defaults.objectForKey(kMCMainWindowLaunchMoreThanOnceKey).isValid()) {
        m_defaults.setBool(true, kMCMainWindowLaunchMoreThanOnceKey);
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
    }
    prepareContentController();
    buildMenus();
    m_startViewController = std::make_shared<MCStartViewController>(this);
    m_navigationController->pushViewController(m_startViewController, false);
    m_appearanceObservation = m_defaults.observe(kMCAperanceKindKey,
                                                 [this](MCObservable &, const QString &, const MCKeyValueChange &) {
                                                     appearanceDidChange();
                                                 });
}

void MCMainWindowController::prepareContentController()
{
    if (m_navigationController)
        return;
    m_navigationController = std::make_shared<MCNavigationController>();
    QWidget *content = m_navigationController->view();
    content->setAutoFillBackground(true);
    m_window->setCentralWidget(content);
}

void MCMainWindowController::buildMenus()
{
    QMenuBar *bar = m_window->menuBar();
    QMenu *file = bar->addMenu(tr("&File"));
    m_addAction = file->addAction(tr("Add Photos…"), this, &MCMainWindowController::addPhotosToList);
    m_addAction->setShortcut(QKeySequence::Open);
    addCommand(file, tr("Remove from Photo List…"), MCPhotoListCommand::RemovePhotosFromList,
               QKeySequence(Qt::CTRL | Qt::Key_Backspace));
    m_clearAction = file->addAction(tr("Clear Photo List…"), this, &MCMainWindowController::clearPhotosList);
    file->addSeparator();
    addCommand(file, tr("Copy to Folder…"), MCPhotoListCommand::CopySelectedItemsToFolder);
    addCommand(file, tr("Copy to Folder and Rename…"), MCPhotoListCommand::CopySelectedItemsToFolderAndRename);
    addCommand(file, tr("Move to Folder…"), MCPhotoListCommand::MoveSelectedItemsToFolder);
    addCommand(file, tr("Move to Folder and Rename…"), MCPhotoListCommand::MoveSelectedItemsToFolderAndRename);
    file->addSeparator();
    file->addAction(tr("Show Presets Folder"), this, &MCMainWindowController::presetsFolderRequested);
    file->addSeparator();
    QAction *quit = file->addAction(tr("Quit"), this, &MCMainWindowController::quitRequested);
    // The platform's Quit keys; Ctrl+Q where its key scheme has none.
    const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    quit->setShortcuts(quitKeys.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)} : quitKeys);
    quit->setMenuRole(QAction::QuitRole);

    QMenu *edit = bar->addMenu(tr("&Edit"));
    addCommand(edit, tr("Paste GPS Location"), MCPhotoListCommand::PasteGPSLocation,
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    edit->addSeparator();
    QAction *preferences = edit->addAction(tr("Preferences…"), this, &MCMainWindowController::preferencesRequested);
    preferences->setShortcut(QKeySequence::Preferences);
    if (preferences->shortcut().isEmpty())
        preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);

    QMenu *photos = bar->addMenu(tr("&Photos"));
    addCommand(photos, tr("Convert…"), MCPhotoListCommand::ShowConvertSettingsForAllItems,
               QKeySequence(Qt::CTRL | Qt::Key_Return));
    addCommand(photos, tr("Convert Selected Only…"), MCPhotoListCommand::ShowConvertSettingsForSelectedItems,
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Return));
    photos->addSeparator();
    addCommand(photos, tr("Rename…"), MCPhotoListCommand::RenameSelectedItems, QKeySequence(Qt::CTRL | Qt::Key_R));
    addCommand(photos, tr("Edit Metadata…"), MCPhotoListCommand::EditMetadataForSelectedItems,
               QKeySequence(Qt::CTRL | Qt::Key_E));
    photos->addSeparator();
    addCommand(photos, tr("Set Creation Date to Capture Date"),
               MCPhotoListCommand::SetCreationDateFromCaptureDateForSelectedItems);
    addCommand(photos, tr("Set Creation and Modification Dates to Capture Date"),
               MCPhotoListCommand::SetCreationAndModificationDateFromCaptureDateForSelectedItems);
    photos->addSeparator();
    addCommand(photos, tr("Quick Look"), MCPhotoListCommand::QuickLook, QKeySequence(Qt::CTRL | Qt::Key_Y));
    QAction *openWith = addCommand(photos, tr("Open With"), MCPhotoListCommand::OpenWith);
    m_openWithMenu = new QMenu(m_window);
    openWith->setMenu(m_openWithMenu);
    connect(m_openWithMenu, &QMenu::aboutToShow, this, [this] {
        m_openWithMenu->clear();
        if (photoListReceivesCommands())
            m_photoListViewController->buildOpenWithMenu(m_openWithMenu);
    });

    QMenu *view = bar->addMenu(tr("&View"));
    addCommand(view, tr("Photo List"), MCPhotoListCommand::ShowPhotoList)->setCheckable(true);
    view->addSeparator();
    addCommand(view, tr("Show Groups"), MCPhotoListCommand::ToggleGroupsPanel,
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_G));
    addCommand(view, tr("Show Image Info"), MCPhotoListCommand::ToggleImageInfo,
               QKeySequence(Qt::CTRL | Qt::Key_I));
    addCommand(view, tr("Filter"), MCPhotoListCommand::ToggleFilterPanel, QKeySequence::Find);
    m_pathBarAction = view->addAction(pathBarMenuTitle(), this, &MCMainWindowController::showHidePathBar);

    QMenu *help = bar->addMenu(tr("&Help"));
    help->addAction(tr("Tips"), this, &MCMainWindowController::tipsRequested);

    for (QMenu *menu : {file, edit, photos, view, help})
        connect(menu, &QMenu::aboutToShow, this, &MCMainWindowController::validateMenuItems);
    validateMenuItems();
}

QAction *MCMainWindowController::addCommand(QMenu *menu, const QString &title, MCPhotoListCommand command,
                                            const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(title);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, command] {
        // A shortcut may fire before a menu was opened: validate once more.
        QAction *item = m_commandActions.value(command);
        if (photoListReceivesCommands() && (!item || m_photoListViewController->validateMenuItem(command, item)))
            m_photoListViewController->performCommand(command);
        validateMenuItems();
    });
    m_commandActions.insert(command, action);
    return action;
}

QAction *MCMainWindowController::commandAction(MCPhotoListCommand command) const
{
    return m_commandActions.value(command);
}

bool MCMainWindowController::photoListReceivesCommands() const
{
    return m_photoListViewController && m_navigationController &&
           m_navigationController->containsChildViewController(m_photoListViewController.get());
}

void MCMainWindowController::validateMenuItems()
{
    if (m_pathBarAction) {
        m_pathBarAction->setText(pathBarMenuTitle());
        m_pathBarAction->setEnabled(true);
    }
    if (m_clearAction)
        m_clearAction->setEnabled(canClearPhotosList());
    const bool photoList = photoListReceivesCommands();
    for (auto it = m_commandActions.constBegin(); it != m_commandActions.constEnd(); ++it) {
        QAction *item = it.value();
        const bool enabled = photoList && m_photoListViewController->validateMenuItem(it.key(), item);
        item->setEnabled(enabled);
        if (!photoList && item->isCheckable())
            item->setChecked(false);
    }
}

MCViewController *MCMainWindowController::topViewController() const
{
    return m_navigationController ? m_navigationController->topViewController() : nullptr;
}

void MCMainWindowController::showWindow()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool MCMainWindowController::hasAttachedSheet() const
{
    if (QApplication::activeModalWidget())
        return true;
    if (!m_window)
        return false;
    const auto dialogs = m_window->findChildren<QDialog *>();
    for (QDialog *dialog : dialogs)
        if (dialog->isVisible() && dialog->isWindow() && dialog->windowModality() != Qt::NonModal)
            return true;
    return false;
}

void MCMainWindowController::prepareToTerminate()
{
    if (m_terminating)
        return;
    m_terminating = true;
    if (MCViewController *top = topViewController())
        top->viewControllerWillDisappear(false);
    m_appearanceObservation.invalidate();
    if (m_window)
        m_defaults.setObject(QString::fromLatin1(m_window->saveGeometry().toBase64()), kMCMainWindowFrameKey);
}

void MCMainWindowController::showHidePathBar()
{
    m_defaults.setBool(!m_defaults.boolForKey(kMCPathBarIsHiddenKey), kMCPathBarIsHiddenKey);
    validateMenuItems();
}

QString MCMainWindowController::pathBarMenuTitle() const
{
    return m_defaults.boolForKey(kMCPathBarIsHiddenKey) ? tr("Show Path Bar") : tr("Hide Path Bar");
}

bool MCMainWindowController::canClearPhotosList() const
{
    return m_photoListViewController && MCFileContainer::sharedContainer().numberOfFiles() > 0;
}

void MCMainWindowController::clearPhotosList()
{
    if (!canClearPhotosList())
        return;
    MCAlert alert = MCAlert::alertWithMessageText(
        tr("Are you sure you want to clear the photo list?"),
        tr("Click Clear button if you want to clear the photo list and start from scratch."), tr("Clear"),
        tr("Cancel"));
    alert.setCritical(true);
    if (alert.runModal(m_window) == MCAlertFirstButtonReturn)
        performClearPhotoList();
}

void MCMainWindowController::performClearPhotoList()
{
    if (!m_photoListViewController)
        return;
    // Only the Convert screen lies above the photo list.
    if (topViewController() != m_photoListViewController.get() &&
        m_navigationController->containsChildViewController(m_photoListViewController.get()))
        m_navigationController->popToViewController(m_photoListViewController.get(), false);
    m_photoListViewController->clearPhotosList();
    validateMenuItems();
}

void MCMainWindowController::pushScreen(const std::shared_ptr<MCViewController> &screen, bool animated)
{
    m_navigationController->pushViewController(screen, animated);
}

bool MCMainWindowController::canShowConvertOptions() const
{
    return MCConvertOptionsViewController::isAvailable();
}

void MCMainWindowController::showConvertOptionsForItems(const MCFileList &items)
{
    std::shared_ptr<MCConvertOptionsViewController> screen =
        MCConvertOptionsViewController::controllerWithMainController(this, items);
    if (screen)
        pushScreen(screen, true);
}

bool MCMainWindowController::showPhotoListUpdatingFiles(const MCFileList &files)
{
    if (!m_photoListViewController) {
        m_photoListViewController = MCPhotoListScreen::makeScreen(this);
        if (m_photoListViewController)
            connect(m_photoListViewController.get(), &MCPhotoListScreen::commandsChanged, this,
                    &MCMainWindowController::validateMenuItems);
    }
    // No photo list screen installed (a build or test without the photo browser): nothing
    // shows or reads the files, so the start screen stays. Every other path checks for the
    // missing screen too: imports go to the start screen, the photo list's commands stay off
    // and Clear Photo List is not offered.
    if (!m_photoListViewController)
        return false;
    if (topViewController() != m_photoListViewController.get())
        m_navigationController->showViewController(m_photoListViewController, true);
    m_photoListViewController->updatePhotos(files);
    validateMenuItems();
    return true;
}

void MCMainWindowController::importItemsAtURLs(const QStringList &paths)
{
    MCViewController *top = topViewController();
    const bool photoListOnStack =
        m_photoListViewController && m_navigationController->containsChildViewController(m_photoListViewController.get());
    if (photoListOnStack && top != m_photoListViewController.get() && top != m_startViewController.get()) {
        // A screen above the photo list (the Convert screen) gives way to it.
        m_navigationController->popToViewController(m_photoListViewController.get(), true);
        m_photoListViewController->importItemsAtURLs(paths);
    } else if (photoListOnStack && top == m_photoListViewController.get()) {
        m_photoListViewController->importItemsAtURLs(paths);
    } else {
        m_startViewController->importItemsAtURLs(paths);
    }
}

void MCMainWindowController::addPhotosToList()
{
    if (m_photoListViewController && topViewController() == m_photoListViewController.get())
        m_photoListViewController->addPhotosToList();
    else if (topViewController() == m_startViewController.get())
        m_startViewController->addPhotosToList();
}

void MCMainWindowController::appearanceDidChange()
{
    if (!m_window)
        return;
    // Themed views read the theme's colours as they paint: a repaint re-tints them, the sheet's too.
    m_window->update();
    if (QWidget *content = m_window->centralWidget())
        content->update();
    const auto dialogs = m_window->findChildren<QDialog *>();
    for (QDialog *dialog : dialogs)
        if (dialog->isVisible())
            dialog->update();
}
