#include "app/dialogs/MCChooseNameDialog.h"

#include "app/uikit/MCTextFieldCell.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

void MCChooseNameDialog::setName(const QString &name)
{
    m_name = name;
    if (m_nameField && m_nameField->text() != name)
        m_nameField->setText(name);
    updateWarning();
}

void MCChooseNameDialog::updateWarning()
{
    if (m_warningView)
        m_warningView->setVisible(isWarningVisible());
}

QDialog *MCChooseNameDialog::loadWindow()
{
    QWidget *content = nullptr;
    QDialog *dialog = newThemedWindow(&content);
    dialog->setWindowTitle(tr("Preset Name"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);

    auto *row = new QHBoxLayout;
    auto *label = new QLabel(tr("Preset name:"), content);
    m_nameField = new MCDarkTextFieldCell(content);
    m_nameField->setAccessibleName(tr("Preset name"));
    m_nameField->setMinimumWidth(240);
    label->setBuddy(m_nameField);
    row->addWidget(label);
    row->addWidget(m_nameField, 1);
    layout->addLayout(row);
    connect(m_nameField, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text != m_name)
            setName(text);
    });

    m_warningView = new QLabel(tr("A preset with this name already exists."), content);
    m_warningView->setAccessibleName(tr("Name in use"));
    QPalette palette = m_warningView->palette();
    palette.setColor(QPalette::WindowText, QColor(0xd0, 0x8a, 0x1e));
    m_warningView->setPalette(palette);
    QSizePolicy policy = m_warningView->sizePolicy();
    policy.setRetainSizeWhenHidden(true); // the dialog does not jump as the note comes and goes
    m_warningView->setSizePolicy(policy);
    layout->addWidget(m_warningView);

    addCancelAndOKButtons(layout, content);
    m_nameField->setText(m_name);
    updateWarning();
    return dialog;
}

void MCChooseNameDialog::prepareToShow()
{
    if (m_nameField) {
        m_nameField->setText(m_name);
        m_nameField->selectAll();
        m_nameField->setFocus();
    }
    updateWarning();
}
