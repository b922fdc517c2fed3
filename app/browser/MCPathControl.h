#pragma once

// The path bar under the photo grid: the location of the selection as a row of components
// (each folder from the root down, and the file itself when one photo is selected; the deepest
// folder holding all of them when several are). A double-click on a component opens it with
// its default application; a right-click over a component shows the bar's menu for that
// component, beside the components an empty one.
//
// MCPathCell keeps the components and their behaviour; MCWhitePathCell is the light variant
// for the dark bar (light bold text with a shadow and an arrow after every component but the
// last); MCPathControl is the widget that lays them out, draws them and takes the clicks.
// Geometry comes from the pure functions below. Opening and revealing go through the shared
// MCWorkspace, which tests replace.
#include <QIcon>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <memory>

// Frames of components of the given natural widths laid out from the left of `bounds`, full
// height. When they do not fit, the components nearest the root give way first, each down to
// `minimumWidth`, then the last one; they never overlap and never grow.
QList<QRectF> MCPathComponentFrames(const QList<double> &naturalWidths, const QRectF &bounds, double minimumWidth);
// Where the arrow after a component goes: centred vertically and straddling the component's
// right edge, 2 points left of centred on it.
QRectF MCPathArrowRect(const QRectF &componentFrame, const QSizeF &arrowSize);
// The folders from the root down to `path` and the path itself: "/a/b.jpg" gives "/", "/a",
// "/a/b.jpg". Empty for an empty or relative path.
QStringList MCPathComponentPaths(const QString &path);

// One component: a title, the path it stands for, an icon.
class MCPathComponentCell
{
public:
    virtual ~MCPathComponentCell();
    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    // The absolute path; empty for a component without one.
    QString URL() const { return m_URL; }
    void setURL(const QString &path) { m_URL = path; }
    QIcon image() const { return m_image; }
    void setImage(const QIcon &image) { m_image = image; }
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color) { m_textColor = color; }

    virtual QFont font() const;
    // The width the component wants: icon, gap, text and room for an arrow.
    virtual double naturalWidth() const;
    virtual void drawInteriorWithFrame(QPainter *painter, const QRectF &frame, QWidget *view);
    QRectF iconRectForFrame(const QRectF &frame) const;
    QRectF titleRectForFrame(const QRectF &frame) const;

    static constexpr double kIconSize = 16.0;

protected:
    // The title cut in the middle to the rect, in `colour` (the painter's pen when invalid).
    void drawTitle(QPainter *painter, const QRectF &rect, const QColor &colour) const;

private:
    QString m_title;
    QString m_URL;
    QIcon m_image;
    QColor m_textColor;
};

// Bold small text with a shadow one point below it, and an arrow after the component.
class MCWhitePathComponentCell : public MCPathComponentCell
{
public:
    bool drawsArrow() const { return m_drawsArrow; }
    void setDrawsArrow(bool draws) { m_drawsArrow = draws; }
    QFont font() const override;
    void drawInteriorWithFrame(QPainter *painter, const QRectF &frame, QWidget *view) override;

private:
    bool m_drawsArrow = false;
};

class MCPathCell
{
public:
    MCPathCell();
    virtual ~MCPathCell();

    QString URL() const { return m_URL; }
    // Rebuilds the components for the path; an empty path leaves none.
    virtual void setURL(const QString &path);
    const QList<std::shared_ptr<MCPathComponentCell>> &pathComponentCells() const { return m_components; }

    // The component last clicked (null beside the components).
    MCPathComponentCell *clickedPathComponentCell() const { return m_clicked.get(); }
    void setClickedPathComponentCell(std::shared_ptr<MCPathComponentCell> cell) { m_clicked = std::move(cell); }

    // The double action: opens the clicked component with its default application; nothing
    // without a clicked component or without a path.
    void pathControlOpen();
    // Shows the clicked component in the file manager.
    void pathControlRevealInFinder();
    // The menu to show: `menu` (the control's) when a component was clicked, else the one
    // empty menu of the program, so a click beside the components offers no commands.
    QMenu *menuForEvent(QMenu *menu) const;
    static QMenu *emptyMenu();

protected:
    virtual std::shared_ptr<MCPathComponentCell> newPathComponentCell() const;

private:
    QString m_URL;
    QList<std::shared_ptr<MCPathComponentCell>> m_components;
    std::shared_ptr<MCPathComponentCell> m_clicked;
};

class MCWhitePathCell : public MCPathCell
{
public:
    // Every component light (white 0.92) with an arrow after it, but the last.
    void setURL(const QString &path) override;

protected:
    std::shared_ptr<MCPathComponentCell> newPathComponentCell() const override;
};

class MCPathControl : public QWidget
{
    Q_OBJECT
public:
    // A light path cell for the dark bar unless another cell is given.
    explicit MCPathControl(QWidget *parent = nullptr, std::unique_ptr<MCPathCell> cell = nullptr);
    ~MCPathControl() override;

    MCPathCell *pathCell() const { return m_cell.get(); }
    QString URL() const { return m_cell->URL(); }
    void setURL(const QString &path);
    // The common folder of the paths: none for an empty list, the path itself for one.
    void setURLs(const QStringList &paths);

    // The commands offered over a component: "Open" and "Show in File Manager" unless the
    // owner sets its own menu. Items whose data is "needsURL" hide when the clicked component
    // has no path.
    QMenu *pathMenu() const { return m_menu; }
    void setPathMenu(QMenu *menu);

    // Component frames in widget coordinates, in order.
    QList<QRectF> componentFrames() const;
    // The component under the point, or -1.
    int componentIndexAtPoint(const QPointF &point) const;
    // What a right-click at the point would show (the clicked component is set first).
    QMenu *menuAtPoint(const QPointF &point);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void clickAt(const QPointF &point);
    void updateMenuItems();

    std::unique_ptr<MCPathCell> m_cell;
    QPointer<QMenu> m_menu;
    int m_focusedComponent = -1;
};
