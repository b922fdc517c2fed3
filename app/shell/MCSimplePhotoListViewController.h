#pragma once

// The shell's simple photo list: the library's photos as one group of thumbnails, sorted by
// name, with drops and the add command importing more. It stands in until the full photo
// browser installs its own screen through MCPhotoListScreen::setFactory, and keeps to what the
// main window needs: import, then read the photos' properties and add them to the library,
// on one queue that runs one operation at a time.
#include "app/shell/MCPhotoListScreen.h"
#include "halvard/browser/MCBrowserView.h"
#include "halvard/imageio/MCThumbnailCache.h"
#include "platform/core/MCNotificationCenter.h"

#include <QPointer>

#include <memory>

class MCMainWindowController;
class MCOperationQueue;

class MCSimplePhotoListViewController : public MCPhotoListScreen,
                                        public MCBrowserViewDataSource,
                                        public MCBrowserViewDelegate,
                                        public MCBrowserViewPrefetching,
                                        public MCThumbnailCacheDelegate
{
    Q_OBJECT
public:
    explicit MCSimplePhotoListViewController(MCMainWindowController *mainController, QObject *parent = nullptr);
    ~MCSimplePhotoListViewController() override;

    bool importItemsAtURLs(const QStringList &paths) override;
    void updatePhotos(const MCFileList &files) override;
    void clearPhotosList() override;
    void addPhotosToList() override;

    void viewControllerDidAppear(bool animated) override;

    MCBrowserView *browserView() const { return m_browserView; }
    // The photos shown, in grid order.
    const MCFileList &files() const { return m_files; }
    bool isLoading() const override;

    // Grid data source, delegate and prefetching.
    qint64 numberOfGroupsInBrowserView(MCBrowserView *view) override;
    qint64 browserViewNumberOfItemsInGroup(MCBrowserView *view, qint64 group) override;
    void browserViewUpdateItemCell(MCBrowserView *view, MCBrowserViewCell *cell, const MCIndexPath &path) override;
    void browserViewUpdateHeaderCell(MCBrowserView *view, MCBrowserViewCell *cell, qint64 group) override;
    QString messageStringForEmptyBrowserView(MCBrowserView *view, QImage *image) override;
    Qt::DropAction browserViewValidateDrop(MCBrowserView *view, const QMimeData *data, Qt::DropActions offered) override;
    bool browserViewAcceptDrop(MCBrowserView *view, const QMimeData *data, Qt::DropAction action) override;
    QUrl browserViewPasteboardWriterForItemAtIndexPath(MCBrowserView *view, const MCIndexPath &path) override;
    std::optional<MCPreviewItem> browserViewPreviewItemAtIndexPath(MCBrowserView *view, const MCIndexPath &path) override;
    void browserViewPrefetchItemsAtIndexPaths(MCBrowserView *view, const QList<MCIndexPath> &paths) override;
    void browserViewCancelPrefetchingForItemsAtIndexPaths(MCBrowserView *view, const QList<MCIndexPath> &paths) override;

    // Thumbnails.
    std::shared_ptr<MCImageDescriptorProvider>
    thumbnailCacheDescriptorProviderAtIndexPath(MCThumbnailCache *cache, const MCIndexPath &indexPath) override;
    void thumbnailCacheDidFetchThumbnail(MCThumbnailCache *cache, const std::shared_ptr<const MCThumbnail> &thumbnail,
                                         const MCIndexPath &indexPath) override;

protected:
    QWidget *loadView() override;

private:
    void reloadFiles();
    MCOperationQueue &loadingQueue();
    std::shared_ptr<MCFile> fileAtIndexPath(const MCIndexPath &path) const;

    QPointer<MCMainWindowController> m_mainController;
    MCBrowserView *m_browserView = nullptr;
    MCFileList m_files;
    std::unique_ptr<MCThumbnailCache> m_thumbnailCache;
    std::unique_ptr<MCOperationQueue> m_loadingQueue;
    std::unique_ptr<QObject> m_observer; // lifetime of the notification registrations
};
