#pragma once

// One running instance of the program per desktop session. The first start listens on a local
// socket; a later start in the same session hands its files (absolute paths) to it and ends, so
// files opened from a file manager while the program runs arrive in the running program as open
// events. A start on another display or in another session runs on its own: it would otherwise
// hand its files to a window its user cannot see.
#include <QObject>
#include <QStringList>

class QLocalServer;

class MCApplicationInstance : public QObject
{
    Q_OBJECT
public:
    // The socket of this desktop session's instance, from the environment: see serverNameFor.
    static QString defaultServerName();
    // The socket for a session: "quillonx-<display>" in the session's runtime folder
    // (XDG_RUNTIME_DIR, private to the user), the display being the Wayland display's name,
    // else the X display without its screen number (":0", "host:10"), else none
    // ("quillonx"). Without a runtime folder (not an absolute path to a folder), or when that
    // path is too long for a socket, the per-user name "quillonx-<user id>[-<display>]" in the
    // temporary folder.
    static QString serverNameFor(const QString &runtimeFolder, const QString &waylandDisplay, const QString &x11Display,
                                 uint userId);

    explicit MCApplicationInstance(const QString &serverName = defaultServerName(), QObject *parent = nullptr);
    ~MCApplicationInstance() override;

    QString serverName() const { return m_serverName; }

    // Becomes the running instance: true when listening. A socket left behind by a program
    // that crashed (nobody answers on it) is removed first. False when another instance
    // answers, or the socket cannot be made.
    bool listen();
    bool isListening() const;

    // Hands `paths` (possibly none: the running instance comes to the front) to the instance
    // listening on `serverName`; true once it confirmed receipt within `timeoutMs`.
    static bool sendPaths(const QString &serverName, const QStringList &paths, int timeoutMs = 3000);

    // The message format: the list as a Qt data stream, with its byte length in front.
    static QByteArray encodeMessage(const QStringList &paths);
    // Takes one whole message from the front of `buffer`; false while it is incomplete.
    // Throws nothing: a damaged message yields an empty list and is consumed.
    static bool decodeMessage(QByteArray &buffer, QStringList *paths);

signals:
    // A later start sent its files (absolute paths; empty when it sent none).
    void pathsReceived(const QStringList &paths);

private:
    void acceptConnections();

    QString m_serverName;
    QLocalServer *m_server = nullptr;
};
