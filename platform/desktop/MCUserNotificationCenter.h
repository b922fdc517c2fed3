#pragma once

// Desktop notifications through the freedesktop notification server (Notify over the
// session D-Bus). Without a session bus or a server a notification is dropped silently: it
// is a courtesy, never the only report of anything.
#include <QString>

class MCDesktopBus;

struct MCUserNotification {
    QString title;
    QString subtitle;        // shown as the notification's body
    QString informativeText; // a further line of the body, when given
};

class MCUserNotificationCenter
{
public:
    explicit MCUserNotificationCenter(MCDesktopBus *bus = nullptr); // the session bus when null

    // The centre the application posts to, on the user's session bus.
    static MCUserNotificationCenter &defaultUserNotificationCenter();
    // Tests install their own (null puts the session bus's back).
    static void setDefaultUserNotificationCenter(MCUserNotificationCenter *center);

    void deliverNotification(const MCUserNotification &notification);

private:
    MCDesktopBus *m_bus;
};
