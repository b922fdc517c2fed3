#pragma once

// The desktop around the program: which applications open a file, opening files with the
// default or a chosen application, and showing items in the file manager. The side effects
// (asking the desktop to open a URL, starting a program, calling the file manager) go through
// virtual members and a replaceable bus, so tests record them instead of starting anything.
#include "platform/core/MCError.h"
#include "platform/desktop/MCApplicationRegistry.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class MCDesktopBus;

class MCWorkspace
{
public:
    explicit MCWorkspace(MCDesktopBus *bus = nullptr); // the session bus when null
    virtual ~MCWorkspace();
    MCWorkspace(const MCWorkspace &) = delete;
    MCWorkspace &operator=(const MCWorkspace &) = delete;

    // The workspace every caller uses; tests install their own (null puts the desktop's back).
    static MCWorkspace &sharedWorkspace();
    static void setSharedWorkspace(MCWorkspace *workspace);

    // The installed applications, read afresh on each call (a few hundred small files), so a
    // program installed or a default changed since is seen at once.
    virtual MCApplicationRegistry applicationRegistry() const;
    // The MIME type of the file at `path`; null when nothing is there.
    virtual QString typeOfFile(const QString &path) const;

    // Opens each file with its default application, through the desktop's own opener.
    // False when the desktop could open none of them.
    bool openFiles(const QStringList &paths);
    // Opens the files with the application whose desktop ID is given: its Exec line with the
    // files, started detached and never through a shell. False, with `error`, when there is no
    // such application or it could not be started.
    bool openFiles(const QStringList &paths, const QString &desktopID, MCError *error = nullptr);
    // Shows the items selected in the file manager (FileManager1 ShowItems over D-Bus). Where
    // no file manager answers, or there is no session bus, the folders holding them are opened.
    void activateFileViewerSelectingURLs(const QStringList &paths);

    MCDesktopBus &bus() const { return *m_bus; }

protected:
    // Asks the desktop to open a URL with its default application.
    virtual bool openURL(const QUrl &url);
    // Starts a program with its arguments, detached from this process.
    virtual bool startDetached(const QStringList &command, const QString &workingDirectory);

private:
    void openFolders(const QStringList &paths);

    MCDesktopBus *m_bus;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0); // watched by replies that come after us
};
