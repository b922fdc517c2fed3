#pragma once

// The before-and-after preview of the Convert screen: one photo as it will look after
// conversion, alone or side by side with the original.
//
// Embedding (the Convert screen does this):
//
//     auto *preview = new MCPreviewViewController(this);
//     preview->setConverter(&MCBitmapConverter::defaultConvertSettings());
//     layout->addWidget(preview->view());
//     preview->setPreviewItem(file, predictedOutputName); // the photo selected in the preview table
//     ...
//     preview->updatePreviewAfterDelay();   // after every change of a stage
//     preview->setShowsBeforeAfter(true);   // the side-by-side toggle
//     preview->setShowsOriginalImage(true); // "show original" in single mode
//
// How it stays fast: the photo is loaded once through the resource loader (off the GUI
// thread) and kept. It is drawn once into a small editing bitmap that fits the target view in
// device pixels (the scaled bitmap, "before"); the converter's preview run works on a copy of
// that bitmap (the converted bitmap, "after"), never on the full-size photo. A stage edit
// (a slider being dragged) re-runs only the preview run; a change of view size, output
// format, "AlphaColor" or "ShouldAutorotate" re-makes both. Both are deferred to the next
// pass of the event loop, a pending one being replaced rather than queued, so a burst of
// changes costs one recomputation per pass and a run that has become stale never starts.
//
// A photo that cannot be loaded, or a pipeline whose stage fails, shows the attention icon in
// place of the picture it could not make (the before view keeps the original).
//
// Settings read from the converter's user-defaults store: "ShouldAutorotate" (turn photos
// upright by their EXIF orientation) and "AlphaColor" (the background where alpha is dropped),
// both observed. GUI thread only.
#include "app/dialogs/MCBitmapView.h"
#include "halvard/imageio/MCResourceLoader.h"
#include "halvard/ui/MCViewController.h"
#include "platform/core/MCObservable.h"

#include <QTimer>
#include <QUuid>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class MCBitmap;
class MCBitmapConverter;
class MCFile;
class MCImage;
class MCWhiteSpinningProgress;
class QStackedWidget;

class MCPreviewViewController : public MCViewController
{
    Q_OBJECT
public:
    explicit MCPreviewViewController(QObject *parent = nullptr);
    ~MCPreviewViewController() override;

    // The pipeline previewed (not owned; it must outlive the controller or be replaced first).
    // Its output format, colour model, colour depth and alpha are observed.
    MCBitmapConverter *converter() const { return m_converter; }
    void setConverter(MCBitmapConverter *converter);

    // The photo shown and the output file name predicted for it (the stages that draw the file
    // name read it). The same photo with another name re-runs the preview; another photo
    // cancels a pending load, drops the images and loads the new one (none: nothing shown).
    const std::shared_ptr<MCFile> &previewItem() const { return m_previewItem; }
    QString previewFilename() const { return m_previewFilename; }
    void setPreviewItem(const std::shared_ptr<MCFile> &item, const QString &previewFilename);

    // In single mode, show the scaled original instead of the converted bitmap.
    bool showsOriginalImage() const { return m_showsOriginalImage; }
    void setShowsOriginalImage(bool shows);
    // Before and after side by side (tab 1 of the mode tab view) or the single view (tab 0).
    bool showsBeforeAfter() const;
    void setShowsBeforeAfter(bool shows);

    // Re-run the preview run (after a stage changed) / re-make the scaled bitmap and then the
    // preview (after a size or setting change), at the next pass of the event loop or after
    // `milliseconds`, replacing a pending one. A pending re-scale includes the re-run.
    void updatePreviewAfterDelay(int milliseconds = 0);
    void scalePreviewAfterDelay(int milliseconds = 0);

    // The loader's answer (GUI thread): an identifier other than the pending request's is
    // ignored. Public so that a loader, or a test, can deliver it.
    void receiveImage(const std::shared_ptr<MCImage> &image, const QVariantMap &metadata, const QUuid &uuid);

    // The loader used (not owned); the shared one unless set. Tests give their own.
    void setResourceLoader(MCResourceLoader *loader) { m_loader = loader; }

    // ---- state, for the screen and tests
    bool isLoading() const { return !m_requestID.isNull(); }
    QUuid pendingRequestID() const { return m_requestID; }
    const std::shared_ptr<MCBitmap> &scaledBitmap() const { return m_scaledBitmap; }
    const QVariantMap &scaledMetadata() const { return m_scaledMetadata; }
    const std::shared_ptr<MCBitmap> &convertedBitmap() const { return m_convertedBitmap; }
    const QVariantMap &convertedMetadata() const { return m_convertedMetadata; }
    // How many preview runs and re-scales were made (each recomputation counts once).
    int previewRunCount() const { return m_previewRuns; }
    int scaleCount() const { return m_scales; }

    // The views (the view is loaded on first use of any of them).
    MCPreviewBitmapView *bitmapView();
    MCPreviewBitmapView *bitmapBeforeView();
    MCPreviewBitmapView *bitmapAfterView();
    QWidget *attentionIconView();
    QWidget *attentionIconBeforeView();
    QWidget *attentionIconAfterView();
    QStackedWidget *modeTabView();
    MCWhiteSpinningProgress *progress();

protected:
    QWidget *loadView() override;
    void viewControllerDidLoad() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updatePreview() { makeConvertedBitmap(); }
    void scalePreview();
    void makeScaledBitmap();
    void makeConvertedBitmap();
    void updatePreviewView();
    void hidePreview();
    void observeConverter();
    void observeDefaults();
    // Runs `block` on the controller's thread: at once when on it, else posted there.
    void onOwnThread(std::function<void()> block);

    MCBitmapConverter *m_converter = nullptr;
    MCResourceLoader *m_loader = nullptr;
    std::vector<MCObservation> m_converterObservations;
    std::vector<MCObservation> m_defaultsObservations;

    std::shared_ptr<MCFile> m_previewItem;
    QString m_previewFilename;
    bool m_showsOriginalImage = false;

    QUuid m_requestID;
    std::shared_ptr<MCImage> m_originalImage;
    QVariantMap m_originalMetadata;
    std::shared_ptr<MCBitmap> m_scaledBitmap;
    QVariantMap m_scaledMetadata;
    std::shared_ptr<MCBitmap> m_convertedBitmap;
    QVariantMap m_convertedMetadata;
    // The target view was not laid out (no pixels on a side) when the scaled bitmap was due;
    // the first resize makes it. Nothing failed, so no attention icon meanwhile.
    bool m_waitingForLayout = false;

    QTimer m_updateTimer;
    QTimer m_scaleTimer;
    int m_previewRuns = 0;
    int m_scales = 0;

    // Forwards the loader's answer while this controller lives.
    std::shared_ptr<MCResourceImageReceiver> m_receiver;

    QStackedWidget *m_modeTabView = nullptr;
    MCPreviewBitmapView *m_bitmapView = nullptr;
    MCPreviewBitmapView *m_bitmapBeforeView = nullptr;
    MCPreviewBitmapView *m_bitmapAfterView = nullptr;
    QWidget *m_attentionIconView = nullptr;
    QWidget *m_attentionIconBeforeView = nullptr;
    QWidget *m_attentionIconAfterView = nullptr;
    MCWhiteSpinningProgress *m_progress = nullptr;
};
