#include "halvard/browser/MCBrowserViewPreviewPanel.h"

#include "halvard/imageio/MCImageLoader.h"
#include "halvard/ui/MCImageView.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace {

QPointer<MCBrowserViewPreviewPanel> &sharedPanel()
{
    static QPointer<MCBrowserViewPreviewPanel> panel;
    return panel;
}

// Previews are read at most this large; a window seldom shows more.
constexpr quint64 kPreviewPixelSize = 1600;

} // namespace

MCBrowserViewPreviewPanel *MCBrowserViewPreviewPanel::sharedPreviewPanel()
{
    if (!sharedPanel())
        sharedPanel() = new MCBrowserViewPreviewPanel;
    return sharedPanel();
}

bool MCBrowserViewPreviewPanel::sharedPreviewPanelExists() { return !sharedPanel().isNull(); }

MCBrowserViewPreviewPanel::MCBrowserViewPreviewPanel(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAccessibleName(tr("Preview"));
    setFocusPolicy(Qt::StrongFocus);
    resize(640, 480);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_imageView = new MCImageView(this);
    m_imageView->setImageScaling(MCImageScaling::ProportionallyDown);
    m_imageView->setAccessibleName(tr("Preview image"));
    m_titleLabel = new QLabel(this);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setAccessibleName(tr("Preview title"));
    layout->addWidget(m_imageView, 1);
    layout->addWidget(m_titleLabel);
}

void MCBrowserViewPreviewPanel::beginControl(MCBrowserView *view)
{
    m_controller = view;
    reloadData();
}

void MCBrowserViewPreviewPanel::endControl(MCBrowserView *view)
{
    if (m_controller != view)
        return;
    m_controller = nullptr;
    hide();
    reloadData();
}

qint64 MCBrowserViewPreviewPanel::numberOfPreviewItems() const
{
    return m_controller ? m_controller->numberOfPreviewItems() : 0;
}

void MCBrowserViewPreviewPanel::reloadData()
{
    m_currentIndex = 0;
    showCurrentItem();
}

const QImage &MCBrowserViewPreviewPanel::image() const { return m_imageView->image(); }

void MCBrowserViewPreviewPanel::showCurrentItem()
{
    m_currentItem.reset();
    if (m_controller && m_currentIndex < numberOfPreviewItems())
        m_currentItem = m_controller->previewItemAtIndex(m_currentIndex);
    QImage image;
    QString title;
    if (m_currentItem) {
        MCThumbnailReadingOptions options;
        options.createThumbnailFromImageAlways = true;
        options.createThumbnailWithTransform = true;
        options.thumbnailMaxPixelSize = kPreviewPixelSize;
        image = MCImageLoader::readThumbnailWithURL(m_currentItem->previewItemURL(), &options);
        title = m_currentItem->previewItemTitle();
        if (title.isEmpty())
            title = QFileInfo(m_currentItem->previewItemURL()).fileName();
    }
    m_imageView->setImage(image);
    m_titleLabel->setText(title);
    setWindowTitle(title.isEmpty() ? tr("Preview") : title);
}

void MCBrowserViewPreviewPanel::keyPressEvent(QKeyEvent *event)
{
    if (m_controller && m_controller->handlePreviewPanelKeyEvent(event))
        return;
    QWidget::keyPressEvent(event);
}
