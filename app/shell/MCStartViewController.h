#pragma once

// The start screen: what the main window shows until the first photos are listed. A large drop
// area with one line of text and an add button; while an import runs, a busy indicator and a
// cancel button. Dropped or chosen files and folders are imported on the screen's own queue,
// one import at a time; when an import found photos the main window shows the photo list.
#include "app/library/MCFileContainer.h"
#include "app/shell/MCOverlayDroppableView.h"
#include "halvard/ui/MCViewController.h"
#include "platform/core/MCNotificationCenter.h"

#include <QPointer>
#include <QStringList>

#include <memory>

class MCMainWindowController;
class MCOperationQueue;
class QAbstractButton;
class QLabel;
class QProgressBar;

class MCStartViewController : public MCViewController, public MCOverlayDroppableViewDelegate
{
    Q_OBJECT
public:
    explicit MCStartViewController(MCMainWindowController *mainController, QObject *parent = nullptr);
    ~MCStartViewController() override;

    MCMainWindowController *mainController() const { return m_mainController; }

    void viewControllerWillAppear(bool animated) override;
    void viewControllerDidAppear(bool animated) override;

    // Starts an import of the files and folders (duplicates collapse); false, doing nothing,
    // for none.
    bool importItemsAtURLs(const QStringList &paths);
    // The open panel; OK imports what was chosen.
    void addPhotosToList();
    // Stops the imports queued and running; each still reports what it found.
    void cancelAdding();
    // Whether an import is queued or running.
    bool isImporting() const;

    // The screen's parts (tests and the screenshot program look at them).
    MCOverlayDroppableView *overlayDroppableView() const { return m_overlayDroppableView; }
    QLabel *overlayWelcomeLabel() const { return m_overlayWelcomeLabel; }
    QProgressBar *overlayProgress() const { return m_overlayProgress; }
    QAbstractButton *overlayCancelButton() const { return m_overlayCancelButton; }
    QAbstractButton *addButton() const { return m_addButton; }

    // The drop area's delegate: file names only, always copied.
    QStringList draggedTypesForOverlayView(MCOverlayDroppableView *view) override;
    Qt::DropAction overlayViewDraggingEntered(MCOverlayDroppableView *view, const QMimeData *data) override;
    Qt::DropAction overlayViewDraggingUpdated(MCOverlayDroppableView *view, const QMimeData *data) override;
    bool overlayViewPerformDragOperation(MCOverlayDroppableView *view, const QMimeData *data) override;

protected:
    QWidget *loadView() override;

private:
    void importOperationDidStart(const MCNotification &notification);
    void importOperationDidFinish(const MCNotification &notification);

    QPointer<MCMainWindowController> m_mainController;
    MCOverlayDroppableView *m_overlayDroppableView = nullptr;
    QLabel *m_overlayWelcomeLabel = nullptr;
    QProgressBar *m_overlayProgress = nullptr;
    QAbstractButton *m_overlayCancelButton = nullptr;
    QAbstractButton *m_addButton = nullptr;
    std::unique_ptr<MCOperationQueue> m_loadingQueue; // made on first use, one import at a time
    std::unique_ptr<QObject> m_observer; // lifetime of the notification registrations
};
