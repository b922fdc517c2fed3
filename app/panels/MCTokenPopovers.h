#pragma once

// The settings popovers of text tokens: small screens shown in a popover beside a token of a
// token field, each editing a few entries of the token's settings. Two families share them:
// watermark text tokens (the text watermark editor; keys "DateFormatID", "TimeFormatID",
// "CaseKind", "FilenameTrimsIndex") and rename tokens (the rename settings editor; the same
// controls over "RenameDateFormatID" …). MCTokenPopoverController is the common base: it holds
// a copy of the token being edited (its kind and settings), never the field's own token, so
// the field can put the old token back on undo; every change of a setting is announced with
// tokenSettingsChanged() after it is stored, and the editor writes the copy back into its list.
//
// The generic members (date format, change case, file name) are parametrised by the family's
// keys; the watermark classes below, and the rename classes of the rename dialog, bind them to
// their token type. Main thread only.
#include "app/stages/MCWatermarkTextToken.h"
#include "halvard/ui/MCViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class MCPopover;
class QFormLayout;

// The settings keys of one token family.
struct MCTokenSettingsKeys {
    QString dateFormat;
    QString timeFormat;
    QString caseKind;
    QString trimsIndex;
};

class MCTokenPopoverController : public MCViewController
{
    Q_OBJECT
public:
    explicit MCTokenPopoverController(QObject *parent = nullptr);
    ~MCTokenPopoverController() override;

    // The popover around this controller's view; made with it.
    MCPopover *popover();

    bool hasToken() const { return m_hasToken; }
    quint64 tokenKind() const { return m_kind; }
    const QVariantMap &tokenSettings() const { return m_settings; }

    // Typed reads of the token's settings; a missing key reads 0, false or the empty string.
    qint64 integerSetting(const QString &key) const;
    bool boolSetting(const QString &key) const;
    QString stringSetting(const QString &key) const;
    // Stores `value` under `key` in the token copy and announces the change (nothing happens
    // without a token or when the stored value is the same).
    void setSetting(const QString &key, const QVariant &value);

    // The properties this member edits, in the order a new token announces them.
    virtual QStringList propertyNames() const = 0;

    // A different token (kind and settings) is stored and every property announced; the same
    // token changes nothing. None clears the token (after its popover closed).
    void setTokenData(const std::optional<std::pair<quint64, QVariantMap>> &token);

signals:
    // A setting of the token copy changed.
    void tokenSettingsChanged();
    // A property shows another value because another token arrived.
    void propertyDidChange(const QString &name);

protected:
    QWidget *loadView() override;
    // The member's controls, in a form the base lays out; and showing the current values.
    virtual void buildControls(QFormLayout *form) = 0;
    virtual void updateControls() = 0;
    // A themed pop-up of (title, tag) entries whose chosen tag is stored under `key`.
    QComboBox *newTagPopup(const QList<std::pair<QString, int>> &entries, const QString &key,
                           const QString &accessibleName);
    static void selectTag(QComboBox *popup, qint64 tag);
    // The four case kinds: 0 unchanged, 1 upper, 2 lower, 3 capitalised.
    static QList<std::pair<QString, int>> caseEntries();

private:
    bool m_hasToken = false;
    quint64 m_kind = 0;
    QVariantMap m_settings;
    MCPopover *m_popover = nullptr;
};

// Binds a generic member to a token type with kind(), settings() and a (kind, settings)
// constructor.
template <class Base, class Token>
class MCTypedTokenPopover : public Base
{
public:
    using Base::Base;
    std::optional<Token> token() const
    {
        return this->hasToken() ? std::optional<Token>(Token(this->tokenKind(), this->tokenSettings())) : std::nullopt;
    }
    void setToken(const std::optional<Token> &token)
    {
        this->setTokenData(token ? std::optional(std::pair(token->kind(), token->settings())) : std::nullopt);
    }
};

// Date and time pattern and case of a date token.
class MCTokenDateFormatPopover : public MCTokenPopoverController
{
    Q_OBJECT
public:
    explicit MCTokenDateFormatPopover(const MCTokenSettingsKeys &keys, QObject *parent = nullptr);
    QStringList propertyNames() const override;

    qint64 dateFormat() const { return integerSetting(m_keys.dateFormat); }
    void setDateFormat(qint64 value) { setSetting(m_keys.dateFormat, value); }
    qint64 timeFormat() const { return integerSetting(m_keys.timeFormat); }
    void setTimeFormat(qint64 value) { setSetting(m_keys.timeFormat, value); }
    qint64 caseKind() const { return integerSetting(m_keys.caseKind); }
    void setCaseKind(qint64 value) { setSetting(m_keys.caseKind, value); }

    QComboBox *dateFormatsPopup() const { return m_dateFormatsPopup; }
    QComboBox *timeFormatsPopup() const { return m_timeFormatsPopup; }
    QComboBox *casePopup() const { return m_casePopup; }

    // An entry's title with the sample of its pattern for `now` appended as " (…)"; the title
    // unchanged when the sample is empty.
    static QString titleWithSample(const QString &title, const QString &pattern, const QDateTime &now);

protected:
    void buildControls(QFormLayout *form) override;
    void updateControls() override;
    void viewControllerDidLoad() override;

private:
    MCTokenSettingsKeys m_keys;
    QPointer<QComboBox> m_dateFormatsPopup;
    QPointer<QComboBox> m_timeFormatsPopup;
    QPointer<QComboBox> m_casePopup;
};

// The case of a text token.
class MCTokenChangeCasePopover : public MCTokenPopoverController
{
    Q_OBJECT
public:
    explicit MCTokenChangeCasePopover(const MCTokenSettingsKeys &keys, QObject *parent = nullptr);
    QStringList propertyNames() const override { return {QStringLiteral("caseKind")}; }
    qint64 caseKind() const { return integerSetting(m_keys.caseKind); }
    void setCaseKind(qint64 value) { setSetting(m_keys.caseKind, value); }
    QComboBox *casePopup() const { return m_casePopup; }

protected:
    void buildControls(QFormLayout *form) override;
    void updateControls() override;

private:
    MCTokenSettingsKeys m_keys;
    QPointer<QComboBox> m_casePopup;
};

// The case and the trailing-number trim of a file-name token.
class MCTokenFilenamePopover : public MCTokenPopoverController
{
    Q_OBJECT
public:
    explicit MCTokenFilenamePopover(const MCTokenSettingsKeys &keys, QObject *parent = nullptr);
    QStringList propertyNames() const override { return {QStringLiteral("caseKind"), QStringLiteral("trimsIndex")}; }
    qint64 caseKind() const { return integerSetting(m_keys.caseKind); }
    void setCaseKind(qint64 value) { setSetting(m_keys.caseKind, value); }
    bool trimsIndex() const { return boolSetting(m_keys.trimsIndex); }
    void setTrimsIndex(bool value) { setSetting(m_keys.trimsIndex, value); }
    QComboBox *casePopup() const { return m_casePopup; }
    QCheckBox *trimsIndexCheckbox() const { return m_trimsIndex; }

protected:
    void buildControls(QFormLayout *form) override;
    void updateControls() override;

private:
    MCTokenSettingsKeys m_keys;
    QPointer<QComboBox> m_casePopup;
    QPointer<QCheckBox> m_trimsIndex;
};

// The watermark family.
const MCTokenSettingsKeys &MCWatermarkTokenSettingsKeys();

class MCWatermarkTextTokenDateFormatPopover
    : public MCTypedTokenPopover<MCTokenDateFormatPopover, MCWatermarkTextToken>
{
public:
    explicit MCWatermarkTextTokenDateFormatPopover(QObject *parent = nullptr)
        : MCTypedTokenPopover(MCWatermarkTokenSettingsKeys(), parent)
    {
    }
};

class MCWatermarkTextTokenChangeCasePopover
    : public MCTypedTokenPopover<MCTokenChangeCasePopover, MCWatermarkTextToken>
{
public:
    explicit MCWatermarkTextTokenChangeCasePopover(QObject *parent = nullptr)
        : MCTypedTokenPopover(MCWatermarkTokenSettingsKeys(), parent)
    {
    }
};

class MCWatermarkTextTokenFilenamePopover
    : public MCTypedTokenPopover<MCTokenFilenamePopover, MCWatermarkTextToken>
{
public:
    explicit MCWatermarkTextTokenFilenamePopover(QObject *parent = nullptr)
        : MCTypedTokenPopover(MCWatermarkTokenSettingsKeys(), parent)
    {
    }
};
