#pragma once

// The settings popovers of rename tokens: the index numbering, the date and time format, the
// case of the original name, find and replace, and the case of a text token. The three twins
// of the watermark popovers are the same screens over the rename keys; the index and find-and-
// replace members are the rename family's own. Like every token popover they edit a copy of
// the token (see MCTokenPopoverController).
#include "app/library/MCBatchRenameSettings.h"
#include "app/panels/MCTokenPopovers.h"
#include "app/uikit/MCStepperTextField.h"

#include <QLineEdit>

const MCTokenSettingsKeys &MCRenameTokenSettingsKeys();

class MCRenameTokenDateFormatPopover : public MCTypedTokenPopover<MCTokenDateFormatPopover, MCBatchRenameToken>
{
public:
    explicit MCRenameTokenDateFormatPopover(QObject *parent = nullptr)
        : MCTypedTokenPopover(MCRenameTokenSettingsKeys(), parent)
    {
    }
};

class MCRenameTokenChangeCasePopover : public MCTypedTokenPopover<MCTokenChangeCasePopover, MCBatchRenameToken>
{
public:
    explicit MCRenameTokenChangeCasePopover(QObject *parent = nullptr)
        : MCTypedTokenPopover(MCRenameTokenSettingsKeys(), parent)
    {
    }
};

class MCRenameTokenFilenamePopover : public MCTypedTokenPopover<MCTokenFilenamePopover, MCBatchRenameToken>
{
public:
    explicit MCRenameTokenFilenamePopover(QObject *parent = nullptr)
        : MCTypedTokenPopover(MCRenameTokenSettingsKeys(), parent)
    {
    }
};

// The first number and the least number of digits of an index token. The numbers are kept
// within what makes a sound file name: the start index is never negative and the digits stay
// between 0 and 10 (a value outside is stored as the nearest limit).
class MCRenameTokenIndexPopoverBase : public MCTokenPopoverController
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxNumberOfDigits = 10;
    using MCTokenPopoverController::MCTokenPopoverController;
    QStringList propertyNames() const override
    {
        return {QStringLiteral("startIndex"), QStringLiteral("numberOfDigits")};
    }
    qint64 startIndex() const { return integerSetting(kMCRenameStartIndexKey); }
    void setStartIndex(qint64 value);
    qint64 numberOfDigits() const { return integerSetting(kMCRenameNumberOfDigitsKey); }
    void setNumberOfDigits(qint64 value);
    MCStepperTextFieldCell *startIndexField() const { return m_startIndexField; }
    MCStepperTextFieldCell *numberOfDigitsField() const { return m_digitsField; }

protected:
    void buildControls(QFormLayout *form) override;
    void updateControls() override;

private:
    QPointer<MCStepperTextFieldCell> m_startIndexField;
    QPointer<MCStepperTextFieldCell> m_digitsField;
};
using MCRenameTokenIndexPopover = MCTypedTokenPopover<MCRenameTokenIndexPopoverBase, MCBatchRenameToken>;

// The text to find in the original name, its replacement and the case of the result. An
// emptied field stores the empty string.
class MCRenameTokenFindAndReplacePopoverBase : public MCTokenPopoverController
{
    Q_OBJECT
public:
    using MCTokenPopoverController::MCTokenPopoverController;
    QStringList propertyNames() const override
    {
        return {QStringLiteral("findString"), QStringLiteral("replaceString"), QStringLiteral("caseKind")};
    }
    QString findString() const { return stringSetting(kMCRenameFindStringKey); }
    void setFindString(const QString &value) { setSetting(kMCRenameFindStringKey, value.isNull() ? QString("") : value); }
    QString replaceString() const { return stringSetting(kMCRenameReplaceStringKey); }
    void setReplaceString(const QString &value)
    {
        setSetting(kMCRenameReplaceStringKey, value.isNull() ? QString("") : value);
    }
    qint64 caseKind() const { return integerSetting(kMCRenameCaseKindKey); }
    void setCaseKind(qint64 value) { setSetting(kMCRenameCaseKindKey, value); }
    QLineEdit *findField() const { return m_findField; }
    QLineEdit *replaceField() const { return m_replaceField; }
    QComboBox *casePopup() const { return m_casePopup; }

protected:
    void buildControls(QFormLayout *form) override;
    void updateControls() override;

private:
    QPointer<QLineEdit> m_findField;
    QPointer<QLineEdit> m_replaceField;
    QPointer<QComboBox> m_casePopup;
};
using MCRenameTokenFindAndReplacePopover =
    MCTypedTokenPopover<MCRenameTokenFindAndReplacePopoverBase, MCBatchRenameToken>;
