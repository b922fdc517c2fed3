#pragma once

// One running instance of the program per user and display session. The first start listens on
// a local socket; a later start hands its files (absolute paths) to it and ends, so files opened
// from a file manager while the program runs arrive in the running program as open events.
#include <QObject>
#include <QStringList>

class QLocalServer;

class MCApplicationInstance : public QObject
{
    Q_OBJECT
public:
    // The socket name of this user's instance ("quillonx-<user id>"), unless `serverName`
    // names another (tests use their own).
    static QString defaultServerName();

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
