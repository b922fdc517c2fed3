#include "app/shell/MCSimplePhotoListViewController.h"

#include "app/library/MCImportOperation.h"
#include "app/library/MCUpdateOperation.h"
#include "app/shell/MCImportSupport.h"
#include "app/shell/MCMainWindowController.h"
#include "app/uikit/MCColorQuillon.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/system/MCSandboxHelper.h"
#include "platform/core/MCOperationQueue.h"

#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QSet>

#include <algorithm>

namespace {

// Thumbnails are loaded at this larger side and drawn at the grid's scale.
constexpr quint64 kThumbnailSize = 256;

// A square picture area of 256 points at scale 1 with the file name below.
class SimpleThumbnailCell : public MCBrowserViewCell
{
public:
    QString title;

    QSizeF cellSizeForBounds(const QRectF &, double scale) override
    {
        return QSizeF(256 * scale + 16, 256 * scale + 36);
    }
    QRectF imageRectForBounds(const QRectF &bounds) override
    {
        const QRectF area(bounds.left() + 8, bounds.top() + 8, bounds.width() - 16, bounds.height() - 36);
        if (image().isNull() || area.isEmpty())
            return area;
        QSizeF size = image().size();
        size.scale(area.size(), Qt::KeepAspectRatio);
        return QRectF(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(),
                      size.height());
    }
    void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (isSelected()) {
            QPainterPath back;
            back.addRoundedRect(frame.adjusted(1, 1, -1, -1), 6, 6);
            painter->fillPath(back, MCColorQuillon::colorWithBrightness(0.4, 1.0));
        }
        drawImageInRect(painter, imageRectForBounds(frame));
        painter->setPen(MCColorQuillon::colorWithWhite(1.0, isSelected() ? 1.0 : 0.75));
        QFont font = painter->font();
        font.setPixelSize(11);
        painter->setFont(font);
        const QRectF caption(frame.left() + 6, frame.bottom() - 26, frame.width() - 12, 20);
        painter->drawText(caption, Qt::AlignCenter,
                          painter->fontMetrics().elidedText(title, Qt::ElideMiddle, int(caption.width())));
        painter->restore();
    }
    void drawImageInRect(QPainter *painter, const QRectF &rect) override
    {
        if (image().isNull()) {
            // Still loading, or unreadable: a quiet placeholder.
            painter->fillRect(rect.adjusted(rect.width() / 4, rect.height() / 4, -rect.width() / 4, -rect.height() / 4),
                              MCColorQuillon::colorWithBrightness(0.25, 1.0));
            return;
        }
        painter->drawImage(rect, image());
        painter->setPen(QPen(MCColorQuillon::colorWithWhite(1.0, 0.25), 1));
        painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

class EmptyHeaderCell : public MCBrowserViewCell
{
public:
    QSizeF cellSizeForBounds(const QRectF &, double) override { return {}; }
    QRectF imageRectForBounds(const QRectF &) override { return {}; }
    void drawWithFrame(QPainter *, const QRectF &, QWidget *) override {}
    void drawImageInRect(QPainter *, const QRectF &) override {}
};

} // namespace

MCSimplePhotoListViewController::MCSimplePhotoListViewController(MCMainWindowController *mainController,
                                                                 QObject *parent)
    : MCPhotoListScreen(parent), m_mainController(mainController), m_observer(std::make_unique<QObject>())
{
    m_thumbnailCache = MCThumbnailCache::cacheWithThumbnailSize(kThumbnailSize);
    m_thumbnailCache->setDelegate(this);
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    const void *container = &MCFileContainer::sharedContainer();
    center.addObserver(m_observer.get(), kMCFileContainerDidAddFiles, container,
                       [this](const MCNotification &) { reloadFiles(); });
    center.addObserver(m_observer.get(), kMCFileContainerDidRemoveFiles, container,
                       [this](const MCNotification &) { reloadFiles(); });
}

MCSimplePhotoListViewController::~MCSimplePhotoListViewController()
{
    MCNotificationCenter::defaultCenter().removeObserver(m_observer.get());
    if (m_loadingQueue)
        m_loadingQueue->cancelAllOperations();
    m_loadingQueue.reset();
    if (m_browserView) {
        m_browserView->setDataSource(nullptr);
        m_browserView->setDelegate(nullptr);
        m_browserView->setPrefetchDataSource(nullptr);
    }
    m_thumbnailCache->setDelegate(nullptr);
}

QWidget *MCSimplePhotoListViewController::loadView()
{
    m_browserView = new MCBrowserView;
    m_browserView->setObjectName(nibName());
    m_browserView->setAccessibleName(tr("Photos"));
    QPalette palette = m_browserView->palette();
    palette.setColor(QPalette::Base, MCColorQuillon::browserViewBackgroundColor());
    palette.setColor(QPalette::Window, MCColorQuillon::browserViewBackgroundColor());
    m_browserView->setPalette(palette);
    m_browserView->setItemCell(std::make_shared<SimpleThumbnailCell>());
    m_browserView->setHeaderCell(std::make_shared<EmptyHeaderCell>());
    m_browserView->setShowsGroupHeaders(false);
    m_browserView->setMinScale(0.25);
    m_browserView->setMaxScale(1.0);
    m_browserView->setScale(0.5);
    m_browserView->setDataSource(this);
    m_browserView->setDelegate(this);
    m_browserView->setPrefetchDataSource(this);
    m_browserView->registerForDraggedTypes({MCImportSupport::filenamesPasteboardType()});
    m_browserView->setAllowsDrop(true);
    reloadFiles();
    return m_browserView;
}

void MCSimplePhotoListViewController::viewControllerDidAppear(bool animated)
{
    MCPhotoListScreen::viewControllerDidAppear(animated);
    QWidget *window = view()->window();
    if (window && window != view())
        window->setWindowTitle(tr("Quillon - Photo Browser"));
    m_browserView->setFocus(Qt::OtherFocusReason);
}

MCOperationQueue &MCSimplePhotoListViewController::loadingQueue()
{
    if (!m_loadingQueue) {
        m_loadingQueue = std::make_unique<MCOperationQueue>();
        m_loadingQueue->setName(QStringLiteral("Photo list loading"));
        m_loadingQueue->setMaxConcurrentOperationCount(1);
    }
    return *m_loadingQueue;
}

bool MCSimplePhotoListViewController::isLoading() const
{
    return m_loadingQueue && m_loadingQueue->operationCount() > 0;
}

bool MCSimplePhotoListViewController::importItemsAtURLs(const QStringList &paths)
{
    if (paths.isEmpty())
        return false;
    auto operation = std::make_shared<MCImportOperation>();
    operation->setImportTypes(MCUTType::allowedTypeIdentifiers());
    operation->setImportURLs(QStringList(QSet<QString>(paths.begin(), paths.end()).values()));
    MCNotificationCenter::defaultCenter().addObserver(
        m_observer.get(), kMCImportOperationDidFinishNotification, operation.get(),
        [this](const MCNotification &notification) {
            MCNotificationCenter::defaultCenter().removeObserver(m_observer.get(),
                                                                 kMCImportOperationDidFinishNotification,
                                                                 notification.object);
            const QStringList folders =
                notification.userInfo.value(kMCImportOperationCreatedFolderURLsKey).toStringList();
            if (!folders.isEmpty())
                MCSandboxHelper::sharedInstance().addSecurityScopedURLs(folders);
            updatePhotos(MCImportOperation::createdFilesFromUserInfo(notification.userInfo));
        });
    loadingQueue().addOperation(operation);
    return true;
}

void MCSimplePhotoListViewController::updatePhotos(const MCFileList &files)
{
    if (files.isEmpty())
        return;
    auto operation = std::make_shared<MCUpdateOperation>();
    operation->setFiles(files);
    MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
    center.addObserver(m_observer.get(), kMCUpdateOperationNotificationDidProgress, operation.get(),
                       [](const MCNotification &notification) {
                           MCFileContainer::sharedContainer().addFiles(
                               MCUpdateOperation::filesFromUserInfo(notification.userInfo));
                       });
    center.addObserver(m_observer.get(), kMCUpdateOperationNotificationDidFinish, operation.get(),
                       [this](const MCNotification &notification) {
                           MCNotificationCenter &center = MCNotificationCenter::defaultCenter();
                           center.removeObserver(m_observer.get(), kMCUpdateOperationNotificationDidProgress,
                                                 notification.object);
                           center.removeObserver(m_observer.get(), kMCUpdateOperationNotificationDidFinish,
                                                 notification.object);
                       });
    loadingQueue().addOperation(operation);
}

void MCSimplePhotoListViewController::clearPhotosList()
{
    if (m_loadingQueue)
        m_loadingQueue->cancelAllOperations();
    MCFileContainer &container = MCFileContainer::sharedContainer();
    container.removeFiles(container.allFiles());
    m_thumbnailCache->invalidate();
}

void MCSimplePhotoListViewController::addPhotosToList()
{
    const QStringList paths = MCImportSupport::choosePhotosToAdd(view()->window());
    if (!paths.isEmpty())
        importItemsAtURLs(paths);
}

void MCSimplePhotoListViewController::reloadFiles()
{
    MCFileList files = MCFileContainer::sharedContainer().allFiles();
    std::sort(files.begin(), files.end(), [](const std::shared_ptr<MCFile> &a, const std::shared_ptr<MCFile> &b) {
        const int byName = QString::localeAwareCompare(a->fileName(), b->fileName());
        return byName != 0 ? byName < 0 : a->filePath() < b->filePath();
    });
    m_files = files;
    if (!m_browserView)
        return;
    m_browserView->reloadData();
    m_browserView->viewport()->update();
}

std::shared_ptr<MCFile> MCSimplePhotoListViewController::fileAtIndexPath(const MCIndexPath &path) const
{
    if (path.length() < 2 || path.groupIndex() != 0 || path.itemIndex() >= quint64(m_files.size()))
        return nullptr;
    return m_files.at(qsizetype(path.itemIndex()));
}

qint64 MCSimplePhotoListViewController::numberOfGroupsInBrowserView(MCBrowserView *)
{
    return m_files.isEmpty() ? 0 : 1;
}

qint64 MCSimplePhotoListViewController::browserViewNumberOfItemsInGroup(MCBrowserView *, qint64 group)
{
    return group == 0 ? m_files.size() : 0;
}

void MCSimplePhotoListViewController::browserViewUpdateItemCell(MCBrowserView *, MCBrowserViewCell *cell,
                                                                const MCIndexPath &path)
{
    auto *thumbnailCell = static_cast<SimpleThumbnailCell *>(cell);
    const std::shared_ptr<MCFile> file = fileAtIndexPath(path);
    if (!file) {
        thumbnailCell->title.clear();
        thumbnailCell->setImage(QImage());
        return;
    }
    thumbnailCell->title = file->fileName();
    const std::shared_ptr<const MCThumbnail> thumbnail = m_thumbnailCache->thumbnailForDescriptorProvider(*file);
    thumbnailCell->setImage(thumbnail ? thumbnail->image() : QImage());
}

void MCSimplePhotoListViewController::browserViewUpdateHeaderCell(MCBrowserView *, MCBrowserViewCell *, qint64) {}

QString MCSimplePhotoListViewController::messageStringForEmptyBrowserView(MCBrowserView *, QImage *)
{
    return tr("No photos");
}

Qt::DropAction MCSimplePhotoListViewController::browserViewValidateDrop(MCBrowserView *, const QMimeData *data,
                                                                        Qt::DropActions offered)
{
    if (!data || !data->hasUrls() || !(offered & Qt::CopyAction))
        return Qt::IgnoreAction;
    return Qt::CopyAction;
}

bool MCSimplePhotoListViewController::browserViewAcceptDrop(MCBrowserView *, const QMimeData *data, Qt::DropAction)
{
    return importItemsAtURLs(MCImportSupport::pathsFromDrop(data));
}

QUrl MCSimplePhotoListViewController::browserViewPasteboardWriterForItemAtIndexPath(MCBrowserView *,
                                                                                    const MCIndexPath &path)
{
    const std::shared_ptr<MCFile> file = fileAtIndexPath(path);
    return file ? QUrl::fromLocalFile(file->filePath()) : QUrl();
}

std::optional<MCPreviewItem>
MCSimplePhotoListViewController::browserViewPreviewItemAtIndexPath(MCBrowserView *, const MCIndexPath &path)
{
    const std::shared_ptr<MCFile> file = fileAtIndexPath(path);
    if (!file)
        return std::nullopt;
    return MCPreviewItem{file->filePath(), file->fileName()};
}

void MCSimplePhotoListViewController::browserViewPrefetchItemsAtIndexPaths(MCBrowserView *,
                                                                           const QList<MCIndexPath> &paths)
{
    m_thumbnailCache->fetchThumbnailsAtIndexPaths(paths);
}

void MCSimplePhotoListViewController::browserViewCancelPrefetchingForItemsAtIndexPaths(
    MCBrowserView *, const QList<MCIndexPath> &paths)
{
    m_thumbnailCache->cancelFetchingForThumbnailsAtIndexPaths(paths);
}

std::shared_ptr<MCImageDescriptorProvider>
MCSimplePhotoListViewController::thumbnailCacheDescriptorProviderAtIndexPath(MCThumbnailCache *,
                                                                             const MCIndexPath &indexPath)
{
    return fileAtIndexPath(indexPath);
}

void MCSimplePhotoListViewController::thumbnailCacheDidFetchThumbnail(MCThumbnailCache *,
                                                                       const std::shared_ptr<const MCThumbnail> &,
                                                                       const MCIndexPath &indexPath)
{
    if (m_browserView)
        m_browserView->reloadItemAtIndexPath(indexPath);
}

// ---------------------------------------------------------------- the factory

namespace {
MCPhotoListScreen::Factory &installedFactory()
{
    static MCPhotoListScreen::Factory factory;
    return factory;
}
} // namespace

void MCPhotoListScreen::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

std::shared_ptr<MCPhotoListScreen> MCPhotoListScreen::makeScreen(MCMainWindowController *owner)
{
    if (installedFactory())
        return installedFactory()(owner);
    return std::make_shared<MCSimplePhotoListViewController>(owner);
}
