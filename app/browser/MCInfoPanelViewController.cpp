#include "app/browser/MCInfoPanelViewController.h"

#include "app/library/MCFile.h"
#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "app/uikit/MCTableView.h"
#include "halvard/ui/MCHistogramView.h"
#include "halvard/ui/MCImageExtensions.h"
#include "halvard/ui/MCImageView.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

quint64 MCInfoPanelMaxPixelSize(const QSizeF &fit, const QSizeF &photo)
{
    QSizeF fitted = fit;
    if (photo.width() > 0 && photo.height() > 0) {
        const double w = std::min(photo.width(), fit.width()), h = std::min(photo.height(), fit.height());
        const double rw = w / photo.width(), rh = h / photo.height();
        fitted = rw > rh ? QSizeF(photo.width() * rh, h) : QSizeF(w, photo.height() * rw);
    }
    const double larger = std::max(fitted.width(), fitted.height());
    return larger > 0 ? quint64(std::round(larger)) : 0;
}

// ---- label

void MCInfoPanelLabel::paintEvent(QPaintEvent *)
{
    if (text().isNull())
        return;
    QPainter painter(this);
    painter.setFont(font());
    const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    // The dark copy first, one point larger at the top and the bottom, then the text.
    painter.setPen(MCColorQuillon::colorWithWhite(0.0, 0.5));
    painter.drawText(QRectF(rect()).adjusted(0, -1, 0, 1), flags, text());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(QRectF(rect()), flags, text());
}

// ---- table model

void MCInfoPanelTableModel::setInfo(const MCOrderedDictionary &info)
{
    beginResetModel();
    m_info = info;
    endResetModel();
}

int MCInfoPanelTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_info.count());
}

int MCInfoPanelTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant MCInfoPanelTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_info.count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) {
        if (index.column() == 0)
            return m_info.keyAtIndex(index.row());
        const QVariant value = m_info.objectAtIndex(index.row());
        return value.typeId() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", "))
                                                        : value.toString();
    }
    if (role == Qt::TextAlignmentRole)
        return int((index.column() == 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole)
        return index.column() == 0 ? MCColorQuillon::colorWithWhite(0.6) : MCColorQuillon::colorWithWhite(0.9);
    return {};
}

QVariant MCInfoPanelTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QCoreApplication::translate("MCInfoPanelViewController", "Property")
                        : QCoreApplication::translate("MCInfoPanelViewController", "Value");
}

Qt::ItemFlags MCInfoPanelTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

// ---- controller

namespace {

// Hands the loader's answers to the panel while it exists; the loader keeps this object alive
// until it answers, which may be after the panel has gone.
class InfoPanelThumbnailReceiver : public MCResourceThumbnailReceiver
{
public:
    explicit InfoPanelThumbnailReceiver(MCInfoPanelViewController *panel) : m_panel(panel) {}
    void receiveThumbnail(const QImage &thumbnail, const QUuid &uuid) override
    {
        if (m_panel)
            m_panel->receiveThumbnail(thumbnail, uuid);
    }

private:
    QPointer<MCInfoPanelViewController> m_panel;
};

} // namespace

MCInfoPanelViewController::MCInfoPanelViewController(QObject *parent)
    : MCViewController(parent), m_receiver(std::make_shared<InfoPanelThumbnailReceiver>(this))
{
}

MCInfoPanelViewController::~MCInfoPanelViewController()
{
    cancelRequest();
}

QWidget *MCInfoPanelViewController::loadView()
{
    auto *view = new MCSidebarBackgroundView;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *split = new MCDarkSplitView(Qt::Vertical, view);
    split->setChildrenCollapsible(false);
    m_splitView = split;

    auto *preview = new QWidget;
    preview->setFixedHeight(kPreviewPaneHeight);
    preview->setAccessibleName(tr("Photo preview"));
    m_previewView = preview;

    m_previewLabel = new MCInfoPanelLabel;
    m_previewLabel->setAlignment(Qt::AlignCenter);
    m_previewLabel->setFont(MCControlFont(MCControlSize::Regular));
    QPalette labelPalette = m_previewLabel->palette();
    labelPalette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(0.7));
    m_previewLabel->setPalette(labelPalette);

    auto *histogram = new MCHistogramView;
    histogram->setFixedHeight(kHistogramPaneHeight);
    histogram->setAccessibleName(tr("Histogram"));
    m_histogramView = histogram;

    auto *table = new MCNoResponderTableView;
    table->setModel(&m_tableModel);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::TabFocus); // reachable by Tab for reading, never selecting
    table->setAccessibleName(tr("Photo information"));
    table->verticalHeader()->hide();
    table->horizontalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setShowGrid(false);
    table->setWordWrap(false);
    table->verticalHeader()->setDefaultSectionSize(18);
    m_exifTableView = table;

    split->addWidget(preview);
    split->addWidget(histogram);
    split->addWidget(table);
    // The first two panes keep their sizes; the table takes every change.
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 0);
    split->setStretchFactor(2, 1);
    for (int i = 1; i < split->count(); ++i)
        if (QSplitterHandle *handle = split->handle(i))
            handle->setEnabled(false); // the dividers cannot be moved
    layout->addWidget(split);
    return view;
}

void MCInfoPanelViewController::viewControllerDidLoad()
{
    // The picture fills the preview area; the message sits centred over it.
    auto *grid = new QGridLayout(m_previewView);
    grid->setContentsMargins(8, 8, 8, 8);
    m_imageView = new MCImageView(m_previewView);
    m_imageView->setShouldFrameImage(true);
    m_imageView->setImageScaling(MCImageScaling::ProportionallyDown);
    // Hidden, it still takes its place in the layout, so its size (and with it the pixel size
    // asked for) is known before the first picture arrives.
    QSizePolicy policy = m_imageView->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_imageView->setSizePolicy(policy);
    m_imageView->hide();
    grid->addWidget(m_imageView, 0, 0);
    grid->addWidget(m_previewLabel, 0, 0);
    hidePreview();
}

void MCInfoPanelViewController::cancelRequest()
{
    if (m_requestIdentifier.isNull())
        return;
    loader().cancelRequestWithID(m_requestIdentifier);
    m_requestIdentifier = QUuid();
}

void MCInfoPanelViewController::setPreviewItem(const std::shared_ptr<MCFile> &item)
{
    if (item == m_previewItem)
        return;
    view(); // the outlets exist from here on
    cancelRequest();
    m_previewItem = item;
    if (!item) {
        hidePreview();
        return;
    }
    m_requestedPixelSize = qint64(maxPixelSize());
    const std::shared_ptr<MCImageDescriptor> descriptor = item->imageDescriptor();
    if (!descriptor || item->filePath().isEmpty()) {
        // Nothing to load: say so at once, with what is known about the photo.
        showPreviewImage(QImage(), item->browserItemMetadata());
        return;
    }
    m_requestIdentifier = loader().requestThumbnail(descriptor, quint64(m_requestedPixelSize), m_receiver);
}

quint64 MCInfoPanelViewController::maxPixelSize() const
{
    // The area in device pixels; the photo's size is already in pixels and is not scaled, so
    // a small photo is never asked for at more than its own size.
    const qreal ratio = m_imageView ? m_imageView->devicePixelRatioF() : 1.0;
    const QSizeF fit = m_imageView ? m_imageView->imageFitSize() * ratio : QSizeF();
    const QSizeF photo = m_previewItem ? m_previewItem->browserItemImageSize() : QSizeF();
    return MCInfoPanelMaxPixelSize(fit, photo);
}

void MCInfoPanelViewController::receiveThumbnail(const QImage &thumbnail, const QUuid &uuid)
{
    if (uuid.isNull() || uuid != m_requestIdentifier || !m_previewItem)
        return; // an answer to a cancelled or replaced request
    showPreviewImage(thumbnail, m_previewItem->browserItemMetadata());
}

void MCInfoPanelViewController::showPreviewImage(const QImage &image, const MCOrderedDictionary &info)
{
    view();
    m_histogramView->setImage(image.isNull() ? CGImageRef() : MCCGImageFromQImage(image));
    m_histogramView->show();
    m_imageView->setImage(image);
    if (!image.isNull()) {
        m_imageView->show();
        m_previewLabel->setText(QString());
        m_previewLabel->hide();
    } else {
        m_imageView->hide();
        m_previewLabel->setText(tr("No photo preview"));
        m_previewLabel->show();
    }
    showPreviewInfo(info);
}

void MCInfoPanelViewController::showPreviewInfo(const MCOrderedDictionary &info)
{
    if (info == m_tableModel.info())
        return;
    m_tableModel.setInfo(info);
}

void MCInfoPanelViewController::hidePreview()
{
    view();
    m_imageView->setImage(QImage());
    m_imageView->hide();
    m_histogramView->setImage(CGImageRef());
    m_previewLabel->setText(tr("No photo selected"));
    m_previewLabel->show();
    showPreviewInfo(MCOrderedDictionary());
}
