#pragma once

// The small modal dialog that asks for a preset's name. A note under the field says when the
// name is taken already; it only informs: OK still answers 1000 (two presets may share a name,
// their files stay apart). Cancel answers 1001.
#include "app/shell/MCDialogController.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>

class MCChooseNameDialog : public MCDialogController
{
    Q_OBJECT
public:
    using MCDialogController::MCDialogController;

    QString windowNibName() const override { return QStringLiteral("MCChooseNameDialog"); }

    QString name() const { return m_name; }
    // Stores the name, shows it in the field and shows the note exactly when it is used.
    void setName(const QString &name);
    QStringList usedNames() const { return m_usedNames; }
    void setUsedNames(const QStringList &names) { m_usedNames = names; }

    // The note that the name is taken.
    QLabel *warningView() const { return m_warningView; }
    QLineEdit *nameField() const { return m_nameField; }
    bool isWarningVisible() const { return m_usedNames.contains(m_name); }

protected:
    QDialog *loadWindow() override;
    void prepareToShow() override;

private:
    void updateWarning();

    QString m_name;
    QStringList m_usedNames;
    QPointer<QLabel> m_warningView;
    QPointer<QLineEdit> m_nameField;
};
