#include "app/dialogs/MCRenameTokenPopovers.h"

#include "app/uikit/MCPopupCell.h"
#include "app/uikit/MCStepperTextField.h"
#include "app/uikit/MCTextFieldCell.h"

#include <QFormLayout>

#include <algorithm>

const MCTokenSettingsKeys &MCRenameTokenSettingsKeys()
{
    static const MCTokenSettingsKeys keys{kMCRenameDateFormatIDKey, kMCRenameTimeFormatIDKey, kMCRenameCaseKindKey,
                                          kMCRenameFilenameTrimsIndexKey};
    return keys;
}

// Index -----------------------------------------------------------------------------------------

void MCRenameTokenIndexPopoverBase::setStartIndex(qint64 value)
{
    setSetting(kMCRenameStartIndexKey, std::max<qint64>(value, 0));
    updateControls(); // a refused value is shown as the limit it became
}

void MCRenameTokenIndexPopoverBase::setNumberOfDigits(qint64 value)
{
    setSetting(kMCRenameNumberOfDigitsKey, std::clamp<qint64>(value, 0, kMaxNumberOfDigits));
    updateControls();
}

void MCRenameTokenIndexPopoverBase::buildControls(QFormLayout *form)
{
    auto makeField = [this](const QString &name, double maxValue, auto setter) {
        auto *field = new MCStepperTextFieldCell;
        field->setAccessibleName(name);
        field->setMinValue(0);
        field->setMaxValue(maxValue);
        field->setFixedWidth(90);
        field->setFocusPolicy(Qt::StrongFocus);
        connect(field, &MCStepperTextFieldCell::objectValueChanged, this, [this, field, setter] {
            (this->*setter)(qint64(field->doubleValue()));
        });
        return field;
    };
    m_startIndexField = makeField(tr("Start index"), 999999999, &MCRenameTokenIndexPopoverBase::setStartIndex);
    m_digitsField = makeField(tr("Number of digits"), kMaxNumberOfDigits, &MCRenameTokenIndexPopoverBase::setNumberOfDigits);
    form->addRow(tr("Start at:"), m_startIndexField);
    form->addRow(tr("Digits:"), m_digitsField);
}

void MCRenameTokenIndexPopoverBase::updateControls()
{
    for (auto [field, value] : {std::pair(m_startIndexField.data(), startIndex()),
                                std::pair(m_digitsField.data(), numberOfDigits())}) {
        if (field && field->objectValue() != QVariant(double(value))) {
            const QSignalBlocker blocker(field);
            field->setObjectValue(double(value));
        }
    }
}

// Find and replace --------------------------------------------------------------------------------

void MCRenameTokenFindAndReplacePopoverBase::buildControls(QFormLayout *form)
{
    auto makeField = [this](const QString &name, void (MCRenameTokenFindAndReplacePopoverBase::*setter)(const QString &)) {
        auto *field = new MCDarkTextFieldCell;
        field->setAccessibleName(name);
        field->setMinimumWidth(160);
        connect(field, &QLineEdit::textEdited, this, [this, setter](const QString &text) { (this->*setter)(text); });
        return field;
    };
    m_findField = makeField(tr("Find"), &MCRenameTokenFindAndReplacePopoverBase::setFindString);
    m_replaceField = makeField(tr("Replace with"), &MCRenameTokenFindAndReplacePopoverBase::setReplaceString);
    m_casePopup = newTagPopup(caseEntries(), kMCRenameCaseKindKey, tr("Case"));
    form->addRow(tr("Find:"), m_findField);
    form->addRow(tr("Replace:"), m_replaceField);
    form->addRow(tr("Case:"), m_casePopup);
}

void MCRenameTokenFindAndReplacePopoverBase::updateControls()
{
    for (auto [field, value] : {std::pair(m_findField.data(), findString()),
                                std::pair(m_replaceField.data(), replaceString())}) {
        if (field && field->text() != value)
            field->setText(value);
    }
    selectTag(m_casePopup, caseKind());
}
