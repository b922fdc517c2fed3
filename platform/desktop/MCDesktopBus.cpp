#include "platform/desktop/MCDesktopBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace {

class MCSessionBus final : public MCDesktopBus
{
public:
    bool isConnected() override { return QDBusConnection::sessionBus().isConnected(); }

    void call(const MCDesktopBusCall &call, ReplyHandler reply) override
    {
        QDBusConnection connection = QDBusConnection::sessionBus();
        if (!connection.isConnected()) {
            if (reply) {
                MCDesktopBusReply failure;
                failure.errorName = QStringLiteral("org.freedesktop.DBus.Error.NoServer");
                failure.errorMessage = QStringLiteral("No session bus is running.");
                QTimer::singleShot(0, [reply, failure]() { reply(failure); });
            }
            return;
        }
        QDBusMessage message = QDBusMessage::createMethodCall(call.service, call.path, call.interface, call.method);
        message.setArguments(call.arguments);
        if (!reply) {
            message.setAutoStartService(true);
            connection.send(message); // fire and forget: nobody waits for an answer
            return;
        }
        auto *watcher = new QDBusPendingCallWatcher(connection.asyncCall(message, call.timeoutMs));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [reply](QDBusPendingCallWatcher *finished) {
            const QDBusMessage answer = finished->reply();
            MCDesktopBusReply result;
            result.succeeded = answer.type() == QDBusMessage::ReplyMessage;
            result.errorName = answer.errorName();
            result.errorMessage = answer.errorMessage();
            result.arguments = answer.arguments();
            finished->deleteLater();
            reply(result);
        });
    }
};

} // namespace

MCDesktopBus &MCDesktopBus::sessionBus()
{
    static MCSessionBus bus;
    return bus;
}
