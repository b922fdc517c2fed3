#include "halvard/ui/MCAlert.h"

#include "platform/core/MCUserDefaults.h"

#include <algorithm>

namespace {
constexpr int kMaximumButtons = 4;
}

static MCAlert makeAlert(const QString &message, const QString &informative, const QStringList &buttons)
{
    MCAlert alert;
    if (!message.isEmpty())
        alert.setMessageText(message);
    if (!informative.isEmpty())
        alert.setInformativeText(informative);
    for (const QString &title : buttons)
        alert.addButtonWithTitle(title);
    return alert;
}

MCAlert MCAlert::alertWithMessageText(const QString &message, const QString &informative, const QString &firstButton)
{
    return makeAlert(message, informative, {firstButton});
}

MCAlert MCAlert::alertWithMessageText(const QString &message, const QString &informative, const QString &firstButton,
                                      const QString &secondButton)
{
    return makeAlert(message, informative, {firstButton, secondButton});
}

MCAlert MCAlert::alertWithMessageText(const QString &message, const QString &informative, const QString &firstButton,
                                      const QString &secondButton, const QString &thirdButton)
{
    return makeAlert(message, informative, {firstButton, secondButton, thirdButton});
}

MCAlert MCAlert::alertWithMessageText(const QString &message, const QString &informative, const QString &firstButton,
                                      const QString &secondButton, const QString &thirdButton,
                                      const QString &fourthButton)
{
    return makeAlert(message, informative, {firstButton, secondButton, thirdButton, fourthButton});
}

void MCAlert::addButtonWithTitle(const QString &title)
{
    if (!title.isEmpty() && m_request.buttonTitles.size() < kMaximumButtons)
        m_request.buttonTitles.append(title);
}

int MCAlert::runModal(QWidget *parent)
{
    const MCAlertAnswer answer = MCPromptLayer::runAlert(m_request, parent);
    m_suppressionChecked = answer.suppressionChecked;
    return answer.response;
}

int MCAlert::runSuppressible(MCUserDefaults &defaults, const QString &key, QWidget *parent)
{
    const QVariant remembered = defaults.objectForKey(key);
    if (remembered.isValid()) {
        const qint64 response = defaults.integerForKey(key);
        // A remembered answer naming a button this alert no longer has is not trusted.
        const qsizetype buttons = std::max<qsizetype>(1, m_request.buttonTitles.size());
        if (response >= MCAlertFirstButtonReturn && response < MCAlertFirstButtonReturn + buttons)
            return int(response);
    }
    const bool shows = m_request.showsSuppressionButton;
    m_request.showsSuppressionButton = true;
    const int response = runModal(parent);
    m_request.showsSuppressionButton = shows;
    if (m_suppressionChecked)
        defaults.setInteger(response, key);
    return response;
}
