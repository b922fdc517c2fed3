#pragma once

// Broadcast notifications inside the process: a poster names what happened, the object it
// happened to and a user-info map; observers registered for that name (and optionally that
// object) are called synchronously on the posting thread.
//
// The object is an identity only (`const void *`, usually `this` or `shared_ptr::get()`):
// the centre never dereferences it, so plain C++ model objects and QObjects post alike.
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct MCNotification
{
    QString name;
    const void *object = nullptr;
    QVariantMap userInfo;
};

// Identifies one registration; 0 is never handed out.
using MCNotificationToken = std::uint64_t;

class QObject;

class MCNotificationCenter
{
public:
    using Block = std::function<void(const MCNotification &)>;

    MCNotificationCenter();
    ~MCNotificationCenter();
    MCNotificationCenter(const MCNotificationCenter &) = delete;
    MCNotificationCenter &operator=(const MCNotificationCenter &) = delete;

    // The process-wide centre.
    static MCNotificationCenter &defaultCenter();

    // Calls `block` for every notification named `name` (an empty name: every name) whose
    // object is `object` (nullptr: any object). Returns the token that removes it.
    MCNotificationToken addObserverForName(const QString &name, const void *object, Block block);
    // The same, on behalf of `observer`, so that removeObserver(observer) ends all of its
    // registrations at once (what an object does when it goes away).
    MCNotificationToken addObserver(const void *observer, const QString &name, const void *object, Block block);
    // The same for a QObject (a widget, a controller): its registrations end by themselves
    // when it is destroyed, so a forgotten removal cannot call into a dead object.
    MCNotificationToken addObserver(QObject *observer, const QString &name, const void *object, Block block);

    // Ends one registration. After it returns the block is not called by later posts; a
    // post already running on another thread may still be inside it.
    void removeObserver(MCNotificationToken token);
    // Ends every registration of `observer`.
    void removeObserver(const void *observer);
    // Ends the registrations of `observer` that match `name` and `object` (an empty name or a
    // null object matches any).
    void removeObserver(const void *observer, const QString &name, const void *object);

    // Calls the matching observers in the order they were added, on this thread, before
    // returning. Observers may add or remove registrations (their own included) and post
    // again; an observer removed during a post is not called after its removal. An empty
    // name is a programmer error (std::invalid_argument).
    void postNotification(const MCNotification &notification);
    void postNotificationName(const QString &name, const void *object = nullptr, const QVariantMap &userInfo = {});

    // Number of live registrations (for tests and leak checks).
    size_t observerCount() const;

private:
    struct Registration;
    MCNotificationToken add(const void *observer, const QString &name, const void *object, Block block);
    void removeIf(const std::function<bool(const Registration &)> &matches);

    // Lifetime of the destroyed-signal connections made for QObject observers.
    std::unique_ptr<QObject> m_connectionContext;
    mutable std::mutex m_mutex; // guards m_registrations and m_nextToken; never held while calling a block
    std::vector<std::shared_ptr<Registration>> m_registrations; // in the order added
    MCNotificationToken m_nextToken = 1;
};
