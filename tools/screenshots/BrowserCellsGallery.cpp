// The photo grid with the application's item and header cells: 200 generated photos in four
// groups at the three zoom scales, with every badge somewhere (label colours, stars, flags,
// marked and locked strips, movie, missing and library marks), and the media cell variant.
#include "app/browser/MCBrowserItemCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "halvard/browser/MCBrowserView.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QPainter>

#include <array>
#include <vector>

namespace {

class CellsGalleryData : public MCBrowserViewDataSource
{
public:
    static constexpr std::array<qint64, 4> kGroups = {64, 48, 72, 16};

    CellsGalleryData()
    {
        for (int i = 0; i < 200; ++i) {
            const bool portrait = i % 5 == 3;
            const int w = portrait ? 240 : 320, h = portrait ? 320 : 240;
            m_photos.push_back(i % 7 == 6 ? screenshots::nightPhoto(w, h) : screenshots::landscapePhoto(w, h));
        }
    }
    qint64 numberOfGroupsInBrowserView(MCBrowserView *) override { return qint64(kGroups.size()); }
    qint64 browserViewNumberOfItemsInGroup(MCBrowserView *, qint64 group) override { return kGroups.at(group); }
    void browserViewUpdateItemCell(MCBrowserView *view, MCBrowserViewCell *base, const MCIndexPath &path) override
    {
        const qint64 i = view->contentLayout().itemIndexFromIndexPath(path);
        auto *cell = static_cast<MCBrowserItemCell *>(base);
        // Every 23rd photo has no thumbnail yet: the placeholder.
        cell->setImage(i % 23 == 22 ? QImage() : m_photos.at(std::size_t(i)));
        cell->setTitle(QStringLiteral("IMG_%1.jpg").arg(4000 + i));
        cell->setSubtitle(QStringLiteral("2024-05-%1 10:%2, %3 × %4, %5 MB")
                              .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                              .arg(i % 60, 2, 10, QLatin1Char('0'))
                              .arg(i % 5 == 3 ? 4000 : 6000)
                              .arg(i % 5 == 3 ? 6000 : 4000)
                              .arg(8.0 + (i % 9) * 0.7, 0, 'f', 1));
        cell->setLabelColor(quint64(i % 9 < 8 ? i % 9 : 0));
        cell->setStarRating(quint64(i % 6));
        cell->setMarked(i % 4 == 1);
        cell->setLocked(i % 10 == 7);
        cell->setFlagged(i % 3 == 0);
        cell->setFavorite(i % 8 == 2);
        cell->setStoredOnCloud(i % 11 == 4);
        cell->setReferenced(i % 13 == 5);
        cell->setHidden(i % 17 == 6);
        cell->setRejected(i % 19 == 8);
        cell->setMovie(i % 12 == 9);
        cell->setMissing(i % 29 == 15);
        cell->setMediaSource(i % 14 < 5 ? i % 14 + 1 : 0);
    }
    void browserViewUpdateHeaderCell(MCBrowserView *, MCBrowserViewCell *base, qint64 group) override
    {
        static const char *const names[] = {"Coast, May 2024", "Mountains, June 2024", "City at night", "Untitled"};
        auto *cell = static_cast<MCBrowserHeaderCell *>(base);
        cell->setTitle(QString::fromUtf8(names[group]));
        cell->setSubtitle(group == 3 ? QString() : QStringLiteral("%1 photos").arg(kGroups.at(group)));
    }

private:
    std::vector<QImage> m_photos;
};

CellsGalleryData &cellsData()
{
    static CellsGalleryData data;
    return data;
}

MCBrowserView *cellGrid(double scale, const MCIndexSet &selection, const MCIndexSet &alternate = {})
{
    auto *view = new MCBrowserView;
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, MCColorQuillon::browserViewBackgroundColor());
    view->setPalette(palette);
    view->viewport()->setPalette(palette);
    view->setItemCell(std::make_shared<MCBrowserItemCell>(view));
    view->setHeaderCell(std::make_shared<MCBrowserHeaderCell>(view));
    view->setShowsGroupHeaders(true);
    view->setAllowsAlternateSelection(true);
    view->setDataSource(&cellsData());
    view->setScale(scale);
    view->reloadData();
    view->setSelectionIndexes(selection, false, false);
    view->setAlternateSelectionIndexes(alternate, false, false);
    return view;
}

// Single cells side by side, drawn directly: the plain cell's states and the media variant.
class CellSampler : public QWidget
{
public:
    explicit CellSampler(bool media) : m_media(media)
    {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, media ? QColor(236, 236, 236) : MCColorQuillon::browserViewBackgroundColor());
        setPalette(palette);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        std::unique_ptr<MCBrowserItemCell> cell = m_media ? std::make_unique<MCMediaBrowserItemCell>(this)
                                                          : std::make_unique<MCBrowserItemCell>(this);
        const QSizeF size = cell->cellSizeForBounds(QRectF(0, 0, 400, 400), 0.5);
        for (int i = 0; i < 4; ++i) {
            cell->setImage(i == 3 ? QImage()
                                  : screenshots::landscapePhoto(i == 1 ? 240 : 320, i == 1 ? 320 : 240));
            cell->setTitle(m_media ? QStringLiteral("Soft Edges %1").arg(i + 1)
                                   : QStringLiteral("IMG_40%1_with_a_long_name.jpg").arg(i));
            cell->setSubtitle(QStringLiteral("2024-05-12 10:2%1, 6000 × 4000, 9.4 MB").arg(i));
            cell->setLabelColor(quint64(i * 2 + 1));
            cell->setStarRating(quint64(i + 2));
            cell->setMarked(i == 1 || i == 2);
            cell->setLocked(i == 2);
            cell->setFlagged(i != 1);
            cell->setFavorite(i == 0);
            cell->setReferenced(i == 0);
            cell->setMovie(i == 1);
            cell->setMediaSource(i + 1);
            cell->setSelected(i == 0);
            cell->setSelectedAlternate(i == 1);
            cell->drawWithFrame(&painter, QRectF(QPointF(10 + i * (size.width() + 10), 10), size), this);
        }
    }

private:
    bool m_media;
};

const QSize kGridSize(900, 640);

const ScreenshotRegistration registration({
    {"browser-cells", "scale-0.25", [] { return cellGrid(0.25, MCIndexSet{3, 4, 5, 40, 70}); }, kGridSize},
    {"browser-cells", "scale-0.5", [] { return cellGrid(0.5, MCIndexSet{1, 2, 9}, MCIndexSet{5}); }, kGridSize},
    {"browser-cells", "scale-1.0", [] { return cellGrid(1.0, MCIndexSet{0, 2}); }, kGridSize},
    {"browser-cells", "states", [] { return new CellSampler(false); }, QSize(1140, 340)},
    {"browser-cells", "media", [] { return new CellSampler(true); }, QSize(1140, 340)},
});

} // namespace
