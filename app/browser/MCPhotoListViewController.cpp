#include "app/browser/MCPhotoListViewController.h"

#include "app/browser/MCBrowserItemCell.h"
#include "app/browser/MCInfoPanelViewController.h"
#include "app/dialogs/MCOperationDialogs.h"
#include "app/library/MCImportOperation.h"
#include "app/library/MCUpdateOperation.h"
#include "app/shell/MCImportSupport.h"
#include "app/shell/MCMainWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCSlider.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/system/MCSandboxHelper.h"
#include "halvard/ui/MCAlert.h"
#include "halvard/ui/MCNavigationController.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCOperationQueue.h"
#include "platform/core/MCUserDefaults.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

// ---------------------------------------------------------------- size filters and limits

double MCMinimumImageSideForSetting(double m)
{
    if (!(m > 0))
        return 0;
    return std::ceil(m * m * 10000.0 / 16.0) * 16.0;
}

bool MCIsImageSizeFit(double minImageSize, double width, double height)
{
    const double threshold = MCMinimumImageSideForSetting(minImageSize);
    if (threshold <= 0)
        return true;
    return threshold <= width && threshold <= height;
}

bool MCIsFileSizeFit(double minFileSize, qint64 unit, quint64 fileSize)
{
    if (!(minFileSize > 0) || quint64(unit) > 4)
        return true;
    // Rounded half away from zero, in thousandths of the unit for every unit above bytes.
    const long double base = unit == 0 ? std::round((long double)minFileSize)
                                       : std::round((long double)minFileSize * 1000.0L);
    static const long double factors[] = {1.0L, 1.0L, 1000.0L, 1e6L, 1e9L};
    const long double minimum = base * factors[unit];
    if (minimum <= 0)
        return true;
    // A minimum beyond any file size lets nothing through.
    if (minimum >= (long double)std::numeric_limits<quint64>::max())
        return false;
    return fileSize >= quint64(minimum);
}

double MCPhotoListConstrainMinCoordinate(double proposed, double width, int divider)
{
    if (divider == 0)
        return std::max(proposed, 200.0);
    if (divider == 1)
        return std::max(proposed, width - 345.0);
    return proposed;
}

double MCPhotoListConstrainMaxCoordinate(double proposed, double width, int divider)
{
    if (divider == 0)
        return std::min(proposed, 300.0);
    if (divider == 1)
        return std::min(proposed, width - 264.0);
    return proposed;
}

namespace {

enum Pane { TreePane = 0, BrowserPane = 1, InfoPane = 2 };

// The tool bar's pictures, drawn in white so they take the button's look.
enum class ToolbarImage { Add, Groups, Filter, Clear, Metadata, Rename, Info, Convert };

QIcon toolbarIcon(ToolbarImage kind)
{
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(20 * scale, 20 * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        switch (kind) {
        case ToolbarImage::Add:
            p.drawEllipse(QRectF(2.5, 2.5, 15, 15));
            p.drawLine(QPointF(10, 6), QPointF(10, 14));
            p.drawLine(QPointF(6, 10), QPointF(14, 10));
            break;
        case ToolbarImage::Groups:
            p.drawRoundedRect(QRectF(2.5, 3.5, 15, 13), 2, 2);
            p.drawLine(QPointF(7.5, 3.5), QPointF(7.5, 16.5));
            break;
        case ToolbarImage::Filter: {
            QPainterPath funnel;
            funnel.moveTo(3, 4);
            funnel.lineTo(17, 4);
            funnel.lineTo(11.5, 10.5);
            funnel.lineTo(11.5, 16);
            funnel.lineTo(8.5, 14.5);
            funnel.lineTo(8.5, 10.5);
            funnel.closeSubpath();
            p.drawPath(funnel);
            break;
        }
        case ToolbarImage::Clear:
            p.drawLine(QPointF(3.5, 5.5), QPointF(16.5, 5.5));
            p.drawLine(QPointF(8, 3.5), QPointF(12, 3.5));
            p.drawRoundedRect(QRectF(5, 5.5, 10, 11.5), 1.5, 1.5);
            p.drawLine(QPointF(8.5, 8.5), QPointF(8.5, 14));
            p.drawLine(QPointF(11.5, 8.5), QPointF(11.5, 14));
            break;
        case ToolbarImage::Metadata: {
            QPainterPath tag;
            tag.moveTo(3, 3);
            tag.lineTo(10, 3);
            tag.lineTo(17, 10);
            tag.lineTo(10, 17);
            tag.lineTo(3, 10);
            tag.closeSubpath();
            p.drawPath(tag);
            p.drawEllipse(QPointF(6.8, 6.8), 1.3, 1.3);
            break;
        }
        case ToolbarImage::Rename:
            p.drawRoundedRect(QRectF(2.5, 6, 15, 8), 1.5, 1.5);
            p.drawLine(QPointF(12.5, 3), QPointF(12.5, 17));
            p.drawLine(QPointF(10.5, 3), QPointF(14.5, 3));
            p.drawLine(QPointF(10.5, 17), QPointF(14.5, 17));
            break;
        case ToolbarImage::Info:
            p.drawEllipse(QRectF(2.5, 2.5, 15, 15));
            p.drawLine(QPointF(10, 9), QPointF(10, 14));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(10, 6.2), 0.6, 0.6);
            break;
        case ToolbarImage::Convert:
            p.drawRoundedRect(QRectF(2.5, 4.5, 9, 11), 1.5, 1.5);
            p.drawLine(QPointF(11.5, 10), QPointF(17.5, 10));
            p.drawLine(QPointF(14.5, 7), QPointF(17.5, 10));
            p.drawLine(QPointF(14.5, 13), QPointF(17.5, 10));
            break;
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A container pane that paints its background (the panes' own views fill it).
QWidget *paneContainer(const QString &name, QWidget *content = nullptr)
{
    auto *container = new MCDarkBackgroundView;
    container->setObjectName(name);
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (content)
        layout->addWidget(content);
    return container;
}


} // namespace

// ---------------------------------------------------------------- file operations' host

class MCPhotoListViewController::FileOperationsHost : public MCPhotoListFileOperationsHost
{
public:
    explicit FileOperationsHost(MCPhotoListViewController &screen) : m_screen(screen) {}
    QWidget *hostWindow() override { return m_screen.view()->window(); }
    MCFileList selectedItems() override { return m_screen.selectedItems(); }
    void removeFiles(const MCFileList &files) override { MCFileContainer::sharedContainer().removeFiles(files); }
    void importItemsAtURLs(const QStringList &paths) override { m_screen.importItemsAtURLs(paths); }
    void noteItemsWereUpdated(const MCFileList &files) override
    {
        m_screen.treePanelViewController()->noteItemsWereUpdated(files);
    }
    void reloadInfoPanel() override { m_screen.reloadInfoPanel(); }
    void redisplayBrowser() override
    {
        if (MCBrowserView *grid = m_screen.browserViewController()->browserView())
            grid->viewport()->update();
    }
    bool skipsActions() const override { return m_screen.skipsActions(); }

private:
    MCPhotoListViewController &m_screen;
};

// ---------------------------------------------------------------- set-up

MCPhotoListViewController::MCPhotoListViewController(MCMainWindowController *mainController, MCUserDefaults *defaults,
                                                     QObject *parent)
    : MCPhotoListScreen(parent),
      m_mainController(mainController),
      m_defaults(defaults ? *defaults : MCUserDefaults::standardUserDefaults()),
      m_observer(std::make_unique<QObject>())
{
    m_fileOperationsHost = std::make_unique<FileOperationsHost>(*this);
    m_fileOperations = std::make_unique<MCPhotoListFileOperations>(*m_fileOperationsHost, &m_defaults);
    if (MCEditMetadataDialog::isAvailable()) {
        m_fileOperations->setEditMetadataDialogRunner(
            [](const MCFileList &items,
               QWidget *window) -> std::optional<std::pair<MCFileList, std::shared_ptr<MCMetadataConverter>>> {
                std::unique_ptr<MCEditMetadataDialog> dialog = MCEditMetadataDialog::dialogWithItems(items, nullptr);
                if (!dialog || MCPhotoListFileOperations::runSheetAndWait(*dialog, window) != 1000)
                    return std::nullopt;
                return std::make_pair(dialog->items(), dialog->converter());
            });
    }
}

MCPhotoListViewController::~MCPhotoListViewController()
{
    MCNotificationCenter::defaultCenter().removeObserver(m_observer.get());
    if (m_missingCheckQueue) {
        m_missingCheckQueue->cancelAllOperations();
        m_missingCheckQueue->waitUntilAllOperationsAreFinished();
    }
    cancelLoadingOperations();
    m_loadingOperationQueue.reset();
    if (m_browserViewController)
        m_browserViewController->setParentController(nullptr);
    if (m_treePanelViewController)
        m_treePanelViewController->setDelegate(nullptr);
    if (m_overlayView)
        m_overlayView->setDelegate(nullptr);
    if (m_observedWindow)
        m_observedWindow->removeEventFilter(this);
}

void MCPhotoListViewController::installAsPhotoListScreen()
{
    MCPhotoListScreen::setFactory(
        [](MCMainWindowController *owner) { return std::make_shared<MCPhotoListViewController>(owner); });
}

MCMainWindowController *MCPhotoListViewController::mainController() const { return m_mainController.data(); }

QWidget *MCPhotoListViewController::loadView()
{
    m_overlayView = new MCOverlayDroppableView;
    m_overlayView->setObjectName(nibName());
    m_overlayView->setAutoFillBackground(true);
    QPalette palette = m_overlayView->palette();
    palette.setColor(QPalette::Window, MCColorQuillon::browserViewBackgroundColor());
    m_overlayView->setPalette(palette);
    auto *layout = new QVBoxLayout(m_overlayView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_toolbarContainerView = buildToolbar();
    layout->addWidget(m_toolbarContainerView);

    auto *split = new MCDarkSplitView(Qt::Horizontal);
    split->setObjectName(QStringLiteral("splitView"));
    split->setHandleWidth(1);
    split->setChildrenCollapsible(true);
    m_treeContainerView = paneContainer(QStringLiteral("treeContainerView"));
    m_browserContainerView = paneContainer(QStringLiteral("browserContainerView"));
    m_infoContainerView = paneContainer(QStringLiteral("infoContainerView"));
    // The tree pane 200 to 300 points, the info pane 264 to 345; the grid takes the rest and
    // every change of the window's width.
    m_treeContainerView->setMinimumWidth(200);
    m_treeContainerView->setMaximumWidth(300);
    m_infoContainerView->setMinimumWidth(264);
    m_infoContainerView->setMaximumWidth(345);
    m_browserContainerView->setMinimumWidth(200);
    split->addWidget(m_treeContainerView);
    split->addWidget(m_browserContainerView);
    split->addWidget(m_infoContainerView);
    split->setCollapsible(TreePane, true);
    split->setCollapsible(BrowserPane, false);
    split->setCollapsible(InfoPane, true);
    split->setStretchFactor(TreePane, 0);
    split->setStretchFactor(BrowserPane, 1);
    split->setStretchFactor(InfoPane, 0);
    split->setSizes({int(m_treePaneWidth), 600, int(m_infoPaneWidth)});
    connect(split, &QSplitter::splitterMoved, this, [this] { splitViewDidResizeSubviews(); });
    m_splitView = split;
    layout->addWidget(split, 1);
    return m_overlayView;
}

QWidget *MCPhotoListViewController::buildToolbar()
{
    auto *toolbar = new MCToolbarBackgroundView;
    toolbar->setObjectName(QStringLiteral("toolbarContainerView"));
    auto *layout = new QHBoxLayout(toolbar);
    layout->setContentsMargins(10, 5, 10, 5);
    layout->setSpacing(4);
    auto button = [&](const QString &title, ToolbarImage image, auto slot, bool checkable = false) {
        auto *b = new MCToolbarButtonCell(title);
        b->setIcon(toolbarIcon(image));
        b->setAccessibleName(title);
        b->setFocusPolicy(Qt::StrongFocus);
        b->setCheckable(checkable);
        connect(b, &QAbstractButton::clicked, this, slot);
        layout->addWidget(b);
        return b;
    };
    m_addButton = button(tr("Add"), ToolbarImage::Add, [this] { addPhotosToList(); });
    m_addButton->setToolTip(tr("Add photos or folders to the list"));
    m_groupsButton = button(tr("Groups"), ToolbarImage::Groups, [this] { toggleGroupsPanel(); }, true);
    layout->addSpacing(12);
    m_filterButton = button(tr("Filter"), ToolbarImage::Filter, [this] { toggleFilterPanel(); });
    m_clearListButton = button(tr("Clear List"), ToolbarImage::Clear, [this] { clearPhotosListDidClick(); });
    layout->addStretch(1);
    m_zoomSlider = new MCSlider;
    m_zoomSlider->setCell(std::make_unique<MCZoomSliderCell>());
    m_zoomSlider->setMinValue(zoomMin());
    m_zoomSlider->setMaxValue(zoomMax());
    m_zoomSlider->setDoubleValue(m_defaults.doubleForKey(kMCPhotoListScaleKey));
    m_zoomSlider->setFixedWidth(120);
    m_zoomSlider->setAccessibleName(tr("Thumbnail size"));
    m_zoomSlider->setFocusPolicy(Qt::StrongFocus);
    connect(m_zoomSlider, &MCSlider::doubleValueChanged, this, [this](double value) {
        if (m_browserViewController && std::abs(zoomValue() - value) > 1e-9)
            setZoomValue(value);
    });
    layout->addWidget(m_zoomSlider);
    layout->addStretch(1);
    m_editEXIFButton = button(tr("Edit Metadata"), ToolbarImage::Metadata,
                              [this] { performCommand(MCPhotoListCommand::EditMetadataForSelectedItems); });
    m_renameButton =
        button(tr("Rename"), ToolbarImage::Rename, [this] { performCommand(MCPhotoListCommand::RenameSelectedItems); });
    layout->addSpacing(12);
    m_infoButton = button(tr("Info"), ToolbarImage::Info, [this] { toggleImageInfo(); }, true);
    m_convertButton = button(tr("Convert"), ToolbarImage::Convert, [this] { convertButtonClicked(); });
    m_convertButton->setToolTip(tr("Hold Alt to convert the selected photos only"));
    return toolbar;
}

void MCPhotoListViewController::viewControllerDidLoad()
{
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    const void *container = &MCFileContainer::sharedContainer();
    center.addObserver(m_observer.get(), kMCFileContainerDidAddFiles, container,
                       [this](const MCNotification &notification) {
                           fileContainerDidAddFiles(MCFileContainer::filesFromUserInfo(notification.userInfo));
                       });
    center.addObserver(m_observer.get(), kMCFileContainerDidRemoveFiles, container,
                       [this](const MCNotification &notification) {
                           fileContainerDidRemoveFiles(MCFileContainer::filesFromUserInfo(notification.userInfo));
                       });
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            &MCPhotoListViewController::applyTheme);

    m_loadingOperationQueue = std::make_unique<MCOperationQueue>();
    m_loadingOperationQueue->setName(QStringLiteral("Photo list loading"));
    m_loadingOperationQueue->setMaxConcurrentOperationCount(1);

    m_treePanelViewController = std::make_shared<MCTreePanelViewController>();
    m_treePanelViewController->setDelegate(this);
    m_treeContainerView->layout()->addWidget(m_treePanelViewController->view());
    if (m_mainController)
        connect(m_treePanelViewController.get(), &MCTreePanelViewController::showPreferencesWithGroupingPresets,
                m_mainController.data(), &MCMainWindowController::preferencesWithGroupingPresetsRequested);

    m_infoPanelViewController = std::make_shared<MCInfoPanelViewController>();
    m_infoContainerView->layout()->addWidget(m_infoPanelViewController->view());

    m_browserViewController = std::make_shared<MCBrowserViewController>();
    m_browserViewController->setHasFilterPanel(true);
    m_browserViewController->setZoomMin(zoomMin());
    m_browserViewController->setZoomMax(zoomMax());
    m_browserViewController->setZoomValue(0.5);
    m_browserViewController->setParentController(this);
    m_browserViewController->setGroups(m_treePanelViewController->selectedGroups());
    m_browserContainerView->layout()->addWidget(m_browserViewController->view());
    applyTheme();
    m_browserViewController->browserView()->setShowsGroupHeaders(true);
    m_browserViewController->browserView()->reloadData();
    if (m_zoomSlider)
        m_zoomSlider->setDoubleValue(zoomValue());

    m_overlayView->setDelegate(this);

    updateToolbarButtons();
    restoreSplitViewState();
}

void MCPhotoListViewController::applyTheme()
{
    if (!m_browserViewController)
        return;
    MCBrowserView *grid = m_browserViewController->browserView();
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, MCColorQuillon::browserViewBackgroundColor());
    grid->setPalette(palette);
    grid->viewport()->setPalette(palette);
    grid->setSelectionFillColor(MCColorQuillon::browserSelectingRectFillColor());
    grid->setSelectionStrokeColor(MCColorQuillon::browserSelectingRectStrokeColor());
    if (auto *header = dynamic_cast<MCBrowserHeaderCell *>(grid->headerCell())) {
        header->setBackgroundFillColor(MCColorQuillon::browserHeaderCellFillColor());
        header->setBackgroundStrokeColor(MCColorQuillon::browserHeaderCellStrokeColor());
    }
    grid->viewport()->update();
}

// ---------------------------------------------------------------- appearing

void MCPhotoListViewController::viewControllerWillAppear(bool animated)
{
    MCPhotoListScreen::viewControllerWillAppear(animated);
    m_browserViewController->viewControllerWillAppear(animated);
    updateToolbarButtons();
}

void MCPhotoListViewController::viewControllerDidAppear(bool animated)
{
    MCPhotoListScreen::viewControllerDidAppear(animated);
    m_browserViewController->browserView()->setFocus(Qt::OtherFocusReason);
    QWidget *window = view()->window();
    if (window && window != view()) {
        window->setWindowTitle(tr("Quillon - Photo Browser"));
        if (m_observedWindow != window) {
            if (m_observedWindow)
                m_observedWindow->removeEventFilter(this);
            m_observedWindow = window;
            window->installEventFilter(this);
        }
    }
    m_skipsActions = false;
    if (!m_paneWidthsApplied)
        applyPaneWidths();
    m_browserViewController->viewControllerDidAppear(animated);
    emit commandsChanged();
}

void MCPhotoListViewController::viewControllerWillDisappear(bool animated)
{
    MCPhotoListScreen::viewControllerWillDisappear(animated);
    if (m_observedWindow) {
        m_observedWindow->removeEventFilter(this);
        m_observedWindow = nullptr;
    }
    m_isOptionKeyPressed = false;
    m_skipsActions = true;
    m_browserViewController->viewControllerWillDisappear(animated);
}

void MCPhotoListViewController::viewControllerDidDisappear(bool animated)
{
    MCPhotoListScreen::viewControllerDidDisappear(animated);
    m_browserViewController->viewControllerDidDisappear(animated);
    emit commandsChanged();
}

bool MCPhotoListViewController::eventFilter(QObject *watched, QEvent *event)
{

    if (watched == m_observedWindow) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto *key = static_cast<QKeyEvent *>(event);
            Qt::KeyboardModifiers modifiers = key->modifiers();
            // The event of the Alt key itself carries the state before it changed.
            if (key->key() == Qt::Key_Alt)
                modifiers = event->type() == QEvent::KeyPress ? (modifiers | Qt::AltModifier)
                                                              : (modifiers & ~Qt::AltModifier);
            flagsChanged(modifiers);
            break;
        }
        case QEvent::WindowDeactivate:
            windowDidResignKey();
            break;
        case QEvent::WindowActivate:
            // Photos deleted elsewhere while we were away leave the list.
            removeMissingPhotos();
            break;
        default:
            break;
        }
    }
    return MCPhotoListScreen::eventFilter(watched, event);
}

// ---------------------------------------------------------------- panes

bool MCPhotoListViewController::isInfoPanelVisible() const { return m_defaults.boolForKey(kMCInfoPanelIsVisibleKey); }

void MCPhotoListViewController::setInfoPanelVisible(bool visible)
{
    m_defaults.setBool(visible, kMCInfoPanelIsVisibleKey);
    updateInfoPanel();
}

bool MCPhotoListViewController::isTreePanelVisible() const { return m_defaults.boolForKey(kMCTreePanelIsVisibleKey); }

void MCPhotoListViewController::setTreePanelVisible(bool visible) { m_defaults.setBool(visible, kMCTreePanelIsVisibleKey); }

void MCPhotoListViewController::restoreSplitViewState()
{
    const bool info = isInfoPanelVisible();
    const bool tree = isTreePanelVisible();
    setInfoPanelVisible(info);
    setTreePanelVisible(tree);
    info ? expandInfoPanel() : collapseInfoPanel();
    setInfoButtonState(info);
    tree ? expandTreePanel() : collapseTreePanel();
    if (m_groupsButton)
        m_groupsButton->setChecked(tree);
    emit commandsChanged();
}

void MCPhotoListViewController::toggleImageInfo()
{
    const bool visible = !isInfoPanelVisible();
    setInfoPanelVisible(visible);
    visible ? expandInfoPanel() : collapseInfoPanel();
    setInfoButtonState(visible);
    emit commandsChanged();
}

void MCPhotoListViewController::toggleGroupsPanel()
{
    const bool visible = !isTreePanelVisible();
    setTreePanelVisible(visible);
    visible ? expandTreePanel() : collapseTreePanel();
    if (m_groupsButton)
        m_groupsButton->setChecked(visible);
    emit commandsChanged();
}

void MCPhotoListViewController::setInfoButtonState(bool on)
{
    if (m_infoButton)
        m_infoButton->setChecked(on);
}

bool MCPhotoListViewController::isPaneCollapsed(int index) const
{
    if (!m_splitView)
        return true;
    const QList<int> sizes = m_splitView->sizes();
    return index >= sizes.size() || sizes.at(index) <= 0;
}

void MCPhotoListViewController::setPaneCollapsed(int index, bool collapsed)
{
    if (!m_splitView)
        return;
    QList<int> sizes = m_splitView->sizes();
    if (sizes.size() != 3)
        return;
    const int total = sizes[0] + sizes[1] + sizes[2];
    double &width = index == TreePane ? m_treePaneWidth : m_infoPaneWidth;
    // A pane remembers its width while it is shut, so it opens as wide as it was.
    if (collapsed && sizes[index] > 0 && m_paneWidthsApplied)
        width = sizes[index];
    sizes[index] = collapsed ? 0 : int(width);
    sizes[BrowserPane] = std::max(0, total - sizes[TreePane] - sizes[InfoPane]);
    m_splitView->setSizes(sizes);
}

void MCPhotoListViewController::applyPaneWidths()
{
    // Until the screen is shown at its size, the layout squeezes the side panes to their least;
    // their widths are given once it is.
    m_paneWidthsApplied = true;
    QList<int> sizes = m_splitView->sizes();
    if (sizes.size() != 3)
        return;
    const int total = sizes[0] + sizes[1] + sizes[2];
    if (sizes[TreePane] > 0)
        sizes[TreePane] = int(m_treePaneWidth);
    if (sizes[InfoPane] > 0)
        sizes[InfoPane] = int(m_infoPaneWidth);
    sizes[BrowserPane] = std::max(0, total - sizes[TreePane] - sizes[InfoPane]);
    m_splitView->setSizes(sizes);
}

void MCPhotoListViewController::expandInfoPanel() { setPaneCollapsed(InfoPane, false); }
void MCPhotoListViewController::collapseInfoPanel() { setPaneCollapsed(InfoPane, true); }
void MCPhotoListViewController::expandTreePanel() { setPaneCollapsed(TreePane, false); }
void MCPhotoListViewController::collapseTreePanel() { setPaneCollapsed(TreePane, true); }

void MCPhotoListViewController::splitViewDidResizeSubviews()
{
    // The widths the user gave the open panes are the ones they reopen with.
    if (m_splitView && m_paneWidthsApplied) {
        const QList<int> sizes = m_splitView->sizes();
        if (sizes.size() == 3 && sizes[TreePane] > 0)
            m_treePaneWidth = sizes[TreePane];
        if (sizes.size() == 3 && sizes[InfoPane] > 0)
            m_infoPaneWidth = sizes[InfoPane];
    }
    const bool infoShown = !isPaneCollapsed(InfoPane);
    if (infoShown != isInfoPanelVisible())
        m_defaults.setBool(infoShown, kMCInfoPanelIsVisibleKey);
    const bool treeShown = !isPaneCollapsed(TreePane);
    if (treeShown != isTreePanelVisible())
        m_defaults.setBool(treeShown, kMCTreePanelIsVisibleKey);
    setInfoButtonState(infoShown);
    if (m_groupsButton)
        m_groupsButton->setChecked(treeShown);
    emit commandsChanged();
}

void MCPhotoListViewController::updateInfoPanel()
{
    if (!isInfoPanelVisible() || !m_infoPanelViewController || !m_browserViewController)
        return;
    m_infoPanelViewController->setPreviewItem(m_browserViewController->firstSelectedItem());
}

void MCPhotoListViewController::reloadInfoPanel()
{
    if (!m_infoPanelViewController)
        return;
    m_infoPanelViewController->setPreviewItem(nullptr);
    updateInfoPanel();
}

// ---------------------------------------------------------------- selection and contents

bool MCPhotoListViewController::hasSelectedItems() const
{
    return m_browserViewController && m_browserViewController->hasSelectedItems();
}

MCFileList MCPhotoListViewController::selectedItems() const
{
    return m_browserViewController ? m_browserViewController->selectedItems() : MCFileList();
}

bool MCPhotoListViewController::hasItems() const
{
    return m_browserViewController && m_browserViewController->numberOfItems() != 0;
}

MCFileList MCPhotoListViewController::allItems() const
{
    MCFileList items;
    if (!m_browserViewController)
        return items;
    for (const auto &group : m_browserViewController->filteredGroups())
        items.append(group->items());
    return items;
}

bool MCPhotoListViewController::isGroupSelected(const MCGroupPtr &group) const
{
    if (!group || !m_browserViewController)
        return false;
    for (const MCGroupPtr &shown : m_browserViewController->groups())
        if (group->isDescendantOf(shown.get()))
            return true;
    return false;
}

double MCPhotoListViewController::zoomValue() const
{
    return m_browserViewController ? m_browserViewController->zoomValue() : m_defaults.doubleForKey(kMCPhotoListScaleKey);
}

void MCPhotoListViewController::setZoomValue(double value)
{
    if (m_browserViewController)
        m_browserViewController->setZoomValue(value);
}

// ---------------------------------------------------------------- adding photos

void MCPhotoListViewController::addPhotosToList()
{
    const QStringList paths = MCImportSupport::choosePhotosToAdd(view()->window());
    if (!paths.isEmpty())
        importItemsAtURLs(paths);
}

bool MCPhotoListViewController::importItemsAtURLs(const QStringList &paths)
{
    if (paths.isEmpty())
        return false;
    view(); // the queue and the grid come with the view
    auto operation = std::make_shared<MCImportOperation>();
    operation->setImportTypes(MCUTType::allowedTypeIdentifiers());
    operation->setImportURLs(QStringList(QSet<QString>(paths.begin(), paths.end()).values()));
    const void *key = operation.get();
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    center.addObserver(m_observer.get(), kMCImportOperationDidStartNotification, key,
                       [this](const MCNotification &n) { importOperationDidStart(n.object); });
    center.addObserver(m_observer.get(), kMCImportOperationDidFinishNotification, key,
                       [this](const MCNotification &n) { importOperationDidFinish(n.object, n.userInfo); });
    m_loadingOperations[key] = {operation, m_generation};
    ++m_loadingOperationCount;
    m_loadingOperationQueue->addOperation(operation);
    return true;
}

bool MCPhotoListViewController::isCurrent(const void *operation) const
{
    const auto it = m_loadingOperations.find(operation);
    return it != m_loadingOperations.end() && it->second.generation == m_generation;
}

void MCPhotoListViewController::importOperationDidStart(const void *operation)
{
    if (isCurrent(operation))
        m_browserViewController->showLoadingProgress(true);
}

void MCPhotoListViewController::importOperationDidFinish(const void *operation, const QVariantMap &userInfo)
{
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    center.removeObserver(m_observer.get(), kMCImportOperationDidStartNotification, operation);
    center.removeObserver(m_observer.get(), kMCImportOperationDidFinishNotification, operation);
    // An import of a list cleared since hands nothing on.
    if (isCurrent(operation)) {
        const QStringList folders = userInfo.value(kMCImportOperationCreatedFolderURLsKey).toStringList();
        if (!folders.isEmpty())
            MCSandboxHelper::sharedInstance().addSecurityScopedURLs(folders);
        // The update is queued before the import's count goes, so loading never ends between.
        updatePhotos(MCImportOperation::createdFilesFromUserInfo(userInfo));
    }
    if (loadingOperationFinished(operation))
        m_browserViewController->hideLoadingProgress();
}

void MCPhotoListViewController::updatePhotos(const MCFileList &files)
{
    view();
    auto operation = std::make_shared<MCUpdateOperation>();
    operation->setFiles(files);
    const void *key = operation.get();
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    center.addObserver(m_observer.get(), kMCUpdateOperationNotificationDidStart, key,
                       [this](const MCNotification &n) { updateOperationDidStart(n.object); });
    center.addObserver(m_observer.get(), kMCUpdateOperationNotificationDidProgress, key,
                       [this](const MCNotification &n) { updateOperationDidProgress(n.object, n.userInfo); });
    center.addObserver(m_observer.get(), kMCUpdateOperationNotificationDidFinish, key,
                       [this](const MCNotification &n) { updateOperationDidFinish(n.object, n.userInfo); });
    m_loadingOperations[key] = {operation, m_generation};
    ++m_loadingOperationCount;
    m_loadingOperationQueue->addOperation(operation);
}

void MCPhotoListViewController::updateOperationDidStart(const void *operation)
{
    if (!isCurrent(operation))
        return;
    m_browserViewController->showLoadingProgress(false);
    m_isUpdatingOperation = true;
    updateToolbarButtons();
}

void MCPhotoListViewController::updateOperationDidProgress(const void *operation, const QVariantMap &userInfo)
{
    // Progress that was on its way when the list was cleared adds nothing.
    if (!isCurrent(operation))
        return;
    m_browserViewController->updateProgressWithValue(userInfo.value(kMCUpdateOperationProgressKey).toDouble());
    MCFileList fitting;
    for (const auto &file : MCUpdateOperation::filesFromUserInfo(userInfo))
        if (file && isImageSizeFit(*file) && isFileSizeFit(*file))
            fitting.append(file);
    if (!fitting.isEmpty())
        MCFileContainer::sharedContainer().addFiles(fitting);
}

void MCPhotoListViewController::updateOperationDidFinish(const void *operation, const QVariantMap &userInfo)
{
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    center.removeObserver(m_observer.get(), kMCUpdateOperationNotificationDidStart, operation);
    center.removeObserver(m_observer.get(), kMCUpdateOperationNotificationDidProgress, operation);
    center.removeObserver(m_observer.get(), kMCUpdateOperationNotificationDidFinish, operation);
    const bool current = isCurrent(operation);
    if (!loadingOperationFinished(operation))
        return;
    m_isUpdatingOperation = false;
    m_browserViewController->hideLoadingProgress();
    m_browserViewController->reloadBrowserData();
    updateToolbarButtons();
    if (current && MCFileContainer::sharedContainer().numberOfFiles() == 0 &&
        !userInfo.value(kMCUpdateOperationIsCancelledKey).toBool()) {
        // Asked after this notification has been delivered, not inside it.
        QTimer::singleShot(0, this, &MCPhotoListViewController::showNothingAddedAlert);
    }
}

bool MCPhotoListViewController::loadingOperationFinished(const void *operation)
{
    if (m_loadingOperations.erase(operation) == 0 || m_loadingOperationCount <= 0)
        return false;
    --m_loadingOperationCount;
    return m_loadingOperationCount == 0;
}

void MCPhotoListViewController::cancelLoadingOperations()
{
    if (m_loadingOperationQueue && m_loadingOperationQueue->operationCount() > 0)
        m_loadingOperationQueue->cancelAllOperations();
}

void MCPhotoListViewController::showNothingAddedAlert()
{
    // Something may have arrived meanwhile (another drop).
    if (MCFileContainer::sharedContainer().numberOfFiles() != 0 || isLoading())
        return;
    MCAlert alert = MCAlert::alertWithMessageText(
        tr("No photos were added."),
        tr("Check “Minumum File Size” and “Minumum Photo Size” settings in the Preferences window."), tr("OK"),
        tr("Show Preferences"));
    QWidget *window = m_mainController ? m_mainController->window() : view()->window();
    const int answer = alert.runModal(window);
    if (answer == MCAlertSecondButtonReturn && m_mainController)
        emit m_mainController->preferencesWithFilteringRequested();
    if (MCNavigationController *navigation = navigationController();
        navigation && navigation->topViewController() == this)
        navigation->popViewControllerAnimated(true);
}

bool MCPhotoListViewController::isImageSizeFit(const MCFile &file) const
{
    const double m = m_defaults.doubleForKey(kMCMinImageSizeKey);
    if (!(m > 0))
        return true;
    return MCIsImageSizeFit(m, file.fileInfo().width().toDouble(), file.fileInfo().height().toDouble());
}

bool MCPhotoListViewController::isFileSizeFit(const MCFile &file) const
{
    return MCIsFileSizeFit(m_defaults.doubleForKey(kMCMinFileSizeKey), m_defaults.integerForKey(kMCMinFileSizeUnitKey),
                           file.fileSize().value_or(0));
}

// ---------------------------------------------------------------- library changes

void MCPhotoListViewController::fileContainerDidAddFiles(const MCFileList &files)
{
    m_treePanelViewController->noteItemsWereAdded(files);
    watchFolders(files);
}

void MCPhotoListViewController::fileContainerDidRemoveFiles(const MCFileList &files)
{
    m_treePanelViewController->noteItemsWereRemoved(files);
    if (MCFileContainer::sharedContainer().numberOfFiles() == 0 && m_folderWatcher) {
        const QStringList folders = m_folderWatcher->directories();
        if (!folders.isEmpty())
            m_folderWatcher->removePaths(folders);
    }
    emit commandsChanged();
}

void MCPhotoListViewController::watchFolders(const MCFileList &files)
{
    if (!m_folderWatcher) {
        m_folderWatcher = new QFileSystemWatcher(this);
        m_missingCheckTimer = new QTimer(this);
        m_missingCheckTimer->setSingleShot(true);
        m_missingCheckTimer->setInterval(500);
        connect(m_folderWatcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString &folder) {
            m_changedFolders.insert(folder);
            m_missingCheckTimer->start();
        });
        connect(m_missingCheckTimer, &QTimer::timeout, this, [this] {
            const QStringList folders(m_changedFolders.begin(), m_changedFolders.end());
            m_changedFolders.clear();
            removeMissingPhotos(folders);
        });
    }
    // Folders are few beside photos; the system caps how many can be watched, and the window's
    // activation checks the rest.
    constexpr qsizetype kMaximumWatchedFolders = 2000;
    QSet<QString> folders;
    for (const auto &file : files)
        folders.insert(QFileInfo(file->filePath()).absolutePath());
    const QStringList watched = m_folderWatcher->directories();
    const QSet<QString> already(watched.begin(), watched.end());
    QStringList added;
    for (const QString &folder : folders)
        if (!already.contains(folder) && watched.size() + added.size() < kMaximumWatchedFolders)
            added.append(folder);
    if (!added.isEmpty())
        m_folderWatcher->addPaths(added);
}

void MCPhotoListViewController::removeMissingPhotos(const QStringList &folders)
{
    // The files are looked at on a worker (a slow or gone network folder must not stall the
    // window); the answer comes back to the main thread, where the list may have changed since.
    const QSet<QString> inFolders(folders.begin(), folders.end());
    QStringList paths;
    for (const auto &file : MCFileContainer::sharedContainer().allFiles()) {
        const QString path = file->filePath();
        if (inFolders.isEmpty() || inFolders.contains(QFileInfo(path).absolutePath()))
            paths.append(path);
    }
    if (paths.isEmpty())
        return;
    if (!m_missingCheckQueue) {
        m_missingCheckQueue = std::make_unique<MCOperationQueue>();
        m_missingCheckQueue->setName(QStringLiteral("Photo list missing files"));
        m_missingCheckQueue->setMaxConcurrentOperationCount(1);
    }
    QPointer<MCPhotoListViewController> screen(this);
    m_missingCheckQueue->addOperation(std::make_shared<MCBlockOperation>([paths, screen] {
        QStringList missing;
        for (const QString &path : paths)
            if (!QFileInfo::exists(path))
                missing.append(path);
        if (missing.isEmpty())
            return;
        platform::dispatchMain([missing, screen] {
            if (!screen)
                return;
            MCFileContainer &container = MCFileContainer::sharedContainer();
            MCFileList gone;
            for (const QString &path : missing)
                if (auto file = container.fileWithPath(path); file && !QFileInfo::exists(path))
                    gone.append(file);
            if (!gone.isEmpty())
                container.removeFiles(gone);
        });
    }));
}

// ---------------------------------------------------------------- tree panel and grid

void MCPhotoListViewController::treeViewControllerDidUpdateContentInGroup(MCTreePanelViewController *,
                                                                          const MCGroupPtr &group)
{
    if (!m_browserViewController)
        return; // still setting up
    // Photos show as their batches arrive, not only once loading ends.
    if (isGroupSelected(group))
        m_browserViewController->reloadBrowserData();
    updateInfoPanel();
    updateToolbarButtons();
}

void MCPhotoListViewController::treeViewControllerDidChangeSelection(MCTreePanelViewController *panel)
{
    if (!m_browserViewController)
        return; // still setting up: the grid starts with the panel's selection
    m_browserViewController->setGroups(panel->selectedGroups());
    updateToolbarButtons();
}

void MCPhotoListViewController::treeViewControllerDidInsertItems(MCTreePanelViewController *, const MCGroupPtr &group,
                                                                 const QList<MCGroupItemPtr> &items)
{
    if (m_browserViewController)
        m_browserViewController->groupDidInsertItems(group.get(), items);
}

void MCPhotoListViewController::treeViewControllerDidRemoveItems(MCTreePanelViewController *, const MCGroupPtr &group,
                                                                 const QList<MCGroupItemPtr> &items)
{
    if (m_browserViewController)
        m_browserViewController->groupDidRemoveItems(group.get(), items);
}

double MCPhotoListViewController::defaultZoomValue() { return m_defaults.doubleForKey(kMCPhotoListScaleKey); }

void MCPhotoListViewController::zoomDidChangeTo(double scale)
{
    m_defaults.setDouble(scale, kMCPhotoListScaleKey);
    if (m_zoomSlider && std::abs(m_zoomSlider->doubleValue() - scale) > 1e-9)
        m_zoomSlider->setDoubleValue(scale);
}

bool MCPhotoListViewController::asyncAddFilesWithFolderURLs(const QStringList &paths, MCBrowserViewController *)
{
    return importItemsAtURLs(paths);
}

bool MCPhotoListViewController::cancelAdditingForController(MCBrowserViewController *)
{
    cancelLoadingOperations();
    return true;
}

void MCPhotoListViewController::updateControlsForController(MCBrowserViewController *)
{
    updateInfoPanel();
    updateToolbarButtons();
}

// ---------------------------------------------------------------- drops outside the grid

QStringList MCPhotoListViewController::draggedTypesForOverlayView(MCOverlayDroppableView *)
{
    return {MCImportSupport::filenamesPasteboardType()};
}

Qt::DropAction MCPhotoListViewController::dragOperationForInfo(const QMimeData *data) const
{
    // The grid's own photos dragged out and back are no new photos.
    if (m_browserViewController && m_browserViewController->browserView() &&
        m_browserViewController->browserView()->isDraggingSource(data))
        return Qt::IgnoreAction;
    return Qt::CopyAction;
}

Qt::DropAction MCPhotoListViewController::overlayViewDraggingEntered(MCOverlayDroppableView *, const QMimeData *data)
{
    return dragOperationForInfo(data);
}

Qt::DropAction MCPhotoListViewController::overlayViewDraggingUpdated(MCOverlayDroppableView *, const QMimeData *data)
{
    return dragOperationForInfo(data);
}

bool MCPhotoListViewController::overlayViewPerformDragOperation(MCOverlayDroppableView *, const QMimeData *data)
{
    if (dragOperationForInfo(data) == Qt::IgnoreAction)
        return false;
    const QStringList paths = MCImportSupport::pathsFromDrop(data);
    if (paths.isEmpty())
        return false;
    importItemsAtURLs(paths);
    return true;
}

// ---------------------------------------------------------------- commands

void MCPhotoListViewController::removePhotosFromList()
{
    if (!m_defaults.boolForKey(kMCShowMessageBeforeRemovingPhotosFromListKey)) {
        MCFileContainer::sharedContainer().removeFiles(selectedItems());
        return;
    }
    MCAlert alert = MCAlert::alertWithMessageText(
        tr("Would you like to remove the selected photos from the Photo List?"),
        tr("The photos will be removed from the Photo List, but they will stay on your hard drive."), tr("Remove"),
        tr("Cancel"));
    alert.setCritical(true);
    alert.setShowsSuppressionButton(true);
    const int answer = alert.runModal(view()->window());
    if (answer == MCAlertFirstButtonReturn)
        MCFileContainer::sharedContainer().removeFiles(selectedItems());
    if (alert.suppressionButtonChecked())
        m_defaults.setBool(false, kMCShowMessageBeforeRemovingPhotosFromListKey);
}

void MCPhotoListViewController::clearPhotosListDidClick()
{
    if (!m_skipsActions && m_mainController)
        m_mainController->clearPhotosList();
}

void MCPhotoListViewController::clearPhotosList()
{
    // Whatever the cancelled operations still report belongs to the list as it was.
    ++m_generation;
    cancelLoadingOperations();
    MCFileContainer &container = MCFileContainer::sharedContainer();
    container.removeFiles(container.allFiles());
    // Files of an import that finished on its queue but was not handed over yet would keep
    // their paths claimed, and the same folder dropped again at once would add nothing.
    container.unregisterAllPendingFiles();
    updateToolbarButtons();
}

void MCPhotoListViewController::cancelImportPreparing() { cancelLoadingOperations(); }

void MCPhotoListViewController::toggleFilterPanel()
{
    m_browserViewController->toggleFilterPanel();
    updateToolbarButtons();
}

void MCPhotoListViewController::convertSelectedItems()
{
    if (m_skipsActions || !m_mainController)
        return;
    const MCFileList items = selectedItems();
    if (!items.isEmpty())
        m_mainController->showConvertOptionsForItems(items);
}

void MCPhotoListViewController::convertItems()
{
    if (m_skipsActions || !m_mainController)
        return;
    m_mainController->showConvertOptionsForItems(allItems());
}

void MCPhotoListViewController::convertButtonClicked()
{
    m_convertsSelectedOnly ? convertSelectedItems() : convertItems();
}

void MCPhotoListViewController::flagsChanged(Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers relevant =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    m_isOptionKeyPressed = relevant == Qt::AltModifier;
    updateToolbarButtons();
}

void MCPhotoListViewController::windowDidResignKey()
{
    m_isOptionKeyPressed = false;
    updateToolbarButtons();
}

bool MCPhotoListViewController::canEditMetadata() const { return m_fileOperations->canEditMetadata(); }

void MCPhotoListViewController::updateToolbarButtons()
{
    const bool listHoldsFiles = MCFileContainer::sharedContainer().numberOfFiles() > 0;
    const bool selection = hasSelectedItems();
    const bool canConvert = MCConvertOptionsViewController::isAvailable() && !m_isUpdatingOperation;
    if (m_filterButton)
        m_filterButton->setEnabled(listHoldsFiles);
    if (m_clearListButton)
        m_clearListButton->setEnabled(listHoldsFiles);
    if (m_editEXIFButton)
        m_editEXIFButton->setEnabled(selection && canEditMetadata());
    if (m_renameButton)
        m_renameButton->setEnabled(selection);
    if (m_convertButton) {
        m_convertsSelectedOnly = m_isOptionKeyPressed;
        if (m_isOptionKeyPressed) {
            m_convertButton->setText(tr("Selected Only"));
            m_convertButton->setEnabled(canConvert && selection);
        } else {
            m_convertButton->setText(tr("Convert"));
            m_convertButton->setEnabled(canConvert && hasItems());
        }
        m_convertButton->setAccessibleName(m_convertButton->text());
    }
    emit commandsChanged();
}

bool MCPhotoListViewController::validateMenuItem(MCPhotoListCommand command, QAction *item)
{
    using C = MCPhotoListCommand;
    const bool canConvert = MCConvertOptionsViewController::isAvailable() && !m_isUpdatingOperation;
    switch (command) {
    case C::ShowConvertSettingsForSelectedItems:
        return MCConvertOptionsViewController::isAvailable() && hasSelectedItems();
    case C::EditMetadataForSelectedItems:
        return hasSelectedItems() && canEditMetadata();
    case C::MoveSelectedItemsToFolder:
    case C::MoveSelectedItemsToFolderAndRename:
    case C::CopySelectedItemsToFolder:
    case C::CopySelectedItemsToFolderAndRename:
    case C::SetCreationDateFromCaptureDateForSelectedItems:
    case C::SetCreationAndModificationDateFromCaptureDateForSelectedItems:
    case C::RemovePhotosFromList:
    case C::RenameSelectedItems:
    case C::QuickLook:
    case C::OpenWith:
        return hasSelectedItems();
    case C::ToggleFilterPanel:
        return MCFileContainer::sharedContainer().numberOfFiles() > 0;
    case C::ToggleImageInfo:
        if (item)
            item->setText(isInfoPanelVisible() ? tr("Hide Image Info") : tr("Show Image Info"));
        return true;
    case C::ToggleGroupsPanel:
        if (item)
            item->setText(isTreePanelVisible() ? tr("Hide Groups") : tr("Show Groups"));
        return true;
    case C::ShowConvertSettingsForAllItems:
        return canConvert && hasItems();
    case C::ShowPhotoList:
        if (item) {
            item->setCheckable(true);
            item->setChecked(true);
        }
        return true;
    case C::ShowConvertSettings:
        if (item)
            item->setChecked(false);
        return canConvert && hasItems();
    case C::PasteGPSLocation:
        return hasSelectedItems() && MCPastedGPSLocation().has_value();
    }
    return true;
}

void MCPhotoListViewController::performCommand(MCPhotoListCommand command)
{
    using C = MCPhotoListCommand;
    switch (command) {
    case C::RemovePhotosFromList:
        removePhotosFromList();
        break;
    case C::ToggleFilterPanel:
        toggleFilterPanel();
        break;
    case C::ToggleImageInfo:
        toggleImageInfo();
        break;
    case C::ToggleGroupsPanel:
        toggleGroupsPanel();
        break;
    case C::ShowPhotoList:
        break;
    case C::ShowConvertSettings:
    case C::ShowConvertSettingsForAllItems:
        convertItems();
        break;
    case C::ShowConvertSettingsForSelectedItems:
        convertSelectedItems();
        break;
    case C::CopySelectedItemsToFolder:
        m_fileOperations->copySelectedItemsToFolder();
        break;
    case C::CopySelectedItemsToFolderAndRename:
        m_fileOperations->copySelectedItemsToFolderAndRename();
        break;
    case C::MoveSelectedItemsToFolder:
        m_fileOperations->moveSelectedItemsToFolder();
        break;
    case C::MoveSelectedItemsToFolderAndRename:
        m_fileOperations->moveSelectedItemsToFolderAndRename();
        break;
    case C::RenameSelectedItems:
        m_fileOperations->renameSelectedItems();
        break;
    case C::EditMetadataForSelectedItems:
        m_fileOperations->editMetadataForSelectedItems();
        break;
    case C::SetCreationDateFromCaptureDateForSelectedItems:
        m_fileOperations->setCreationDateFromCaptureDateForSelectedItems();
        break;
    case C::SetCreationAndModificationDateFromCaptureDateForSelectedItems:
        m_fileOperations->setCreationAndModificationDateFromCaptureDateForSelectedItems();
        break;
    case C::PasteGPSLocation:
        m_fileOperations->pasteGPSLocation();
        break;
    case C::QuickLook:
        m_browserViewController->quickLook();
        break;
    case C::OpenWith:
        break;
    }
    updateToolbarButtons();
}

void MCPhotoListViewController::buildOpenWithMenu(QMenu *menu)
{
    if (m_browserViewController)
        m_browserViewController->buildOpenWithMenu(menu);
}
