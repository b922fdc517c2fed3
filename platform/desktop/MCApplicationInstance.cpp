#include "platform/desktop/MCApplicationInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>

#include <unistd.h>

namespace {
// The longest path a local socket can have (sun_path holds 108 bytes with the final zero).
constexpr qsizetype kMaximumSocketPathLength = 108;
// A message longer than this is not ours.
constexpr quint32 kMaximumMessageLength = 64u * 1024u * 1024u;
constexpr char kAcknowledgement = 'A';
} // namespace

QString MCApplicationInstance::defaultServerName()
{
    return serverNameFor(qEnvironmentVariable("XDG_RUNTIME_DIR"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                         qEnvironmentVariable("DISPLAY"), ::getuid());
}

QString MCApplicationInstance::serverNameFor(const QString &runtimeFolder, const QString &waylandDisplay,
                                             const QString &x11Display, uint userId)
{
    // The display names the session's screen; a Wayland display may be given as a path.
    QString display;
    if (!waylandDisplay.isEmpty()) {
        display = QFileInfo(waylandDisplay).fileName();
    } else if (!x11Display.isEmpty()) {
        // ":0" and ":0.1" are screens of one display.
        static const QRegularExpression screen(QStringLiteral("^(.*:\\d+)\\.\\d+$"));
        const QRegularExpressionMatch match = screen.match(x11Display);
        display = match.hasMatch() ? match.captured(1) : x11Display;
    }
    for (QChar &c : display)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-') &&
            c != QLatin1Char('_') && c != QLatin1Char(':'))
            c = QLatin1Char('_');
    const QString suffix = display.isEmpty() ? QString() : QString(QStringLiteral("-") + display);
    if (QDir::isAbsolutePath(runtimeFolder) && QFileInfo(runtimeFolder).isDir()) {
        const QString path = QDir(runtimeFolder).filePath(QStringLiteral("quillonx") + suffix);
        if (QFile::encodeName(path).size() < kMaximumSocketPathLength)
            return path;
    }
    return QStringLiteral("quillonx-%1").arg(userId) + suffix;
}

MCApplicationInstance::MCApplicationInstance(const QString &serverName, QObject *parent)
    : QObject(parent), m_serverName(serverName)
{
}

MCApplicationInstance::~MCApplicationInstance() = default;

bool MCApplicationInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool MCApplicationInstance::listen()
{
    if (isListening())
        return true;
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &MCApplicationInstance::acceptConnections);
    }
    // Someone answering means another instance runs. (Listening alone would not tell: the
    // server puts its socket in place by renaming, which replaces one that is there.)
    {
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(500)) {
            probe.abort();
            return false;
        }
    }
    if (m_server->listen(m_serverName))
        return true;
    // A socket nobody answers on was left by a program that ended without removing it.
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    QLocalServer::removeServer(m_serverName);
    return m_server->listen(m_serverName);
}

QByteArray MCApplicationInstance::encodeMessage(const QStringList &paths)
{
    QByteArray body;
    {
        QDataStream stream(&body, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_6_0);
        stream << paths;
    }
    QByteArray message;
    QDataStream header(&message, QIODevice::WriteOnly);
    header.setVersion(QDataStream::Qt_6_0);
    header << quint32(body.size());
    message.append(body);
    return message;
}

bool MCApplicationInstance::decodeMessage(QByteArray &buffer, QStringList *paths)
{
    if (buffer.size() < 4)
        return false;
    quint32 length = 0;
    {
        QDataStream header(buffer.left(4));
        header.setVersion(QDataStream::Qt_6_0);
        header >> length;
    }
    if (length > kMaximumMessageLength) {
        buffer.clear();
        if (paths)
            paths->clear();
        return true;
    }
    if (quint32(buffer.size()) - 4 < length)
        return false;
    const QByteArray body = buffer.mid(4, qsizetype(length));
    buffer.remove(0, 4 + qsizetype(length));
    QStringList list;
    QDataStream stream(body);
    stream.setVersion(QDataStream::Qt_6_0);
    stream >> list;
    if (stream.status() != QDataStream::Ok)
        list.clear();
    if (paths)
        *paths = list;
    return true;
}

void MCApplicationInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            QStringList paths;
            if (!decodeMessage(*buffer, &paths))
                return;
            socket->write(&kAcknowledgement, 1);
            socket->flush();
            socket->disconnectFromServer();
            emit pathsReceived(paths);
        });
    }
}

bool MCApplicationInstance::sendPaths(const QString &serverName, const QStringList &paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(encodeMessage(paths));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kAcknowledgement;
}
