#pragma once

// Alerts with up to four buttons, answered 1000 for the first button to 1003 for the fourth,
// and suppressible alerts remembered under a defaults key. All are run through MCPromptLayer.
#include "halvard/ui/MCPromptLayer.h"

class MCUserDefaults;

class MCAlert
{
public:
    MCAlert() = default;

    // Texts are set and buttons added only when given (not empty), in order.
    static MCAlert alertWithMessageText(const QString &message, const QString &informative,
                                        const QString &firstButton);
    static MCAlert alertWithMessageText(const QString &message, const QString &informative,
                                        const QString &firstButton, const QString &secondButton);
    static MCAlert alertWithMessageText(const QString &message, const QString &informative,
                                        const QString &firstButton, const QString &secondButton,
                                        const QString &thirdButton);
    static MCAlert alertWithMessageText(const QString &message, const QString &informative,
                                        const QString &firstButton, const QString &secondButton,
                                        const QString &thirdButton, const QString &fourthButton);

    MCAlertStyle alertStyle() const { return m_request.alertStyle; }
    void setAlertStyle(MCAlertStyle style) { m_request.alertStyle = style; }
    // The critical style, for an alert about a failure or a possible loss; false sets a warning.
    bool isCritical() const { return m_request.alertStyle == MCAlertStyleCritical; }
    void setCritical(bool critical) { m_request.alertStyle = critical ? MCAlertStyleCritical : MCAlertStyleWarning; }
    QString messageText() const { return m_request.messageText; }
    void setMessageText(const QString &text) { m_request.messageText = text; }
    QString informativeText() const { return m_request.informativeText; }
    void setInformativeText(const QString &text) { m_request.informativeText = text; }
    QStringList buttonTitles() const { return m_request.buttonTitles; }
    // At most four buttons; a fifth or an empty title is ignored.
    void addButtonWithTitle(const QString &title);

    bool showsSuppressionButton() const { return m_request.showsSuppressionButton; }
    void setShowsSuppressionButton(bool shows) { m_request.showsSuppressionButton = shows; }
    // Whether the "Don't show again" box was checked when the alert was last answered.
    bool suppressionButtonChecked() const { return m_suppressionChecked; }

    // Runs the alert and answers 1000 + the position of the chosen button.
    int runModal(QWidget *parent = nullptr);

    // A suppressible alert: when the user asked not to be shown it again under `key`, the
    // answer given then, without asking; otherwise the alert is run with a "Don't show again"
    // box, and when that box is checked the answer is remembered under `key`.
    int runSuppressible(MCUserDefaults &defaults, const QString &key, QWidget *parent = nullptr);

private:
    MCAlertRequest m_request;
    bool m_suppressionChecked = false;
};
