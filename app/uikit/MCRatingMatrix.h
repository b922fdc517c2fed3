#pragma once

// The star-rating control: one row of star cells whose rating is the number of lit stars,
// counted from the left. Pressing and dragging across the row lights the stars under the
// pointer; pressing at the very left of the first star (its first 4 pixels) clears the rating.
// The left and right arrow keys take one star away or add one. A screen binds a model key to
// the "rating" property (MCBinding); each finished press or key sends activated() once.
#include <QIcon>
#include <QWidget>

// The column a press at `x` (widget coordinates) belongs to, -1 .. columns - 1: the cell under
// the pointer, except that the first 4 pixels of a cell count as the cell before it (and those
// of the first cell as none). Columns are cellWidth + spacing apart; the spacing itself is not
// considered when choosing the cell, as the platform's matrix does not.
qint64 MCRatingMatrixColumnForX(double x, double cellWidth, double spacing, qint64 columns);

class MCRatingMatrix : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qint64 rating READ rating WRITE setRating NOTIFY ratingChanged)
public:
    explicit MCRatingMatrix(QWidget *parent = nullptr);

    qint64 rating() const { return m_rating; }
    // Lights the cells 0 .. rating - 1 (all of them for a rating beyond the columns, none for 0
    // or less). Setting the rating it already has changes nothing.
    void setRating(qint64 rating);

    qint64 numberOfColumns() const { return m_columns; }
    void setNumberOfColumns(qint64 columns);
    QSizeF cellSize() const { return m_cellSize; }
    void setCellSize(const QSizeF &size);
    double intercellSpacing() const { return m_spacing; }
    void setIntercellSpacing(double spacing);
    // The cell images, lit and unlit; without them a star is drawn.
    void setImages(const QIcon &on, const QIcon &off);

    // Whether the cell in `column` is lit.
    bool isCellOn(qint64 column) const { return column >= 0 && column < m_rating; }
    QRectF cellFrame(qint64 column) const;
    qint64 columnForX(double x) const;

    QSize sizeHint() const override;

signals:
    void ratingChanged(qint64 rating);
    // A press (or a key) is over: sent once, after the rating took its new value.
    void activated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qint64 m_rating = 0;
    qint64 m_columns = 5;
    QSizeF m_cellSize = {16, 16};
    double m_spacing = 0;
    QIcon m_on;
    QIcon m_off;
    bool m_tracking = false;
};
