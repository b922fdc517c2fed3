#pragma once

// The row templates of the filter panel's predicate editor. A template declares the left key
// paths a row offers (the MCFile "filtered..." keys), its operators and its value view (a text
// field, a pop-up of constants or a pop-up of tagged items), may append views of its own, and
// turns a row's current values into a predicate through MCFilterRowPredicates. Every row is
// made from one template; switching the left pop-up to a key of another template rebuilds the
// row from that template.
#include "app/library/MCFilterPredicate.h"
#include "app/uikit/MCPredicateCells.h"

#include <QDate>
#include <QWidget>

#include <memory>

class MCPredicateEditorRow;
class QCalendarWidget;

// One entry of a row pop-up: its title and what it stands for (a key path, an operator number,
// a constant string or a tag).
struct MCPredicateRowItem {
    QString title;
    QVariant value;
};

class MCPredicateEditorRowTemplate
{
public:
    enum class ValueKind { TextField, Constants, TaggedItems };

    MCPredicateEditorRowTemplate(QList<MCPredicateRowItem> leftExpressions, QList<MCPredicateRowItem> operators,
                                 ValueKind valueKind, QList<MCPredicateRowItem> values = {}, unsigned options = 0);
    virtual ~MCPredicateEditorRowTemplate() = default;

    const QList<MCPredicateRowItem> &leftExpressions() const { return m_leftExpressions; }
    const QList<MCPredicateRowItem> &operators() const { return m_operators; }
    ValueKind valueKind() const { return m_valueKind; }
    const QList<MCPredicateRowItem> &values() const { return m_values; }
    unsigned options() const { return m_options; }

    // Views appended after the value view, made for each row (none by default).
    virtual QList<QWidget *> makeTemplateViews(MCPredicateEditorRow *row) const;
    // A value of the row changed: the template may show other views.
    virtual void rowValuesChanged(MCPredicateEditorRow *row) const;
    // The row's predicate; by default the left key compared with the value as it stands
    // (the text, or the constant or tag chosen).
    virtual MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const;

private:
    QList<MCPredicateRowItem> m_leftExpressions;
    QList<MCPredicateRowItem> m_operators;
    ValueKind m_valueKind;
    QList<MCPredicateRowItem> m_values;
    unsigned m_options;
};

using MCPredicateEditorRowTemplatePtr = std::shared_ptr<const MCPredicateEditorRowTemplate>;

// A pull-down showing one date; its menu holds a calendar. Choosing another day changes the
// date and tells so; choosing the day already shown does nothing.
class MCPredicateDatePopup : public MCPredicatePopupCell
{
    Q_OBJECT
public:
    explicit MCPredicateDatePopup(QWidget *parent = nullptr);
    QDate date() const { return m_date; }
    void setDate(const QDate &date);
    // What picking `date` in the calendar does.
    void datePickerChanged(const QDate &date);
    void showPopup() override;

signals:
    void dateChanged(const QDate &date);

private:
    QDate m_date;
};

// The date row's own views: the interval field and unit pop-up of "within the last", or the
// day pop-up of "on", "before" and "on or after" (198 x 18).
class MCDateRowLastView : public QWidget
{
    Q_OBJECT
public:
    explicit MCDateRowLastView(QWidget *parent = nullptr);
    MCPredicateTextFieldCell *timeIntervalTextField() const { return m_intervalField; }
    MCPredicatePopupCell *timeIntervalPopUp() const { return m_intervalPopUp; }
    MCPredicateDatePopup *datePickerPopup() const { return m_datePopup; }
    // Shows the views of row type `type` (0: interval; 1-3: day; otherwise none).
    void updateLastViewForType(int type);
    static QStringList timeIntervals(); // "days", "weeks", "months", "years" (tags 0-3)

signals:
    void valuesChanged();

private:
    MCPredicateTextFieldCell *m_intervalField;
    MCPredicatePopupCell *m_intervalPopUp;
    MCPredicateDatePopup *m_datePopup;
};

class MCDatePredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    QList<QWidget *> makeTemplateViews(MCPredicateEditorRow *row) const override;
    void rowValuesChanged(MCPredicateEditorRow *row) const override;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
    // "Now" for the ranges; tests fix it.
    static void setCurrentDateForTesting(const QDateTime &now);
};

class MCAvoidEmptyStringPredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCParentFolderPredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCConstantNumberPredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCKeywordsPredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCColorModePredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCFileSizePredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    static QStringList sizeKinds(); // "KB", "MB", "GB" (tags 1-3)
    QList<QWidget *> makeTemplateViews(MCPredicateEditorRow *row) const override;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCMenuTagPredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCNumberPredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

class MCFileTypePredicateEditorRowTemplate : public MCPredicateEditorRowTemplate
{
public:
    using MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate;
    MCFilterPredicatePtr predicateWithSubpredicates(const MCPredicateEditorRow &row) const override;
};

// The filter panel's rows: dates, names and texts, folder, keywords, numbers, size, rating,
// label and flags, colour mode and file type.
QList<MCPredicateEditorRowTemplatePtr> MCDefaultPredicateRowTemplates();
