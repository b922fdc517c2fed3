// The photo grid as the browser controller runs it: generated JPEG files in two groups with
// thumbnails loaded through the cache, a selection, the path bar and the status line.
#include "app/browser/MCBrowserViewController.h"
#include "app/library/MCFileContainer.h"
#include "app/library/MCLibraryServices.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "platform/core/MCUserDefaults.h"
#include "halvard/ui/MCImageExtensions.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QDir>
#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

class GalleryParent : public MCBrowserViewParentController
{
public:
    double defaultZoomValue() override { return 0.5; }
    void zoomDidChangeTo(double) override {}
};

std::shared_ptr<MCGroup> photoGroup(const QString &title, const QString &folder, int first, int count)
{
    QList<MCGroupItemPtr> files;
    QDir().mkpath(folder);
    for (int i = first; i < first + count; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("IMG_%1.jpg").arg(4000 + i));
        const bool portrait = i % 5 == 3;
        const QImage picture = i % 7 == 6 ? screenshots::nightPhoto(portrait ? 320 : 480, portrait ? 480 : 320)
                                          : screenshots::landscapePhoto(portrait ? 320 : 480, portrait ? 480 : 320);
        if (auto destination = MCImageDestination::createWithURL(path, kUTTypeJPEG, 1)) {
            destination->addImage(MCCGImageFromQImage(picture),
                                  {{kCGImagePropertyExifDictionary,
                                    QVariantMap{{kCGImagePropertyExifDateTimeOriginal,
                                                 QStringLiteral("2024:05:%1 10:20:00").arg(1 + i % 28, 2, 10, QLatin1Char('0'))}}}});
            destination->finalize(nullptr);
        }
        auto file = MCFileContainer::newFileWithURL(path);
        file->reloadFileInfo();
        file->reloadMetadata();
        files.append(file);
    }
    auto group = std::make_shared<MCGroup>();
    group->setTitle(title);
    group->setItems(files);
    return group;
}

QString sortFolder()
{
    static QTemporaryDir folder;
    return folder.path() + "/sort";
}

// A page holding a browser controller's view over `groups`, shown at `size`.
QWidget *controllerPage(const QList<std::shared_ptr<MCGroup>> &groups, const QSize &size,
                        MCBrowserViewController **made)
{
    static GalleryParent parent;
    quillon::installLibraryServices();
    auto *window = new QWidget;
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *controller = new MCBrowserViewController(window);
    controller->setParentController(&parent);
    layout->addWidget(controller->view());
    controller->setGroups(groups);
    window->resize(size);
    window->show();
    *made = controller;
    return window;
}

QWidget *controllerWindow()
{
    static QTemporaryDir folder;
    quillon::installLibraryServices();
    // The sort a first start shows (by date, ascending); the other settings stay as they are.
    const QVariantMap registered = MCRegisteredDefaults::registeredDefaults();
    MCUserDefaults::standardUserDefaults().registerDefaults(
        {{kMCSortKindKey, registered.value(kMCSortKindKey)}, {kMCSortDirectionKey, registered.value(kMCSortDirectionKey)}});
    MCBrowserViewController *controller = nullptr;
    QWidget *window = controllerPage({photoGroup(QStringLiteral("Coast"), folder.path() + "/Coast/day1", 0, 14),
                                      photoGroup(QStringLiteral("Mountains"), folder.path() + "/Coast/day2", 14, 10)},
                                     QSize(900, 640), &controller);
    controller->browserView()->setSelectionIndexes(MCIndexSet{1, 16}, false);
    // Let the visible thumbnails arrive.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return window;
}

// The status line with the themed sort pop-up, closed or with its list open. A grab shows
// no other window, so the open list is grabbed on its own and laid over the page where it
// opened.
QWidget *sortPopupWindow(bool open)
{
    quillon::installLibraryServices();
    MCBrowserViewController *controller = nullptr;
    QWidget *window =
        controllerPage({photoGroup(QStringLiteral("Coast"), sortFolder(), 0, 3)}, QSize(560, 300), &controller);
    QApplication::processEvents();
    if (open) {
        MCDarkPopupCell *popup = controller->sortPopup();
        popup->setFocus();
        popup->showPopup();
        QApplication::processEvents();
        QWidget *list = popup->view()->window();
        const QPixmap picture = list->grab();
        const QPoint at = window->mapFromGlobal(list->mapToGlobal(QPoint()));
        popup->hidePopup();
        auto *shown = new QLabel(window);
        shown->setPixmap(picture);
        shown->resize(picture.size() / picture.devicePixelRatio());
        // Where it opened, kept inside the page.
        shown->move(qBound(0, at.x(), window->width() - shown->width()),
                    qBound(0, at.y(), window->height() - shown->height()));
        shown->show();
        popup->setHighlighted(true);
    }
    return window;
}

const ScreenshotRegistration registration({
    {"browser-controller", "grid", [] { return controllerWindow(); }, QSize(900, 640)},
    {"browser-controller", "sort-popup-closed", [] { return sortPopupWindow(false); }, QSize(560, 300)},
    {"browser-controller", "sort-popup-open", [] { return sortPopupWindow(true); }, QSize(560, 300)},
});

} // namespace
