// The thumbnail grid: 200 generated photos in four groups with headers, at the three zoom scales,
// with a selection, an alternate selection and a rubber band.
#include "halvard/browser/MCBrowserView.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QPainterPath>

#include <array>
#include <vector>

namespace {

// A square picture area of 256 points at scale 1 with the file name below.
class ThumbnailCell : public MCBrowserViewCell
{
public:
    QString title;

    QSizeF cellSizeForBounds(const QRectF &, double scale) override { return QSizeF(256 * scale, 256 * scale + 20); }
    QRectF imageRectForBounds(const QRectF &bounds) override
    {
        const QRectF area(bounds.left() + 4, bounds.top() + 4, bounds.width() - 8, bounds.height() - 28);
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
        if (isSelected() || isSelectedAlternate()) {
            QPainterPath back;
            back.addRoundedRect(frame, 6, 6);
            painter->fillPath(back, isSelected() ? QColor(70, 110, 170) : QColor(95, 95, 95));
        }
        drawImageInRect(painter, imageRectForBounds(frame));
        painter->setPen(isSelected() ? QColor(255, 255, 255) : QColor(200, 200, 200));
        QFont font = painter->font();
        font.setPixelSize(11);
        painter->setFont(font);
        const QRectF caption(frame.left() + 4, frame.bottom() - 20, frame.width() - 8, 18);
        painter->drawText(caption, Qt::AlignCenter, painter->fontMetrics().elidedText(title, Qt::ElideMiddle, int(caption.width())));
        painter->restore();
    }
    void drawImageInRect(QPainter *painter, const QRectF &rect) override
    {
        if (image().isNull())
            return;
        painter->drawImage(rect, image());
        painter->setPen(QPen(QColor(255, 255, 255, 60), 1));
        painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

class HeaderCell : public MCBrowserViewCell
{
public:
    QString title;

    QSizeF cellSizeForBounds(const QRectF &bounds, double) override { return QSizeF(bounds.width(), 26); }
    QRectF imageRectForBounds(const QRectF &) override { return {}; }
    void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *) override
    {
        painter->save();
        painter->fillRect(frame, QColor(52, 52, 52));
        painter->setPen(QColor(220, 220, 220));
        QFont font = painter->font();
        font.setPixelSize(12);
        font.setBold(true);
        painter->setFont(font);
        painter->drawText(frame.adjusted(12, 0, -12, 0), Qt::AlignVCenter | Qt::AlignLeft, title);
        painter->restore();
    }
    void drawImageInRect(QPainter *, const QRectF &) override {}
};

// 200 photos: landscapes and night scenes, in landscape and portrait shapes, their colours
// turned round the hue circle so that neighbours differ.
class GalleryData : public MCBrowserViewDataSource
{
public:
    static constexpr std::array<qint64, 4> kGroups = {64, 48, 72, 16};

    GalleryData()
    {
        for (int i = 0; i < 200; ++i) {
            const bool portrait = i % 5 == 3;
            QImage photo = i % 7 == 6 ? screenshots::nightPhoto(portrait ? 120 : 160, portrait ? 160 : 120)
                                      : screenshots::landscapePhoto(portrait ? 120 : 160, portrait ? 160 : 120);
            m_photos.push_back(turnedHue(photo, (i * 37) % 360));
        }
    }
    qint64 numberOfGroupsInBrowserView(MCBrowserView *) override { return qint64(kGroups.size()); }
    qint64 browserViewNumberOfItemsInGroup(MCBrowserView *, qint64 group) override { return kGroups.at(group); }
    void browserViewUpdateItemCell(MCBrowserView *view, MCBrowserViewCell *cell, const MCIndexPath &path) override
    {
        const qint64 item = view->contentLayout().itemIndexFromIndexPath(path);
        auto *thumbnail = static_cast<ThumbnailCell *>(cell);
        thumbnail->setImage(m_photos.at(std::size_t(item)));
        thumbnail->title = QStringLiteral("IMG_%1.jpg").arg(1000 + item);
    }
    void browserViewUpdateHeaderCell(MCBrowserView *, MCBrowserViewCell *cell, qint64 group) override
    {
        static const char *const names[] = {"Coast, May 2024", "Mountains, June 2024", "City at night", "Untitled"};
        static_cast<HeaderCell *>(cell)->title =
            QStringLiteral("%1 — %2 photos").arg(QString::fromUtf8(names[group])).arg(kGroups.at(group));
    }

private:
    static QImage turnedHue(QImage image, int degrees)
    {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                QColor colour = image.pixelColor(x, y);
                const int hue = colour.hsvHue();
                if (hue >= 0)
                    colour.setHsv((hue + degrees) % 360, colour.hsvSaturation(), colour.value());
                image.setPixelColor(x, y, colour);
            }
        return image;
    }

    std::vector<QImage> m_photos;
};

GalleryData &galleryData()
{
    static GalleryData data;
    return data;
}

MCBrowserView *grid(double scale, const MCIndexSet &selection, const MCIndexSet &alternate = {})
{
    auto *view = new MCBrowserView;
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, QColor(34, 34, 34));
    view->setPalette(palette);
    view->setItemCell(std::make_shared<ThumbnailCell>());
    view->setHeaderCell(std::make_shared<HeaderCell>());
    view->setShowsGroupHeaders(true);
    view->setAllowsAlternateSelection(true);
    view->setDataSource(&galleryData());
    view->setScale(scale);
    view->reloadData();
    view->setSelectionIndexes(selection, false, false);
    view->setAlternateSelectionIndexes(alternate, false, false);
    return view;
}

// A grid caught in the middle of a rubber-band drag.
class BandGallery : public QWidget
{
public:
    BandGallery()
    {
        m_view = grid(0.5, {});
        m_view->setParent(this);
    }

protected:
    void resizeEvent(QResizeEvent *) override { m_view->setGeometry(rect()); }
    void showEvent(QShowEvent *) override
    {
        m_view->setGeometry(rect());
        m_view->sizeToFit(false);
        m_view->startSelection(QPointF(60, 60), Qt::NoModifier);
        m_view->makeSelectionInRect(QRectF(60, 60, 340, 260));
    }

private:
    MCBrowserView *m_view;
};

const QSize kGridSize(900, 640);

const ScreenshotRegistration registration({
    {"thumbnail-grid", "scale-0.25", [] { return grid(0.25, MCIndexSet{3, 4, 5, 40, 70}); }, kGridSize},
    {"thumbnail-grid", "scale-0.5", [] { return grid(0.5, MCIndexSet{1, 2, 9}, MCIndexSet{5}); }, kGridSize},
    {"thumbnail-grid", "scale-1.0", [] { return grid(1.0, MCIndexSet{0, 2}); }, kGridSize},
    {"thumbnail-grid", "band", [] { return new BandGallery; }, kGridSize},
    {"thumbnail-grid", "empty", [] {
         auto *view = grid(0.5, {});
         view->setDataSource(nullptr);
         view->reloadData();
         return view;
     }, QSize(400, 300)},
});

} // namespace
