#pragma once

// The rows of the stage tables: a header strip 23 points high (the stage's name and its
// buttons) over a content area that holds the view of the stage's panel.
//
// MCConvertStageTableCellView (conversion stages): the header has a collapse switch, an active
// switch, the title, a reset button (hidden for a stage that cannot be reset) and a close
// button; collapsed, the row is the header alone. MCEditMetadataStageTableCellView: the title
// and a close button; its content is always shown. The cells change no stage list: reset and
// close go to the delegate (the screen). The header controls are bound to the row's stage
// (objectValue): the active switch through the stage's undoable setActive(), the collapse
// switch through the not undoable setExpanded(); the screen observes "expanded" and measures
// the row again with preferredHeightForStageViewController().
#include "app/panels/MCStageViewController.h"
#include "app/uikit/MCButtonCell.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <memory>


class QHBoxLayout;
class QLabel;

// A small round header button drawing its own glyph; lit while the pointer is over it.
class MCStageHeaderButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum class Glyph { Active, Reset, Close };
    explicit MCStageHeaderButton(Glyph glyph, QWidget *parent = nullptr);
    Glyph glyph() const { return m_glyph; }
    QSize sizeHint() const override { return {17, 17}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Glyph m_glyph;
    bool m_over = false;
};

// What both cells share: the header and content areas, the panel's view in the content, the
// drawing and the last-row line.
class MCStageTableCellView : public QWidget
{
    Q_OBJECT
public:
    static constexpr double kHeaderHeight = 23.0;

    QWidget *headerView() const { return m_headerView; }
    QWidget *contentView() const { return m_contentView; }
    QLabel *titleTextField() const { return m_titleTextField; }
    QAbstractButton *closeButton() const { return m_closeButton; }

    bool isLastRow() const { return m_lastRow; }
    // Does not itself ask for a redraw.
    void setLastRow(bool lastRow) { m_lastRow = lastRow; }

    // The header and content rectangles, and the lines the cell draws (widget coordinates):
    // header top, the boundary under the header (when drawn) and the last row's closing line.
    struct Drawing
    {
        QRectF header;
        QRectF content;
        QList<QLineF> lines;
    };
    static Drawing drawingForBounds(const QRectF &bounds, bool drawsBoundary, bool lastRow);

protected:
    explicit MCStageTableCellView(QWidget *parent);

    // Shows the panel's view in the content area (see the cells' setStageViewController()).
    void showPanel(MCStagePanelController *panel);
    MCStagePanelController *panel() const { return m_panel; }
    // Whether the boundary under the header is drawn.
    virtual bool drawsBoundary() const { return true; }
    MCStagePanelBinder &headerBinder() { return m_binder; }
    QHBoxLayout *headerLayout() const { return m_headerLayout; }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Gives the panel's view the content's origin and width and its preferred height.
    void layoutPanel();

private:
    QWidget *m_headerView;
    QWidget *m_contentView;
    QHBoxLayout *m_headerLayout;
    QLabel *m_titleTextField;
    MCStageHeaderButton *m_closeButton;
    QPointer<MCStagePanelController> m_panel;
    MCStagePanelBinder m_binder; // the header controls and the row's stage
    bool m_lastRow = false;
};

class MCConvertStageTableCellView;

class MCConvertStageTableCellViewDelegate
{
public:
    virtual ~MCConvertStageTableCellViewDelegate() = default;
    // 0: reset, 1: close.
    virtual void convertStageCellView(MCConvertStageTableCellView *cell, quint64 action) = 0;
};

class MCConvertStageTableCellView : public MCStageTableCellView
{
    Q_OBJECT
public:
    enum Action : quint64 { ActionReset = 0, ActionClose = 1 };

    explicit MCConvertStageTableCellView(QWidget *parent = nullptr);

    // The row height for a panel: the header alone while its stage is collapsed, else the
    // header and the panel's preferred height (0 for no panel: the header).
    static double preferredHeightForStageViewController(MCConvertStageViewController *panel);

    const std::shared_ptr<MCConvertStage> &objectValue() const { return m_stage; }
    // The row's stage: the header controls follow it.
    void setObjectValue(std::shared_ptr<MCConvertStage> stage);
    MCConvertStageViewController *stageViewController() const;
    // Puts the panel's view into the content area (taking it from any other view holding it);
    // the same panel again leaves the view where it is.
    void setStageViewController(MCConvertStageViewController *panel);
    MCConvertStageTableCellViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCConvertStageTableCellViewDelegate *delegate) { m_delegate = delegate; } // not owned

    QAbstractButton *collapseButton() const { return m_collapseButton; }
    QAbstractButton *resetButton() const { return m_resetButton; }
    QAbstractButton *activityButton() const { return m_activityButton; }

    void actionReset();
    void actionClose();

protected:
    bool drawsBoundary() const override;

private:
    std::shared_ptr<MCConvertStage> m_stage;
    MCConvertStageTableCellViewDelegate *m_delegate = nullptr;
    MCDarkDisclosureButtonCell *m_collapseButton;
    MCStageHeaderButton *m_activityButton;
    MCStageHeaderButton *m_resetButton;
};

class MCEditMetadataStageTableCellView;

class MCEditMetadataStageTableCellViewDelegate
{
public:
    virtual ~MCEditMetadataStageTableCellViewDelegate() = default;
    // 0: close.
    virtual void editMetadataStageCellView(MCEditMetadataStageTableCellView *cell, quint64 action) = 0;
};

class MCEditMetadataStageTableCellView : public MCStageTableCellView
{
    Q_OBJECT
public:
    enum Action : quint64 { ActionClose = 0 };

    explicit MCEditMetadataStageTableCellView(QWidget *parent = nullptr);

    // Always the header and the panel's preferred height.
    static double preferredHeightForStageViewController(MCEditMetadataStageViewController *panel);

    const std::shared_ptr<MCEditMetadataStage> &objectValue() const { return m_stage; }
    void setObjectValue(std::shared_ptr<MCEditMetadataStage> stage);
    MCEditMetadataStageViewController *stageViewController() const;
    void setStageViewController(MCEditMetadataStageViewController *panel);
    MCEditMetadataStageTableCellViewDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCEditMetadataStageTableCellViewDelegate *delegate) { m_delegate = delegate; }

    void actionClose();

private:
    std::shared_ptr<MCEditMetadataStage> m_stage;
    MCEditMetadataStageTableCellViewDelegate *m_delegate = nullptr;
};
