#include "app/panels/MCStagePanelForm.h"

#include "app/panels/MCStagePanelBinder.h"
#include "app/uikit/MCCheckboxCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCPopupCell.h"
#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"
#include "app/uikit/MCTextFieldCell.h"

#include <QGridLayout>
#include <QLabel>

MCStagePanelForm::MCStagePanelForm(QWidget *view, MCStagePanelBinder &binder)
    : m_view(view)
    , m_binder(binder)
    , m_layout(new QGridLayout(view))
{
    m_layout->setContentsMargins(kMargin, kTopMargin, kMargin, kTopMargin);
    m_layout->setHorizontalSpacing(6);
    m_layout->setVerticalSpacing(kRowSpacing);
    m_layout->setColumnMinimumWidth(0, kLabelWidth);
    m_layout->setColumnStretch(1, 1);
}

int MCStagePanelForm::nextRow() { return m_layout->rowCount() == 1 && !m_layout->itemAtPosition(0, 0) && !m_layout->itemAtPosition(0, 1) ? 0 : m_layout->rowCount(); }

QLabel *MCStagePanelForm::makeLabel(const QString &text)
{
    auto *label = new QLabel(text, m_view);
    label->setFont(MCControlFont(MCControlSize::Small));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(0.85));
    label->setPalette(palette);
    label->setFixedHeight(kRowHeight);
    return label;
}

int MCStagePanelForm::addRow(const QString &label, QWidget *control, bool wide)
{
    const int row = nextRow();
    if (!label.isNull()) {
        QLabel *title = makeLabel(label);
        title->setBuddy(control);
        m_layout->addWidget(title, row, 0);
        if (control->accessibleName().isEmpty())
            control->setAccessibleName(label);
    }
    control->setParent(m_view);
    m_layout->addWidget(control, row, 1, 1, wide ? 2 : 1);
    if (control->focusPolicy() != Qt::NoFocus) {
        if (m_lastControl)
            QWidget::setTabOrder(m_lastControl, control);
        m_lastControl = control;
    }
    return row;
}

MCStagePanelForm::NumberRow MCStagePanelForm::addNumberRow(const QString &label, const QString &key)
{
    NumberRow row;
    row.slider = m_binder.bindSlider(new MCSlider(m_view), key);
    row.slider->setControlSize(MCControlSize::Small);
    row.slider->setFixedHeight(kRowHeight);
    row.field = m_binder.bindNumberField(new MCStepperTextField(m_view), key);
    row.field->setFixedSize(kFieldWidth, kRowHeight);
    row.field->setFont(MCControlFont(MCControlSize::Small));
    row.field->setAccessibleName(label);
    const int index = addRow(label, row.slider, false);
    m_layout->addWidget(row.field, index, 2);
    QWidget::setTabOrder(row.slider, row.field);
    m_lastControl = row.field;
    return row;
}

QAbstractButton *MCStagePanelForm::addCheckBox(const QString &title, const QString &key)
{
    auto *box = new MCDarkCheckboxCell(title, m_view);
    box->setControlSize(MCControlSize::Small);
    box->setAccessibleName(title);
    addRow(QString(), box);
    return m_binder.bindCheckBox(box, key);
}

QLineEdit *MCStagePanelForm::addTextRow(const QString &label, const QString &key, const QString &placeholder)
{
    auto *field = new MCDarkTextFieldCell(m_view);
    field->setFont(MCControlFont(MCControlSize::Small));
    field->setFixedHeight(kRowHeight);
    field->setPlaceholderText(placeholder);
    addRow(label, field);
    return m_binder.bindTextField(field, key);
}

std::pair<QAbstractButton *, QLineEdit *> MCStagePanelForm::addCheckedTextRow(const QString &title,
                                                                              const QString &flagKey,
                                                                              const QString &textKey)
{
    auto *box = new MCDarkCheckboxCell(title, m_view);
    box->setControlSize(MCControlSize::Small);
    box->setAccessibleName(title);
    auto *field = new MCDarkTextFieldCell(m_view);
    field->setFont(MCControlFont(MCControlSize::Small));
    field->setFixedHeight(kRowHeight);
    field->setAccessibleName(title);
    const int row = nextRow();
    m_layout->addWidget(box, row, 0);
    m_layout->addWidget(field, row, 1, 1, 2);
    if (m_lastControl)
        QWidget::setTabOrder(m_lastControl, box);
    QWidget::setTabOrder(box, field);
    m_lastControl = field;
    m_binder.bindCheckBox(box, flagKey);
    m_binder.bindTextField(field, textKey);
    // The text is edited only while its flag is set.
    m_binder.bind(field, "enabled", flagKey, {.readOnly = true});
    return {box, field};
}

QComboBox *MCStagePanelForm::addPopupRow(const QString &label, const QString &key, const Items &items)
{
    auto *popup = new MCDarkPopupCell(m_view);
    popup->setControlSize(MCControlSize::Small);
    QVariantList values;
    for (const auto &[title, value] : items) {
        popup->addItem(title);
        values.append(value);
    }
    addRow(label, popup);
    return m_binder.bindPopup(popup, key, values);
}

QLabel *MCStagePanelForm::addNote(const QString &text)
{
    QLabel *note = makeLabel(text);
    note->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    note->setWordWrap(true);
    note->setMinimumHeight(kRowHeight);
    note->setMaximumHeight(QWIDGETSIZE_MAX);
    m_layout->addWidget(note, nextRow(), 0, 1, 3);
    return note;
}
