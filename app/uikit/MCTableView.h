#pragma once

// Dark tables: a table view with themed header cells and a themed corner above its scroller,
// row delegates that fill selected rows in theme colours, a table that never takes the
// keyboard, and two small cell views with one more outlet each.
#include <QLabel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

class QAbstractButton;

// The header of one column: theme 0.22, the title in white 0.9 four pixels in from each side,
// vertically centred and cut with an ellipsis; a separator at the right edge of a column and a
// line along the bottom.
class MCTableHeaderCell
{
public:
    // The title's rectangle for the cell's title area and the title's height.
    static QRectF titleDrawingRect(const QRectF &titleRect, double textHeight);
    // Draws the header of a column (`inColumn`) or of the empty area right of the last one.
    static void drawWithFrame(QPainter &painter, const QRectF &frame, const QString &title, const QFont &font,
                              bool inColumn);
    static QColor backgroundColor();
    static QColor separatorColor();     // theme 0.15, between columns
    static QColor bottomLineColor();    // theme 0.12
};

// The square above the vertical scroller, right of the header: theme 0.22 with a theme 0.12
// line along its bottom.
class MCTableCornerView : public QWidget
{
    Q_OBJECT
public:
    explicit MCTableCornerView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Fills selected rows with theme 0.35 while the table has the keyboard in the active window
// ("emphasized"), else 0.3, and draws their text in white.
class MCTableRowView : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit MCTableRowView(QObject *parent = nullptr);
    virtual QColor selectionColor(bool emphasized) const;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// The same with lighter fills: 0.5 emphasized, 0.45 otherwise.
class MCGraySelectionTableRowView : public MCTableRowView
{
    Q_OBJECT
public:
    using MCTableRowView::MCTableRowView;
    QColor selectionColor(bool emphasized) const override;
};

class MCTableView : public QTableView
{
    Q_OBJECT
public:
    explicit MCTableView(QWidget *parent = nullptr);
    // The drop target's highlight: hue 210°, saturation 0.1, brightness 0.7.
    static QColor dropHighlightColor();
    MCTableCornerView *cornerView() const { return m_cornerView; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyTheme();

    MCTableCornerView *m_cornerView;
};

// A table that never takes the keyboard focus.
class MCNoResponderTableView : public MCTableView
{
    Q_OBJECT
public:
    explicit MCNoResponderTableView(QWidget *parent = nullptr);
};

// A table cell with a title and a button.
class MCButtonTableCellView : public QWidget
{
    Q_OBJECT
public:
    explicit MCButtonTableCellView(QWidget *parent = nullptr);
    QLabel *textField() const { return m_textField; }
    QAbstractButton *button() const { return m_button; }
    // Places `button` at the right of the cell (the cell takes it).
    void setButton(QAbstractButton *button);

private:
    QLabel *m_textField;
    QPointer<QAbstractButton> m_button;
};

// A table cell with a title and a second text at the right (the number of items of a group).
class MCTwoTextFieldsTableCellView : public QWidget
{
    Q_OBJECT
public:
    explicit MCTwoTextFieldsTableCellView(QWidget *parent = nullptr);
    QLabel *textField() const { return m_textField; }
    QLabel *secondTextField() const { return m_secondTextField; }
    void setSecondTextField(QLabel *field);

private:
    QLabel *m_textField;
    QPointer<QLabel> m_secondTextField;
};
