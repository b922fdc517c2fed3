#pragma once

// The abstract cell the thumbnail grid measures and draws one item or one group header with.
// The grid owns a single item cell and a single header cell, has its data source refill them
// just before each use and asks them for their size at the current scale; subclasses supply the
// drawing. The base keeps the state shared by all cells and makes drag images.
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

class MCBrowserViewCell
{
public:
    explicit MCBrowserViewCell(QWidget *controlView = nullptr) : m_controlView(controlView) {}
    virtual ~MCBrowserViewCell();

    // Set by the grid before each use: the item is in the main or the alternate selection.
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }
    bool isSelectedAlternate() const { return m_selectedAlternate; }
    void setSelectedAlternate(bool selected) { m_selectedAlternate = selected; }
    // The view the cell draws for.
    QWidget *controlView() const { return m_controlView; }
    void setControlView(QWidget *view) { m_controlView = view; }
    // The picture the data source put in the cell.
    const QImage &image() const { return m_image; }
    void setImage(const QImage &image) { m_image = image; }

    // The size of one cell at scale 1.
    QSizeF cellSizeForBounds(const QRectF &bounds) { return cellSizeForBounds(bounds, 1.0); }
    // The size of one cell of the grid at the scale, for the available bounds (the visible width
    // with an unbounded height in vertical mode, the reverse in horizontal mode).
    virtual QSizeF cellSizeForBounds(const QRectF &bounds, double scale) = 0;
    // Where the picture lies inside a cell frame (the preview window opens from it).
    virtual QRectF imageRectForBounds(const QRectF &bounds) = 0;
    // Draws the cell in the frame; `view` is null when drawing off the grid (a drag image).
    virtual void drawWithFrame(QPainter *painter, const QRectF &frame, QWidget *view) = 0;
    virtual void drawImageInRect(QPainter *painter, const QRectF &rect) = 0;

    // The cell drawn unselected into a transparent image of the size rounded up (99.2 × 80.5
    // gives 100 × 81; the cell itself draws in the unrounded frame). The offset, when asked, is
    // the zero point. A null image when the size is empty or too large to allocate. Subclasses
    // may change what is drawn around this call.
    virtual QImage dragImageWithSize(const QSizeF &size, QPointF *offset = nullptr);

private:
    bool m_selected = false;
    bool m_selectedAlternate = false;
    QPointer<QWidget> m_controlView;
    QImage m_image;
};
