#include "app/dialogs/MCPreviewViewController.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/uikit/MCProgressIndicator.h"
#include "halvard/imageio/MCImage.h"
#include "platform/core/MCUserDefaults.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStackedWidget>
#include <QThread>

namespace {

const QStringList kObservedConverterKeys{QStringLiteral("imageFormat"), QStringLiteral("imageColorModel"),
                                         QStringLiteral("imageColorDepth"), QStringLiteral("imageHasAlpha")};

// The sign in place of a picture that could not be made: a rounded warning triangle.
class MCAttentionIconView : public QWidget
{
public:
    explicit MCAttentionIconView(QWidget *parent) : QWidget(parent)
    {
        setFixedSize(48, 48);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAccessibleName(QObject::tr("The preview could not be made"));
        setToolTip(accessibleName());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(3, 5, -3, -3);
        QPainterPath triangle;
        triangle.moveTo(box.center().x(), box.top());
        triangle.lineTo(box.right(), box.bottom());
        triangle.lineTo(box.left(), box.bottom());
        triangle.closeSubpath();
        painter.setPen(QPen(QColor(240, 180, 40), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(QColor(240, 180, 40));
        painter.drawPath(triangle);
        painter.setPen(QPen(QColor(30, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
        const double x = box.center().x();
        painter.drawLine(QPointF(x, box.top() + 14), QPointF(x, box.bottom() - 12));
        painter.drawPoint(QPointF(x, box.bottom() - 5));
    }
};

// One picture of the preview: a bitmap view with its attention icon over its centre.
QWidget *pictureCell(MCPreviewBitmapView *view, QWidget *icon, QWidget *parent)
{
    auto *cell = new QWidget(parent);
    auto *grid = new QGridLayout(cell);
    grid->setContentsMargins(0, 0, 0, 0);
    view->setParent(cell);
    icon->setParent(cell);
    grid->addWidget(view, 0, 0);
    grid->addWidget(icon, 0, 0, Qt::AlignCenter);
    view->setBackgroundColor(MCPreviewChessboardBrush());
    // A hidden picture keeps its place, so the other one of a pair keeps its size (and the
    // scaled bitmap made for it stays right).
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setRetainSizeWhenHidden(true);
    view->setSizePolicy(policy);
    view->hide();
    icon->hide();
    return cell;
}

} // namespace

// The loader keeps its receiver until it answers; this one forwards only while the controller
// lives, so a late answer after the screen has gone reaches nobody.
class MCPreviewImageReceiver : public MCResourceImageReceiver
{
public:
    explicit MCPreviewImageReceiver(MCPreviewViewController *controller) : m_controller(controller) {}
    void receiveImage(const std::shared_ptr<MCImage> &image, const QVariantMap &metadata, const QUuid &uuid) override
    {
        if (m_controller)
            m_controller->receiveImage(image, metadata, uuid);
    }

private:
    QPointer<MCPreviewViewController> m_controller;
};

MCPreviewViewController::MCPreviewViewController(QObject *parent) : MCViewController(parent)
{
    m_receiver = std::make_shared<MCPreviewImageReceiver>(this);
    m_updateTimer.setSingleShot(true);
    m_scaleTimer.setSingleShot(true);
    connect(&m_updateTimer, &QTimer::timeout, this, [this] { updatePreview(); });
    connect(&m_scaleTimer, &QTimer::timeout, this, [this] { scalePreview(); });
}

MCPreviewViewController::~MCPreviewViewController()
{
    m_converterObservations.clear();
    m_defaultsObservations.clear();
    if (!m_requestID.isNull())
        (m_loader ? *m_loader : MCResourceLoader::sharedInstance()).cancelRequestWithID(m_requestID);
}

// ---------------------------------------------------------------- views

QWidget *MCPreviewViewController::loadView()
{
    auto *root = new QWidget;
    root->setObjectName(nibName());
    auto *grid = new QGridLayout(root);
    grid->setContentsMargins(0, 0, 0, 0);

    m_modeTabView = new QStackedWidget(root);
    m_bitmapView = new MCPreviewBitmapView;
    m_bitmapBeforeView = new MCPreviewBitmapView;
    m_bitmapAfterView = new MCPreviewBitmapView;
    m_bitmapView->setAccessibleName(tr("Preview"));
    m_bitmapBeforeView->setAccessibleName(tr("Before"));
    m_bitmapAfterView->setAccessibleName(tr("After"));
    m_attentionIconView = new MCAttentionIconView(nullptr);
    m_attentionIconBeforeView = new MCAttentionIconView(nullptr);
    m_attentionIconAfterView = new MCAttentionIconView(nullptr);

    m_modeTabView->addWidget(pictureCell(m_bitmapView, m_attentionIconView, m_modeTabView));
    auto *pair = new QWidget(m_modeTabView);
    auto *row = new QHBoxLayout(pair);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(pictureCell(m_bitmapBeforeView, m_attentionIconBeforeView, pair), 1);
    row->addWidget(pictureCell(m_bitmapAfterView, m_attentionIconAfterView, pair), 1);
    m_modeTabView->addWidget(pair);
    grid->addWidget(m_modeTabView, 0, 0);
    return root;
}

void MCPreviewViewController::viewControllerDidLoad()
{
    // 64 × 64, centred over the pictures, indeterminate, hidden until a photo loads.
    m_progress = new MCWhiteSpinningProgress(view());
    m_progress->setFixedSize(64, 64);
    m_progress->setIndeterminate(true);
    m_progress->setUsesThreadedAnimation(false);
    m_progress->setAccessibleName(tr("Loading the preview"));
    m_progress->hide();
    static_cast<QGridLayout *>(view()->layout())->addWidget(m_progress, 0, 0, Qt::AlignCenter);

    // A change of the pictures' size makes the scaled bitmap again (coalesced). The cells are
    // watched rather than the bitmap views: a hidden view hears of its new size only when shown.
    for (QWidget *watched : {static_cast<QWidget *>(m_modeTabView), m_bitmapView->parentWidget(),
                             m_bitmapBeforeView->parentWidget()})
        watched->installEventFilter(this);
    connect(m_modeTabView, &QStackedWidget::currentChanged, this, [this] {
        scalePreviewAfterDelay();
    });
}

bool MCPreviewViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && m_originalImage) {
        const QWidget *target = (showsBeforeAfter() ? m_bitmapBeforeView : m_bitmapView)->parentWidget();
        if (watched == m_modeTabView || watched == target)
            scalePreviewAfterDelay();
    }
    return MCViewController::eventFilter(watched, event);
}

MCPreviewBitmapView *MCPreviewViewController::bitmapView()
{
    view();
    return m_bitmapView;
}

MCPreviewBitmapView *MCPreviewViewController::bitmapBeforeView()
{
    view();
    return m_bitmapBeforeView;
}

MCPreviewBitmapView *MCPreviewViewController::bitmapAfterView()
{
    view();
    return m_bitmapAfterView;
}

QWidget *MCPreviewViewController::attentionIconView()
{
    view();
    return m_attentionIconView;
}

QWidget *MCPreviewViewController::attentionIconBeforeView()
{
    view();
    return m_attentionIconBeforeView;
}

QWidget *MCPreviewViewController::attentionIconAfterView()
{
    view();
    return m_attentionIconAfterView;
}

QStackedWidget *MCPreviewViewController::modeTabView()
{
    view();
    return m_modeTabView;
}

MCWhiteSpinningProgress *MCPreviewViewController::progress()
{
    view();
    return m_progress;
}

// ---------------------------------------------------------------- model

void MCPreviewViewController::onOwnThread(std::function<void()> block)
{
    if (QThread::currentThread() == thread())
        block();
    else
        QMetaObject::invokeMethod(this, std::move(block), Qt::QueuedConnection);
}

void MCPreviewViewController::setConverter(MCBitmapConverter *converter)
{
    if (converter == m_converter)
        return;
    m_converter = converter;
    observeConverter();
    observeDefaults();
}

void MCPreviewViewController::observeConverter()
{
    m_converterObservations.clear();
    if (!m_converter)
        return;
    m_converterObservations = m_converter->observeKeys(
        kObservedConverterKeys, [this](MCObservable &, const QString &, const MCKeyValueChange &) {
            onOwnThread([this] { scalePreviewAfterDelay(); });
        });
}

void MCPreviewViewController::observeDefaults()
{
    m_defaultsObservations.clear();
    if (!m_converter)
        return;
    MCUserDefaults &defaults = m_converter->userDefaults();
    m_defaultsObservations.push_back(defaults.observe(kMCAlphaColorKey, [this](MCObservable &, const QString &,
                                                                                const MCKeyValueChange &) {
        onOwnThread([this] { scalePreviewAfterDelay(); });
    }));
    m_defaultsObservations.push_back(defaults.observe(kMCShouldAutorotateKey, [this](MCObservable &, const QString &,
                                                                                      const MCKeyValueChange &) {
        onOwnThread([this] {
            if (MCPreviewAutorotateChangesScaledBitmap(m_originalMetadata))
                scalePreviewAfterDelay();
        });
    }));
}

void MCPreviewViewController::setPreviewItem(const std::shared_ptr<MCFile> &item, const QString &previewFilename)
{
    view();
    if (item == m_previewItem) {
        // Two missing names count as equal (a null and an empty text compare equal).
        if (previewFilename != m_previewFilename)
            updatePreviewAfterDelay();
    } else {
        MCResourceLoader &loader = m_loader ? *m_loader : MCResourceLoader::sharedInstance();
        if (!m_requestID.isNull()) {
            loader.cancelRequestWithID(m_requestID);
            m_requestID = QUuid();
        }
        m_previewItem = item;
        if (m_previewItem) {
            m_requestID = loader.requestImage(m_previewItem->imageDescriptor(), m_receiver);
            m_progress->show();
            m_progress->startAnimation();
        } else {
            m_originalImage.reset();
            m_originalMetadata.clear();
            m_scaledBitmap.reset();
            m_scaledMetadata.clear();
            m_convertedBitmap.reset();
            m_convertedMetadata.clear();
            hidePreview();
        }
        m_attentionIconView->hide();
        m_attentionIconBeforeView->hide();
        m_attentionIconAfterView->hide();
    }
    m_previewFilename = previewFilename;
}

void MCPreviewViewController::receiveImage(const std::shared_ptr<MCImage> &image, const QVariantMap &metadata,
                                           const QUuid &uuid)
{
    if (uuid.isNull() || uuid != m_requestID)
        return;
    m_requestID = QUuid();
    m_originalImage = image;
    m_originalMetadata = metadata;
    // What was pending is done by this.
    m_scaleTimer.stop();
    m_updateTimer.stop();
    makeScaledBitmap();
    makeConvertedBitmap();
    if (!image)
        hidePreview();
    m_progress->hide();
    m_progress->stopAnimation();
}

void MCPreviewViewController::setShowsOriginalImage(bool shows)
{
    if (shows == m_showsOriginalImage)
        return;
    m_showsOriginalImage = shows;
    updatePreviewView();
}

bool MCPreviewViewController::showsBeforeAfter() const { return m_modeTabView && m_modeTabView->currentIndex() == 1; }

void MCPreviewViewController::setShowsBeforeAfter(bool shows)
{
    view();
    m_modeTabView->setCurrentIndex(shows ? 1 : 0); // the tab change re-scales
}

void MCPreviewViewController::updatePreviewAfterDelay(int milliseconds)
{
    if (m_scaleTimer.isActive())
        return; // the pending re-scale runs the preview too
    m_updateTimer.start(std::max(0, milliseconds));
}

void MCPreviewViewController::scalePreviewAfterDelay(int milliseconds)
{
    m_updateTimer.stop();
    m_scaleTimer.start(std::max(0, milliseconds));
}

void MCPreviewViewController::scalePreview()
{
    makeScaledBitmap();
    makeConvertedBitmap();
}

void MCPreviewViewController::makeScaledBitmap()
{
    view();
    m_waitingForLayout = false;
    m_scaledBitmap.reset();
    m_scaledMetadata.clear();
    if (!m_originalImage || !m_converter)
        return;
    ++m_scales;
    const bool turnsUpright = m_converter->userDefaults().boolForKey(kMCShouldAutorotateKey);
    const MCPreviewOrientation orientation = MCPreviewOrientationForMetadata(m_originalMetadata, turnsUpright);

    const QSizeF rotated = MCBitmap::rotatedSize(m_originalImage->size(), orientation.orientation);
    const QSizeF predicted = m_converter->sizeForOriginalSize(rotated, 1);
    MCPreviewBitmapView *target = showsBeforeAfter() ? m_bitmapBeforeView : m_bitmapView;
    const std::optional<QSizeF> fit = MCPreviewFitSize(target->size(), target->deviceRatio(), rotated, predicted);
    if (!fit) {
        // Not laid out yet: a zero fitting size would read the photo at full size. The first
        // resize makes the bitmap.
        m_waitingForLayout = true;
        return;
    }
    // The working pixels start in the photo's own space where the pipeline edits in it, as a
    // conversion run does, so the colour-profile stages act on the pixels they will meet in
    // the run (proposing the last scaled bitmap's space would turn every photo into sRGB).
    const CGColorSpaceRef space = m_converter->editingColorSpaceForPreview(true, m_originalImage->colorSpace());
    std::unique_ptr<MCBitmap> scaled = MCBitmap::create(
        m_originalImage, space, m_converter->editingBitmapInfoForPreview(true),
        m_converter->editingBitsPerComponentForPreview(true), m_converter->editingBitsPerPixelForPreview(true), *fit,
        orientation.angle, orientation.flipsHorizontally, orientation.flipsVertically);
    if (!scaled)
        return;
    m_scaledBitmap = std::move(scaled);
    m_scaledMetadata = MCPreviewScaledMetadata(m_originalMetadata, turnsUpright);
}

void MCPreviewViewController::makeConvertedBitmap()
{
    m_convertedBitmap.reset();
    m_convertedMetadata.clear();
    if (m_scaledBitmap && m_converter) {
        ++m_previewRuns;
        std::unique_ptr<MCBitmap> copy = m_scaledBitmap->copy();
        QVariantMap metadata = MCPreviewMetadataForConversion(m_scaledMetadata, m_previewFilename);
        if (copy && m_converter->previewBitmap(copy.get(), &metadata, m_previewItem.get(), nullptr)) {
            m_convertedBitmap = std::move(copy);
            m_convertedMetadata = metadata;
        }
    }
    updatePreviewView();
}

void MCPreviewViewController::updatePreviewView()
{
    view();
    const bool pending = !m_requestID.isNull() || m_waitingForLayout;
    auto show = [&](MCPreviewBitmapView *bitmapView, QWidget *icon, const std::shared_ptr<MCBitmap> &bitmap) {
        bitmapView->setBitmap(bitmap);
        bitmapView->setVisible(m_previewItem && bitmap);
        icon->setVisible(!pending && m_previewItem && !bitmap);
    };
    auto empty = [](MCPreviewBitmapView *bitmapView, QWidget *icon) {
        bitmapView->setBitmap(nullptr);
        bitmapView->hide();
        icon->hide();
    };
    if (showsBeforeAfter()) {
        empty(m_bitmapView, m_attentionIconView);
        show(m_bitmapBeforeView, m_attentionIconBeforeView, m_scaledBitmap);
        show(m_bitmapAfterView, m_attentionIconAfterView, m_convertedBitmap);
    } else {
        show(m_bitmapView, m_attentionIconView, m_showsOriginalImage ? m_scaledBitmap : m_convertedBitmap);
        empty(m_bitmapBeforeView, m_attentionIconBeforeView);
        empty(m_bitmapAfterView, m_attentionIconAfterView);
    }
}

void MCPreviewViewController::hidePreview()
{
    view();
    for (MCPreviewBitmapView *bitmapView : {m_bitmapView, m_bitmapBeforeView, m_bitmapAfterView}) {
        bitmapView->setBitmap(nullptr);
        bitmapView->hide();
    }
    m_progress->hide();
}
