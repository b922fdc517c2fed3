#include "platform/desktop/MCUserNotificationCenter.h"

#include "platform/desktop/MCDesktopBus.h"

#include <QAtomicPointer>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantMap>

namespace {
QAtomicPointer<MCUserNotificationCenter> installedCenter;
} // namespace

MCUserNotificationCenter::MCUserNotificationCenter(MCDesktopBus *bus)
    : m_bus(bus ? bus : &MCDesktopBus::sessionBus())
{
}

MCUserNotificationCenter &MCUserNotificationCenter::defaultUserNotificationCenter()
{
    if (MCUserNotificationCenter *center = installedCenter.loadAcquire())
        return *center;
    static MCUserNotificationCenter center;
    return center;
}

void MCUserNotificationCenter::setDefaultUserNotificationCenter(MCUserNotificationCenter *center)
{
    installedCenter.storeRelease(center);
}

void MCUserNotificationCenter::deliverNotification(const MCUserNotification &notification)
{
    if (!m_bus->isConnected())
        return;
    QStringList body;
    for (const QString &line : {notification.subtitle, notification.informativeText})
        if (!line.isEmpty())
            body << line;
    QVariantMap hints;
    const QString desktopEntry = QGuiApplication::desktopFileName();
    if (!desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);
    MCDesktopBusCall call;
    call.service = QStringLiteral("org.freedesktop.Notifications");
    call.path = QStringLiteral("/org/freedesktop/Notifications");
    call.interface = QStringLiteral("org.freedesktop.Notifications");
    call.method = QStringLiteral("Notify");
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
    // server's default). The server plays its own sound for a plain notification.
    call.arguments = {QCoreApplication::applicationName(), uint(0), QString(), notification.title,
                      body.join(QLatin1Char('\n')), QStringList(), hints, int(-1)};
    // Nobody waits for the answer: a missing server is an error reply that is dropped.
    m_bus->call(call);
}
