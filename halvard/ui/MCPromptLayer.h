#pragma once

// The one way the application asks the user something modal: alerts and suppressible
// messages. Tests install a responder that answers each request by script, so nothing ever
// waits for a human; without one the request is shown as a window-modal message box.
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Button answers by position, as the platform numbers them.
enum MCAlertResponse : int {
    MCAlertFirstButtonReturn = 1000,
    MCAlertSecondButtonReturn = 1001,
    MCAlertThirdButtonReturn = 1002,
    MCAlertFourthButtonReturn = 1003,
};

struct MCAlertRequest {
    QString messageText;
    QString informativeText;
    QStringList buttonTitles; // first to last; answers are 1000 + position
    bool showsSuppressionButton = false;
    QString suppressionButtonTitle; // "Don't show again" unless set
    bool suppressionButtonChecked = false; // the box's state when the alert opens
    bool critical = false;                 // the critical style (an alert about possible loss)
};

struct MCAlertAnswer {
    int response = MCAlertFirstButtonReturn;
    bool suppressionChecked = false;
};

class MCPromptLayer
{
public:
    using AlertResponder = std::function<MCAlertAnswer(const MCAlertRequest &request)>;

    // Installs the responder every later alert goes to; an empty one shows them to the user.
    static void setAlertResponder(AlertResponder responder);
    static bool hasAlertResponder();

    // Asks the responder, or shows the alert window-modal over `parent`. An alert without
    // buttons gets one "OK" button.
    static MCAlertAnswer runAlert(const MCAlertRequest &request, QWidget *parent = nullptr);
};

// Installs a responder for the lifetime of this object, then restores the previous one.
class MCScopedAlertResponder
{
public:
    explicit MCScopedAlertResponder(MCPromptLayer::AlertResponder responder);
    ~MCScopedAlertResponder();
    MCScopedAlertResponder(const MCScopedAlertResponder &) = delete;
    MCScopedAlertResponder &operator=(const MCScopedAlertResponder &) = delete;

private:
    MCPromptLayer::AlertResponder m_previous;
};
