#pragma once

// The filter panel of the photo browser: a strip of predicate rows (for example: capture date
// within the last three weeks; file type is RAW) shown above the thumbnail grid. Each edit
// resizes the strip to its rows (rows x row height) and tells the delegate, which filters its
// groups through predicate(); removing the last row asks the delegate to close the panel.
//
// MCPredicateEditor lays out the rows on a dark background with a light line along each row's
// top edge and a dark one along its bottom; every row is made from one of the row templates
// and is built from the kit's filter-row controls. The rows are joined by AND.
#include "app/browser/MCPredicateRowTemplates.h"
#include "halvard/ui/MCViewController.h"

#include <QPointer>

class MCPredicateEditor;

// One row: left pop-up, operator pop-up, value view, the template's own views, then the remove
// and add buttons.
class MCPredicateEditorRow : public QWidget
{
    Q_OBJECT
public:
    MCPredicateEditorRow(MCPredicateEditor *editor, const MCPredicateEditorRowTemplatePtr &rowTemplate,
                         int leftIndex);

    const MCPredicateEditorRowTemplate &rowTemplate() const { return *m_template; }
    MCPredicateEditor *editor() const { return m_editor; }

    // The row's values as the template reads them.
    QString leftKeyPath() const;
    unsigned operatorType() const;
    QString valueText() const;    // the text field's text
    QVariant selectedValue() const; // the constant or tag of the value pop-up
    const QList<QWidget *> &templateViews() const { return m_templateViews; }

    MCPredicatePopupCell *leftPopUp() const { return m_leftPopUp; }
    MCPredicatePopupCell *operatorPopUp() const { return m_operatorPopUp; }
    QWidget *valueView() const { return m_valueView; }
    MCPredicateCircleButtonCell *removeButton() const { return m_removeButton; }
    MCPredicateCircleButtonCell *addButton() const { return m_addButton; }

    MCFilterPredicatePtr predicate() const { return m_template->predicateWithSubpredicates(*this); }

    // A value changed (the template's own views call it too).
    void valuesChanged();

signals:
    void changed();

private:
    void leftChanged();
    void buildTemplateViews();

    MCPredicateEditor *m_editor;
    MCPredicateEditorRowTemplatePtr m_template;
    MCPredicatePopupCell *m_leftPopUp;
    MCPredicatePopupCell *m_operatorPopUp = nullptr;
    QWidget *m_valueView = nullptr;
    QList<QWidget *> m_templateViews;
    QWidget *m_templateArea;
    MCPredicateCircleButtonCell *m_removeButton;
    MCPredicateCircleButtonCell *m_addButton;
};

class MCPredicateEditor : public QWidget
{
    Q_OBJECT
public:
    explicit MCPredicateEditor(QWidget *parent = nullptr);

    const QList<MCPredicateEditorRowTemplatePtr> &rowTemplates() const { return m_templates; }
    void setRowTemplates(const QList<MCPredicateEditorRowTemplatePtr> &templates);

    // A new row with the first template's first key, after `after` (at the end when null).
    MCPredicateEditorRow *addRow(MCPredicateEditorRow *after = nullptr);
    void removeRow(MCPredicateEditorRow *row);
    qint64 numberOfRows() const { return m_rows.size(); }
    MCPredicateEditorRow *rowAtIndex(qint64 index) const { return m_rows.at(index); }
    double rowHeight() const { return 25.0; }

    // The rows' predicates joined by AND (always true without rows).
    MCFilterPredicatePtr predicate() const;

    // Restyles the rows' controls after a change of the rows.
    void updateCells();

    QColor backgroundColor() const;
    QSize sizeHint() const override;

signals:
    // Every change of the rows or of a row's values (the editor's action).
    void predicateEditorChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void relayout();

    QList<MCPredicateEditorRowTemplatePtr> m_templates;
    QList<MCPredicateEditorRow *> m_rows;
};

class MCSearchPanelController;

class MCSearchPanelDelegate
{
public:
    virtual ~MCSearchPanelDelegate() = default;
    virtual void searchControllerDidChangePredicate(MCSearchPanelController *) {}
    virtual void searchControllerShouldBeClosed(MCSearchPanelController *) {}
};

class MCSearchPanelController : public MCViewController
{
    Q_OBJECT
public:
    explicit MCSearchPanelController(QObject *parent = nullptr);

    MCPredicateEditor *predicateEditor();
    MCSearchPanelDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCSearchPanelDelegate *delegate) { m_delegate = delegate; } // not owned

    // Rows x row height.
    double preferredHeight();
    // The editor's action: fits the view to the rows, then reports the change, or, when no row
    // is left, stops listening and asks to be closed.
    void predicateEditorChanged();
    // The editor's predicate.
    MCFilterPredicatePtr predicate() { return predicateEditor()->predicate(); }

protected:
    QWidget *loadView() override;

private:
    QPointer<MCPredicateEditor> m_predicateEditor;
    MCSearchPanelDelegate *m_delegate = nullptr;
};
