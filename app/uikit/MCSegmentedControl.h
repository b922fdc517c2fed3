#pragma once

// Themed segmented controls. MCSegmentedControl keeps what both looks share: the segments with
// their labels, images, tool tips and enabled flags, the selection by tracking mode, the press
// and the keyboard (Tab reaches the control; the left and right arrow keys move between the
// segments and Space chooses the one with the focus). The looks:
//
// MCDarkSegmentedControl: equal image segments joined into one rounded bar at the control
// height, 1 pixel apart, each lit up while the pointer is over it and with its own tool tip.
// Its geometry and colours are the functions of MCDarkSegmentedControlCell.
//
// MCBlackSegmentCell: text segments as wide as their labels, drawn as rounded pills on the dark
// background; the selected one blue, the one being pressed dark. The pressed segment is the one
// where the press started, for the whole press.
#include "app/uikit/MCControlSupport.h"

#include <QIcon>
#include <QList>
#include <QWidget>

class MCSegmentedControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qint64 selectedSegment READ selectedSegment WRITE setSelectedSegment NOTIFY selectedSegmentChanged)
public:
    enum class TrackingMode { SelectOne, SelectAny, Momentary };

    explicit MCSegmentedControl(QWidget *parent = nullptr);

    qint64 segmentCount() const { return qint64(m_segments.size()); }
    void setSegmentCount(qint64 count);
    QString labelForSegment(qint64 segment) const;
    void setLabel(const QString &label, qint64 segment);
    QIcon imageForSegment(qint64 segment) const;
    void setImage(const QIcon &image, qint64 segment);
    QString toolTipForSegment(qint64 segment) const;
    void setToolTip(const QString &toolTip, qint64 segment);
    using QWidget::setToolTip;
    // The size images are drawn at (16 x 16 unless set).
    QSize iconSize() const { return m_iconSize; }
    void setIconSize(const QSize &size);
    bool isEnabledForSegment(qint64 segment) const;
    void setEnabled(bool enabled, qint64 segment);
    using QWidget::setEnabled;

    TrackingMode trackingMode() const { return m_mode; }
    void setTrackingMode(TrackingMode mode) { m_mode = mode; }
    // The selected segment (the first, with several), -1 for none.
    qint64 selectedSegment() const;
    void setSelectedSegment(qint64 segment);
    bool isSelectedForSegment(qint64 segment) const;
    void setSelected(bool selected, qint64 segment);

    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);

    // Whether a press is under way (the pressed look of its segment).
    bool isHighlighted() const { return m_highlighted; }
    // The segment where the last press started, -1 outside every segment. Kept after the press.
    qint64 pressedSegment() const { return m_pressedSegment; }
    // Shows a press on `segment` (galleries), or ends it with -1.
    void setPressedSegmentForDisplay(qint64 segment);

    // The segment at `point` (widget coordinates), -1 for none.
    virtual qint64 segmentAtPoint(const QPointF &point) const = 0;
    virtual QRectF frameForSegment(qint64 segment) const = 0;

signals:
    void selectedSegmentChanged(qint64 segment);
    // A segment was chosen by a click or by the keyboard.
    void activated(qint64 segment);

protected:
    bool isWindowKey() const;
    qint64 focusedSegment() const { return m_focusedSegment; }
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // A press starts on `segment` (-1: in no segment).
    virtual void pressStarted(qint64 segment);
    virtual void pressEnded();

private:
    struct Segment {
        QString label;
        QIcon image;
        QString toolTip;
        bool enabled = true;
        bool selected = false;
    };
    void choose(qint64 segment);
    bool indexIsValid(qint64 segment) const { return segment >= 0 && segment < segmentCount(); }

    QList<Segment> m_segments;
    TrackingMode m_mode = TrackingMode::SelectOne;
    MCControlSize m_controlSize = MCControlSize::Regular;
    QSize m_iconSize = {16, 16};
    bool m_highlighted = false;
    qint64 m_pressedSegment = -1;
    qint64 m_focusedSegment = 0;
};

// Geometry and colours of the dark segmented bar, in widget coordinates.
namespace MCDarkSegmentedControlCell {
// 22 for the regular size, 18 for small and mini.
double controlHeight(MCControlSize size);
// Segment `index` of `count` in `bounds`: width trunc((bounds width - (count - 1)) / count), each
// 1 pixel after the one before, at the bounds' top and the control height. An index out of range
// (or no segments) gives the null rectangle.
QRectF frameForSegment(qint64 index, qint64 count, const QRectF &bounds, double controlHeight);
// The first segment containing `point`, -1 for none (the 1-pixel gaps belong to none).
qint64 segmentAtPoint(const QPointF &point, qint64 count, const QRectF &bounds, double controlHeight);
// The outline: the first segment rounded on the left and open on the right, the last the
// mirror image, the others a rectangle half a pixel wider and shorter than the frame.
QPainterPath strokePathForSegment(qint64 index, qint64 count, const QRectF &frame);
// The same, closed.
QPainterPath fillPathForSegment(qint64 index, qint64 count, const QRectF &frame);
// Fill (outline always theme 0.49): disabled 0.43; pressed theme 1.0 / 0.1; pointer over 0.53;
// otherwise 0.43.
MCFillStroke segmentColors(bool enabled, bool pressed, bool mouseOver);
// The image's opacity: 0.2 disabled, 1.0 selected, 0.5 otherwise.
double imageOpacity(bool enabled, bool selected);
// Where an image of `size` is drawn: centred, the origin truncated towards zero.
QRectF imageRect(const QSizeF &size, const QRectF &frame);
} // namespace MCDarkSegmentedControlCell

class MCDarkSegmentedControl : public MCSegmentedControl
{
    Q_OBJECT
public:
    explicit MCDarkSegmentedControl(QWidget *parent = nullptr);

    bool showsMouseOverState() const { return m_showsMouseOver; }
    void setShowsMouseOverState(bool shows);
    // The segment under the pointer, -1 for none.
    qint64 highlightedSegment() const { return m_highlightedSegment; }
    // The pointer is over `segment` and the window is the active one.
    bool isMouseOverOnSegment(qint64 segment) const;
    // The tool tip shown at `point`: the segment's, or "" between and outside the segments.
    QString toolTipAtPoint(const QPointF &point) const;

    qint64 segmentAtPoint(const QPointF &point) const override;
    QRectF frameForSegment(qint64 segment) const override;
    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;

private:
    void setHighlightedSegment(qint64 segment);

    bool m_showsMouseOver = true;
    qint64 m_highlightedSegment = -1;
};

// Text segments sized to their labels.
class MCBlackSegmentCell : public MCSegmentedControl
{
    Q_OBJECT
public:
    explicit MCBlackSegmentCell(QWidget *parent = nullptr);

    // Label insets of every segment: 3 top, 8 left, 4 bottom, 8 right.
    static QMarginsF labelInsets() { return QMarginsF(8.0, 3.0, 8.0, 4.0); }
    // A label's size (rounded up) plus the insets.
    static QSizeF segmentSizeForLabelSize(const QSizeF &labelSize);
    // The segment frame shrunk by the insets.
    static QRectF labelRectForFrame(const QRectF &frame);
    // All segments side by side, 1 pixel apart, the height of the tallest.
    static QSizeF cellSizeForSegmentSizes(const QList<QSizeF> &sizes);
    // The segment frames laid out from `frame`'s left, at its top and height.
    static QList<QRectF> segmentFrames(const QList<QSizeF> &sizes, const QRectF &frame);
    // The pill behind a segment (invalid: none): selected blue (saturation 0.5, brightness 0.6)
    // in the key window, theme 0.4 otherwise; the pressed unselected one theme 0.2.
    static QColor backgroundColor(bool selected, bool pressed, bool windowKey);
    // The label's white level: selected 1.0 (0.1 when the window is not key); enabled 0.8 while
    // pressed, else 0.6; disabled 0.5.
    static double textWhite(bool selected, bool enabled, bool pressed, bool windowKey);

    QSizeF labelSizeForSegment(qint64 segment) const;
    QSizeF segmentSizeForSegment(qint64 segment) const;
    QSizeF cellSize() const;
    // The segment being pressed, -1 when no press is under way.
    qint64 highlightedSegment() const { return m_highlightedSegment; }

    qint64 segmentAtPoint(const QPointF &point) const override;
    QRectF frameForSegment(qint64 segment) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void pressStarted(qint64 segment) override;
    void pressEnded() override;

private:
    QList<QRectF> frames() const;

    qint64 m_highlightedSegment = -1;
};
