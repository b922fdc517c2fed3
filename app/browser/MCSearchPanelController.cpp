#include "app/browser/MCSearchPanelController.h"

#include "app/uikit/MCColorQuillon.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPaintEvent>
#include <QVBoxLayout>

using namespace MCColorQuillon;

// Row ------------------------------------------------------------------------------------------

MCPredicateEditorRow::MCPredicateEditorRow(MCPredicateEditor *editor, const MCPredicateEditorRowTemplatePtr &rowTemplate,
                                           int leftIndex)
    : QWidget(editor)
    , m_editor(editor)
    , m_template(rowTemplate)
    , m_leftPopUp(new MCPredicatePopupCell(this))
    , m_templateArea(new QWidget(this))
    , m_removeButton(new MCPredicateCircleButtonCell(QStringLiteral("-"), this))
    , m_addButton(new MCPredicateCircleButtonCell(QStringLiteral("+"), this))
{
    setFixedHeight(int(editor->rowHeight()));
    m_leftPopUp->setControlSize(MCControlSize::Small);
    m_leftPopUp->setAccessibleName(tr("Property"));
    // Every template's keys, so a row can turn into any kind of row.
    const QList<MCPredicateEditorRowTemplatePtr> &templates = editor->rowTemplates();
    int current = 0;
    for (qsizetype t = 0; t < templates.size(); ++t) {
        for (qsizetype k = 0; k < templates[t]->leftExpressions().size(); ++k) {
            if (templates[t] == rowTemplate && k == leftIndex)
                current = m_leftPopUp->count();
            m_leftPopUp->addItem(templates[t]->leftExpressions()[k].title, QVariantList{qint64(t), qint64(k)});
        }
    }
    m_leftPopUp->setCurrentIndex(current);
    m_leftPopUp->setFixedSize(m_leftPopUp->sizeHint().width(), 17);
    m_removeButton->setFixedSize(17, 17);
    m_addButton->setFixedSize(17, 17);
    m_removeButton->setAccessibleName(tr("Remove this filter"));
    m_addButton->setAccessibleName(tr("Add a filter"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(6);
    layout->addWidget(m_leftPopUp);
    layout->addWidget(m_templateArea);
    layout->addStretch(1);
    layout->addWidget(m_removeButton);
    layout->addWidget(m_addButton);
    auto *area = new QHBoxLayout(m_templateArea);
    area->setContentsMargins(0, 0, 0, 0);
    area->setSpacing(6);
    buildTemplateViews();

    connect(m_leftPopUp, &QComboBox::currentIndexChanged, this, &MCPredicateEditorRow::leftChanged);
    connect(m_removeButton, &QAbstractButton::clicked, this, [this] { m_editor->removeRow(this); });
    connect(m_addButton, &QAbstractButton::clicked, this, [this] { m_editor->addRow(this); });
}

void MCPredicateEditorRow::buildTemplateViews()
{
    QLayout *area = m_templateArea->layout();
    while (QLayoutItem *item = area->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_templateViews.clear();

    m_operatorPopUp = new MCPredicatePopupCell(m_templateArea);
    m_operatorPopUp->setControlSize(MCControlSize::Small);
    m_operatorPopUp->setAccessibleName(tr("Comparison"));
    for (const MCPredicateRowItem &item : m_template->operators())
        m_operatorPopUp->addItem(item.title, item.value);
    m_operatorPopUp->setFixedSize(m_operatorPopUp->sizeHint().width(), 17);
    area->addWidget(m_operatorPopUp);
    connect(m_operatorPopUp, &QComboBox::currentIndexChanged, this, &MCPredicateEditorRow::valuesChanged);

    if (m_template->valueKind() == MCPredicateEditorRowTemplate::ValueKind::TextField) {
        auto *field = new MCPredicateTextFieldCell(m_templateArea);
        field->setFont(MCControlFont(MCControlSize::Small));
        field->setFixedSize(96, 18);
        field->setAccessibleName(tr("Value"));
        connect(field, &QLineEdit::textChanged, this, &MCPredicateEditorRow::valuesChanged);
        m_valueView = field;
    } else {
        auto *popup = new MCPredicatePopupCell(m_templateArea);
        popup->setControlSize(MCControlSize::Small);
        popup->setAccessibleName(tr("Value"));
        for (const MCPredicateRowItem &item : m_template->values())
            popup->addItem(item.title, item.value);
        popup->setFixedSize(popup->sizeHint().width(), 17);
        connect(popup, &QComboBox::currentIndexChanged, this, &MCPredicateEditorRow::valuesChanged);
        m_valueView = popup;
    }
    area->addWidget(m_valueView);
    m_templateViews = m_template->makeTemplateViews(this);
    for (QWidget *view : m_templateViews) {
        view->setParent(m_templateArea);
        area->addWidget(view);
    }
    m_template->rowValuesChanged(this);
    // Tab runs left to right through the row.
    QWidget *previous = m_leftPopUp;
    auto chain = [&previous](QWidget *next) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    };
    chain(m_operatorPopUp);
    chain(m_valueView);
    for (QWidget *view : m_templateViews)
        for (QWidget *control : view->findChildren<QWidget *>())
            // Only the row's own controls, not the lists that pop-ups open in windows of their own.
            if ((control->focusPolicy() & Qt::TabFocus) && control->window() == m_leftPopUp->window())
                chain(control);
    chain(m_removeButton);
    chain(m_addButton);
}

void MCPredicateEditorRow::leftChanged()
{
    const QVariantList path = m_leftPopUp->currentData().toList();
    const QList<MCPredicateEditorRowTemplatePtr> &templates = m_editor->rowTemplates();
    if (path.size() == 2 && path[0].toLongLong() < templates.size()) {
        const MCPredicateEditorRowTemplatePtr chosen = templates[path[0].toLongLong()];
        if (chosen != m_template) {
            m_template = chosen;
            buildTemplateViews();
        }
    }
    valuesChanged();
}

QString MCPredicateEditorRow::leftKeyPath() const
{
    const QVariantList path = m_leftPopUp->currentData().toList();
    const qint64 index = path.size() == 2 ? path[1].toLongLong() : 0;
    return index < m_template->leftExpressions().size() ? m_template->leftExpressions()[index].value.toString()
                                                        : QString();
}

unsigned MCPredicateEditorRow::operatorType() const
{
    return m_operatorPopUp ? m_operatorPopUp->currentData().toUInt() : unsigned(MCEqualToPredicateOperatorType);
}

QString MCPredicateEditorRow::valueText() const
{
    const auto *field = qobject_cast<const QLineEdit *>(m_valueView);
    return field ? field->text() : QString();
}

QVariant MCPredicateEditorRow::selectedValue() const
{
    const auto *popup = qobject_cast<const QComboBox *>(m_valueView);
    return popup ? popup->currentData() : QVariant();
}

void MCPredicateEditorRow::valuesChanged()
{
    m_template->rowValuesChanged(this);
    emit changed();
}

// Editor --------------------------------------------------------------------------------------

MCPredicateEditor::MCPredicateEditor(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch(1);
    setAccessibleName(tr("Filter"));
}

void MCPredicateEditor::setRowTemplates(const QList<MCPredicateEditorRowTemplatePtr> &templates)
{
    m_templates = templates;
}

MCPredicateEditorRow *MCPredicateEditor::addRow(MCPredicateEditorRow *after)
{
    if (m_templates.isEmpty())
        return nullptr;
    auto *row = new MCPredicateEditorRow(this, m_templates.first(), 0);
    const qsizetype at = after ? m_rows.indexOf(after) + 1 : m_rows.size();
    m_rows.insert(at, row);
    static_cast<QVBoxLayout *>(layout())->insertWidget(int(at), row);
    connect(row, &MCPredicateEditorRow::changed, this, &MCPredicateEditor::predicateEditorChanged);
    row->show();
    relayout();
    emit predicateEditorChanged();
    return row;
}

void MCPredicateEditor::removeRow(MCPredicateEditorRow *row)
{
    if (!m_rows.removeOne(row))
        return;
    row->hide();
    row->deleteLater();
    relayout();
    emit predicateEditorChanged();
}

void MCPredicateEditor::relayout()
{
    updateGeometry();
    updateCells();
    update();
}

MCFilterPredicatePtr MCPredicateEditor::predicate() const
{
    if (m_rows.isEmpty())
        return MCFilterPredicate::truePredicate();
    if (m_rows.size() == 1)
        return m_rows.first()->predicate();
    QList<MCFilterPredicatePtr> rows;
    for (const MCPredicateEditorRow *row : m_rows)
        rows.append(row->predicate());
    return MCFilterPredicate::andPredicate(rows);
}

void MCPredicateEditor::updateCells()
{
    // The rows are built from the kit's controls; what remains is the softer text of values.
    for (MCPredicateTextFieldCell *field : findChildren<MCPredicateTextFieldCell *>()) {
        QPalette palette = field->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::Text, colorWithWhite(0.85, 1.0));
        field->setPalette(palette);
    }
}

QColor MCPredicateEditor::backgroundColor() const
{
    return backgroundDarkColor();
}

QSize MCPredicateEditor::sizeHint() const
{
    return {600, int(m_rows.size() * rowHeight())};
}

void MCPredicateEditor::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), backgroundColor());
    // Each row: a light line along its top edge, a dark one along its bottom edge.
    const QRectF bounds = rect();
    const double h = rowHeight();
    for (double y = bounds.top(); y < bounds.bottom(); ) {
        painter.setPen(QPen(colorWithBrightness(0.21), 1.0));
        painter.drawLine(QPointF(bounds.left(), y + 0.5), QPointF(bounds.right(), y + 0.5));
        y += h;
        painter.setPen(QPen(colorWithBrightness(0.07), 1.0));
        painter.drawLine(QPointF(bounds.left(), y - 0.5), QPointF(bounds.right(), y - 0.5));
    }
}

// Controller ----------------------------------------------------------------------------------

MCSearchPanelController::MCSearchPanelController(QObject *parent)
    : MCViewController(parent)
{
}

QWidget *MCSearchPanelController::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    m_predicateEditor = new MCPredicateEditor(view);
    m_predicateEditor->setRowTemplates(MCDefaultPredicateRowTemplates());
    layout->addWidget(m_predicateEditor);
    connect(m_predicateEditor, &MCPredicateEditor::predicateEditorChanged, this,
            &MCSearchPanelController::predicateEditorChanged);
    return view;
}

MCPredicateEditor *MCSearchPanelController::predicateEditor()
{
    view();
    return m_predicateEditor;
}

double MCSearchPanelController::preferredHeight()
{
    return double(predicateEditor()->numberOfRows()) * predicateEditor()->rowHeight();
}

void MCSearchPanelController::predicateEditorChanged()
{
    QWidget *panel = view();
    panel->resize(panel->width(), int(preferredHeight()));
    if (predicateEditor()->numberOfRows() > 0) {
        if (m_delegate)
            m_delegate->searchControllerDidChangePredicate(this);
        return;
    }
    // No row left: report nothing more, and ask to be closed.
    disconnect(m_predicateEditor, &MCPredicateEditor::predicateEditorChanged, this,
               &MCSearchPanelController::predicateEditorChanged);
    if (m_delegate)
        m_delegate->searchControllerShouldBeClosed(this);
}
