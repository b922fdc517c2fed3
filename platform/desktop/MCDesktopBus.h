#pragma once

// The few calls the program makes to desktop services over the session D-Bus (the file
// manager's ShowItems, the notification server's Notify), behind a small interface so tests
// can answer them without a bus. Where no session bus is running (a bare server, a build
// machine) the real one says so and every caller falls back or does nothing.
#include <QString>
#include <QVariantList>

#include <functional>

struct MCDesktopBusCall {
    QString service;   // "org.freedesktop.FileManager1"
    QString path;      // "/org/freedesktop/FileManager1"
    QString interface; // "org.freedesktop.FileManager1"
    QString method;    // "ShowItems"
    QVariantList arguments; // QStringList goes as "as", QVariantMap as "a{sv}", uint as "u"
    int timeoutMs = -1;     // the bus's default (25 s) when negative
};

struct MCDesktopBusReply {
    bool succeeded = false;
    QString errorName; // "org.freedesktop.DBus.Error.ServiceUnknown"
    QString errorMessage;
    QVariantList arguments;
};

class MCDesktopBus
{
public:
    using ReplyHandler = std::function<void(const MCDesktopBusReply &reply)>;

    virtual ~MCDesktopBus() = default;

    // Whether a session bus is there to call at all.
    virtual bool isConnected() = 0;
    // Sends the call and returns at once; `reply` (when given) runs later on the calling
    // thread's event loop with the answer or the error. Without a bus the reply is an error,
    // delivered the same way.
    virtual void call(const MCDesktopBusCall &call, ReplyHandler reply = {}) = 0;

    // The user's session bus (QtDBus).
    static MCDesktopBus &sessionBus();
};
