#include "platform/core/MCNotificationCenter.h"

#include "platform/core/MCException.h"

#include <QObject>

#include <algorithm>
#include <atomic>

struct MCNotificationCenter::Registration
{
    MCNotificationToken token = 0;
    const void *observer = nullptr;
    QString name;               // empty: every name
    const void *object = nullptr; // nullptr: any object
    Block block;
    QMetaObject::Connection destroyedConnection; // for QObject observers
    // Set on removal, so that a post that copied the registration before skips it.
    std::atomic<bool> removed{false};

    bool matches(const MCNotification &notification) const
    {
        return (name.isEmpty() || name == notification.name) && (!object || object == notification.object);
    }
};

MCNotificationCenter::MCNotificationCenter()
    : m_connectionContext(std::make_unique<QObject>())
{
}

MCNotificationCenter::~MCNotificationCenter() = default;

MCNotificationCenter &MCNotificationCenter::defaultCenter()
{
    static MCNotificationCenter center;
    return center;
}

MCNotificationToken MCNotificationCenter::addObserverForName(const QString &name, const void *object, Block block)
{
    return add(nullptr, name, object, std::move(block));
}

MCNotificationToken MCNotificationCenter::addObserver(const void *observer, const QString &name, const void *object,
                                                      Block block)
{
    if (!observer)
        platform::throwNilArgument("addObserver");
    return add(observer, name, object, std::move(block));
}

MCNotificationToken MCNotificationCenter::addObserver(QObject *observer, const QString &name, const void *object,
                                                      Block block)
{
    if (!observer)
        platform::throwNilArgument("addObserver");
    const MCNotificationToken token = add(observer, name, object, std::move(block));
    // Direct: the signal comes from the observer's destructor, on its own thread; the
    // context only ends the connection with this centre.
    const QMetaObject::Connection connection = QObject::connect(
        observer, &QObject::destroyed, m_connectionContext.get(), [this, token] { removeObserver(token); },
        Qt::DirectConnection);
    std::lock_guard lock(m_mutex);
    auto registration = std::find_if(m_registrations.begin(), m_registrations.end(),
                                     [token](const auto &r) { return r->token == token; });
    if (registration != m_registrations.end())
        (*registration)->destroyedConnection = connection;
    else
        QObject::disconnect(connection); // removed by another thread meanwhile
    return token;
}

MCNotificationToken MCNotificationCenter::add(const void *observer, const QString &name, const void *object, Block block)
{
    if (!block)
        platform::throwNilArgument("addObserver");
    auto registration = std::make_shared<Registration>();
    registration->observer = observer;
    registration->name = name;
    registration->object = object;
    registration->block = std::move(block);
    std::lock_guard lock(m_mutex);
    registration->token = m_nextToken++;
    m_registrations.push_back(registration);
    return registration->token;
}

void MCNotificationCenter::removeIf(const std::function<bool(const Registration &)> &matches)
{
    // Blocks are released outside the lock: their captures may post or remove in turn.
    std::vector<std::shared_ptr<Registration>> removed;
    {
        std::lock_guard lock(m_mutex);
        auto keep = std::stable_partition(m_registrations.begin(), m_registrations.end(),
                                          [&](const auto &r) { return !matches(*r); });
        for (auto it = keep; it != m_registrations.end(); ++it) {
            (*it)->removed = true;
            removed.push_back(std::move(*it));
        }
        m_registrations.erase(keep, m_registrations.end());
    }
    for (const auto &registration : removed)
        if (registration->destroyedConnection)
            QObject::disconnect(registration->destroyedConnection);
}

void MCNotificationCenter::removeObserver(MCNotificationToken token)
{
    if (token != 0)
        removeIf([token](const Registration &r) { return r.token == token; });
}

void MCNotificationCenter::removeObserver(const void *observer)
{
    if (observer)
        removeIf([observer](const Registration &r) { return r.observer == observer; });
}

void MCNotificationCenter::removeObserver(const void *observer, const QString &name, const void *object)
{
    if (!observer)
        return;
    removeIf([&](const Registration &r) {
        return r.observer == observer && (name.isEmpty() || r.name == name) && (!object || r.object == object);
    });
}

void MCNotificationCenter::postNotification(const MCNotification &notification)
{
    if (notification.name.isEmpty())
        platform::throwNilArgument("postNotification");
    std::vector<std::shared_ptr<Registration>> receivers;
    {
        std::lock_guard lock(m_mutex);
        for (const auto &registration : m_registrations)
            if (registration->matches(notification))
                receivers.push_back(registration);
    }
    for (const auto &registration : receivers)
        if (!registration->removed.load())
            registration->block(notification);
}

void MCNotificationCenter::postNotificationName(const QString &name, const void *object, const QVariantMap &userInfo)
{
    postNotification(MCNotification{name, object, userInfo});
}

size_t MCNotificationCenter::observerCount() const
{
    std::lock_guard lock(m_mutex);
    return m_registrations.size();
}
