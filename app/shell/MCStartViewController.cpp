#include "app/shell/MCStartViewController.h"

#include "app/library/MCImportOperation.h"
#include "app/shell/MCImportSupport.h"
#include "app/shell/MCMainWindowController.h"
#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/system/MCSandboxHelper.h"
#include "platform/core/MCOperationQueue.h"

#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QSet>
#include <QVBoxLayout>

namespace {
QString welcomeText()
{
    return MCStartViewController::tr("drag and drop photos or folders with photos here");
}
} // namespace

MCStartViewController::MCStartViewController(MCMainWindowController *mainController, QObject *parent)
    : MCViewController(parent), m_mainController(mainController), m_observer(std::make_unique<QObject>())
{
}

MCStartViewController::~MCStartViewController()
{
    MCNotificationCenter::defaultCenter().removeObserver(m_observer.get());
    if (m_overlayDroppableView)
        m_overlayDroppableView->setDelegate(nullptr);
    if (m_loadingQueue)
        m_loadingQueue->cancelAllOperations();
    // The queue's destructor waits for a running import; its finish notification goes to no one.
    m_loadingQueue.reset();
}

QWidget *MCStartViewController::loadView()
{
    auto *drop = new MCOverlayDroppableView;
    drop->setObjectName(nibName());
    m_overlayDroppableView = drop;

    m_overlayWelcomeLabel = new QLabel(drop);
    m_overlayWelcomeLabel->setAlignment(Qt::AlignCenter);
    m_overlayWelcomeLabel->setWordWrap(true);
    QFont font = m_overlayWelcomeLabel->font();
    font.setPixelSize(22);
    m_overlayWelcomeLabel->setFont(font);
    QPalette palette = m_overlayWelcomeLabel->palette();
    palette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(1.0, 0.55));
    m_overlayWelcomeLabel->setPalette(palette);

    auto *add = new MCBlueButtonCell(tr("Add Photos…"), drop);
    add->setAccessibleName(tr("Add Photos"));
    add->setFocusPolicy(Qt::StrongFocus);
    add->setMinimumWidth(140);
    connect(add, &QAbstractButton::clicked, this, [this] { addPhotosToList(); });
    m_addButton = add;

    m_overlayProgress = new QProgressBar(drop);
    m_overlayProgress->setRange(0, 1);
    m_overlayProgress->setTextVisible(false);
    m_overlayProgress->setFixedSize(220, 6);
    m_overlayProgress->setAccessibleName(tr("Finding photos"));

    auto *cancel = new MCDarkButtonCell(tr("Cancel"), drop);
    cancel->setAccessibleName(tr("Cancel adding photos"));
    cancel->setFocusPolicy(Qt::StrongFocus);
    cancel->setMinimumWidth(100);
    connect(cancel, &QAbstractButton::clicked, this, [this] { cancelAdding(); });
    m_overlayCancelButton = cancel;

    auto *layout = new QVBoxLayout(drop);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(18);
    layout->addStretch(3);
    layout->addWidget(m_overlayWelcomeLabel);
    layout->addWidget(m_overlayProgress, 0, Qt::AlignHCenter);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    layout->addWidget(add, 0, Qt::AlignHCenter);
    layout->addStretch(4);

    drop->setDelegate(this);
    return drop;
}

void MCStartViewController::viewControllerWillAppear(bool animated)
{
    MCViewController::viewControllerWillAppear(animated);
    view();
    m_overlayDroppableView->setSolid(true);
    m_overlayWelcomeLabel->setText(welcomeText());
    m_overlayCancelButton->setHidden(true);
    m_overlayProgress->setHidden(true);
    m_addButton->setHidden(false);
}

void MCStartViewController::viewControllerDidAppear(bool animated)
{
    MCViewController::viewControllerDidAppear(animated);
    QWidget *window = view()->window();
    if (window && window != view())
        window->setWindowTitle(tr("Welcome to Quillon"));
    m_overlayDroppableView->setFocus(Qt::OtherFocusReason);
}

bool MCStartViewController::importItemsAtURLs(const QStringList &paths)
{
    if (paths.isEmpty())
        return false;
    auto operation = std::make_shared<MCImportOperation>();
    operation->setImportTypes(MCUTType::allowedTypeIdentifiers());
    // Duplicates collapse.
    operation->setImportURLs(QStringList(QSet<QString>(paths.begin(), paths.end()).values()));
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    center.addObserver(m_observer.get(), kMCImportOperationDidStartNotification, operation.get(),
                       [this](const MCNotification &notification) { importOperationDidStart(notification); });
    center.addObserver(m_observer.get(), kMCImportOperationDidFinishNotification, operation.get(),
                       [this](const MCNotification &notification) { importOperationDidFinish(notification); });
    if (!m_loadingQueue) {
        m_loadingQueue = std::make_unique<MCOperationQueue>();
        m_loadingQueue->setName(QStringLiteral("Start screen imports"));
        m_loadingQueue->setMaxConcurrentOperationCount(1);
    }
    m_loadingQueue->addOperation(operation);
    return true;
}

void MCStartViewController::addPhotosToList()
{
    const QStringList paths = MCImportSupport::choosePhotosToAdd(view()->window());
    if (!paths.isEmpty())
        importItemsAtURLs(paths);
}

void MCStartViewController::cancelAdding()
{
    if (m_loadingQueue && m_loadingQueue->operationCount() > 0)
        m_loadingQueue->cancelAllOperations();
}

bool MCStartViewController::isImporting() const
{
    return m_loadingQueue && m_loadingQueue->operationCount() > 0;
}

void MCStartViewController::importOperationDidStart(const MCNotification &)
{
    view();
    m_overlayWelcomeLabel->setText(tr("please wait while finding photos…"));
    m_overlayCancelButton->setHidden(false);
    m_overlayProgress->setHidden(false);
    m_overlayProgress->setRange(0, 0); // busy
    m_addButton->setHidden(true);
}

void MCStartViewController::importOperationDidFinish(const MCNotification &notification)
{
    view();
    m_overlayCancelButton->setHidden(true);
    m_overlayProgress->setHidden(true);
    m_overlayProgress->setRange(0, 1);
    m_addButton->setHidden(false);
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    center.removeObserver(m_observer.get(), kMCImportOperationDidStartNotification, notification.object);
    center.removeObserver(m_observer.get(), kMCImportOperationDidFinishNotification, notification.object);

    const QStringList folders = notification.userInfo.value(kMCImportOperationCreatedFolderURLsKey).toStringList();
    if (!folders.isEmpty())
        MCSandboxHelper::sharedInstance().addSecurityScopedURLs(folders);
    const MCFileList files = MCImportOperation::createdFilesFromUserInfo(notification.userInfo);
    if (!files.isEmpty()) {
        // Without a photo list screen to take the photos, the start screen greets as before
        // instead of still saying it is finding photos.
        if (!m_mainController || !m_mainController->showPhotoListUpdatingFiles(files))
            m_overlayWelcomeLabel->setText(welcomeText());
    } else {
        m_overlayWelcomeLabel->setText(tr("no photos were found, try to add other photos or folders"));
    }
}

QStringList MCStartViewController::draggedTypesForOverlayView(MCOverlayDroppableView *)
{
    return {MCImportSupport::filenamesPasteboardType()};
}

Qt::DropAction MCStartViewController::overlayViewDraggingEntered(MCOverlayDroppableView *, const QMimeData *)
{
    return Qt::CopyAction;
}

Qt::DropAction MCStartViewController::overlayViewDraggingUpdated(MCOverlayDroppableView *, const QMimeData *)
{
    return Qt::CopyAction;
}

bool MCStartViewController::overlayViewPerformDragOperation(MCOverlayDroppableView *, const QMimeData *data)
{
    const QStringList paths = MCImportSupport::pathsFromDrop(data);
    if (paths.isEmpty())
        return false;
    return importItemsAtURLs(paths);
}
