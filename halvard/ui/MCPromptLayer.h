#pragma once

// The one way the application asks the user something modal: alerts, suppressible messages
// and open panels. Tests install a responder that answers each request by script, so nothing
// ever waits for a human; without one the request is shown as a window-modal dialog.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFileDialog;
class QWidget;

// Button answers by position, as the platform numbers them.
enum MCAlertResponse : int {
    MCAlertFirstButtonReturn = 1000,
    MCAlertSecondButtonReturn = 1001,
    MCAlertThirdButtonReturn = 1002,
    MCAlertFourthButtonReturn = 1003,
};

// The alert styles, numbered as the platform numbers them: a warning (the default), a
// message that something went as asked, and an alert about a failure or a possible loss.
enum MCAlertStyle : int {
    MCAlertStyleWarning = 0,
    MCAlertStyleInformational = 1,
    MCAlertStyleCritical = 2,
};

struct MCAlertRequest {
    QString messageText;
    QString informativeText;
    QStringList buttonTitles; // first to last; answers are 1000 + position
    bool showsSuppressionButton = false;
    QString suppressionButtonTitle; // "Don't show again" unless set
    bool suppressionButtonChecked = false; // the box's state when the alert opens
    MCAlertStyle alertStyle = MCAlertStyleWarning; // the icon the alert shows
};

struct MCAlertAnswer {
    int response = MCAlertFirstButtonReturn;
    bool suppressionChecked = false;
};

// A panel choosing existing files or folders, or both at once.
struct MCOpenPanelRequest {
    QString title;
    QString message;         // a line above the file list, when given
    QString prompt;          // the accept button's title ("Open" unless set)
    QString directory;       // the folder the panel opens at
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    // The files that can be chosen: type identifiers ("public.jpeg") or bare file-name
    // extensions ("jpg"). Empty allows every file; folders are never filtered.
    QStringList allowedFileTypes;
    QWidget *accessoryView = nullptr; // shown under the file list; stays the caller's
};

struct MCOpenPanelAnswer {
    bool accepted = false; // false when the user cancelled
    QStringList paths;     // absolute paths of the chosen items
    QString directory;     // the folder the panel showed when it closed; empty when unknown
};

class MCPromptLayer
{
public:
    using AlertResponder = std::function<MCAlertAnswer(const MCAlertRequest &request)>;
    using OpenPanelResponder = std::function<MCOpenPanelAnswer(const MCOpenPanelRequest &request)>;

    // Installs the responder every later alert goes to; an empty one shows them to the user.
    static void setAlertResponder(AlertResponder responder);
    static bool hasAlertResponder();

    // Asks the responder, or shows the alert window-modal over `parent`. An alert without
    // buttons gets one "OK" button.
    static MCAlertAnswer runAlert(const MCAlertRequest &request, QWidget *parent = nullptr);

    // The same for open panels; an empty responder shows a file dialog, window-modal over
    // `parent`. An accepted answer without paths counts as cancelled.
    static void setOpenPanelResponder(OpenPanelResponder responder);
    static MCOpenPanelAnswer runOpenPanel(const MCOpenPanelRequest &request, QWidget *parent = nullptr);
    // The dialog runOpenPanel shows when no responder is installed, not yet shown. A request
    // for files and folders together gives a dialog whose accept button also takes the
    // selected folders (double-clicking a folder still opens it).
    static std::unique_ptr<QFileDialog> newOpenPanel(const MCOpenPanelRequest &request, QWidget *parent = nullptr);
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

class MCScopedOpenPanelResponder
{
public:
    explicit MCScopedOpenPanelResponder(MCPromptLayer::OpenPanelResponder responder);
    ~MCScopedOpenPanelResponder();
    MCScopedOpenPanelResponder(const MCScopedOpenPanelResponder &) = delete;
    MCScopedOpenPanelResponder &operator=(const MCScopedOpenPanelResponder &) = delete;

private:
    MCPromptLayer::OpenPanelResponder m_previous;
};
