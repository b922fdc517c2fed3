#pragma once

// The side panel of the photo browser that shows the selected photo: a preview picture, its
// red, green and blue histogram and a two-column table of the photo's metadata, in three panes
// of a split view that cannot be moved (246 points, 128 points, the rest).
//
// The preview is a thumbnail asked from the shared resource loader at the pixel size the
// panel can show (never larger than the photo itself). Each request has an identifier; a new
// selection cancels the pending request, and an answer carrying any other identifier than the
// pending one is dropped, so a slow answer for an earlier selection never replaces a later one.
// Until the answer arrives the previous picture stays on screen.
//
// Main thread only; the loader answers on the main thread.
#include "halvard/collections/MCOrderedDictionary.h"
#include "halvard/imageio/MCResourceLoader.h"
#include "halvard/ui/MCHistogramView.h"
#include "halvard/ui/MCImageView.h"
#include "halvard/ui/MCViewController.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QPointer>
#include <QUuid>

#include <memory>

#include <QSplitter>
#include <QTableView>

class MCFile;

// The larger side, in pixels, of a photo of `photoPixels` fitted into `fitPixels` keeping its
// aspect and never enlarged, rounded to the nearest whole pixel (halves away from zero). A
// photo of unknown size (a side not positive) asks for the larger side of the area.
quint64 MCInfoPanelMaxPixelSize(const QSizeF &fitPixels, const QSizeF &photoPixels);

// A label of the panel: its text over a soft dark copy that is one point taller at the top and
// bottom, for legibility on any background.
class MCInfoPanelLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The metadata rows: key → value in order; column 0 the key, column 1 the value.
class MCInfoPanelTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    const MCOrderedDictionary &info() const { return m_info; }
    void setInfo(const MCOrderedDictionary &info);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Rows cannot be selected.
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    MCOrderedDictionary m_info;
};

class MCInfoPanelViewController : public MCViewController
{
    Q_OBJECT
public:
    explicit MCInfoPanelViewController(QObject *parent = nullptr);
    // Cancels the pending request.
    ~MCInfoPanelViewController() override;

    // The loader asked for previews: the shared one unless a test sets another (not owned).
    void setResourceLoader(MCResourceLoader *loader) { m_loader = loader; }

    const std::shared_ptr<MCFile> &previewItem() const { return m_previewItem; }
    // The same photo again does nothing; another cancels the pending request and asks for the
    // new photo's preview; none clears the panel.
    void setPreviewItem(const std::shared_ptr<MCFile> &item);
    // The pixel size asked for: the image view's area in device pixels, the photo fitted in.
    quint64 maxPixelSize() const;

    // The loader's answer; dropped unless `uuid` is the pending request's.
    void receiveThumbnail(const QImage &thumbnail, const QUuid &uuid);
    // Shows the picture (or "No photo preview" without one), its histogram and the rows.
    void showPreviewImage(const QImage &image, const MCOrderedDictionary &info);
    // Replaces the rows unless they are the same; none empties the table.
    void showPreviewInfo(const MCOrderedDictionary &info);
    // No photo: "No photo selected", no picture, an empty histogram and table.
    void hidePreview();

    QUuid requestIdentifier() const { return m_requestIdentifier; }
    qint64 requestedPixelSize() const { return m_requestedPixelSize; }
    const MCOrderedDictionary &previewInfo() const { return m_tableModel.info(); }

    // Outlets (made with the view).
    QWidget *previewView() const { return m_previewView; }
    MCInfoPanelLabel *previewLabel() const { return m_previewLabel; }
    MCHistogramView *histogramView() const { return m_histogramView; }
    QTableView *exifTableView() const { return m_exifTableView; }
    MCImageView *imageView() const { return m_imageView; }
    QSplitter *splitView() const { return m_splitView; }

    // The fixed pane heights: the preview and the histogram; the table takes the rest.
    static constexpr int kPreviewPaneHeight = 246;
    static constexpr int kHistogramPaneHeight = 128;

protected:
    QWidget *loadView() override;
    void viewControllerDidLoad() override;

private:
    void cancelRequest();
    MCResourceLoader &loader() const { return m_loader ? *m_loader : MCResourceLoader::sharedInstance(); }

    MCResourceLoader *m_loader = nullptr;
    std::shared_ptr<MCFile> m_previewItem;
    QUuid m_requestIdentifier;
    qint64 m_requestedPixelSize = 0;
    std::shared_ptr<MCResourceThumbnailReceiver> m_receiver; // forwards to this controller while it lives

    QPointer<QWidget> m_previewView;
    QPointer<MCInfoPanelLabel> m_previewLabel;
    QPointer<MCHistogramView> m_histogramView;
    QPointer<QTableView> m_exifTableView;
    QPointer<MCImageView> m_imageView;
    QPointer<QSplitter> m_splitView;
    MCInfoPanelTableModel m_tableModel;
};
