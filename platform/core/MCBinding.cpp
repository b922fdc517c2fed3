#include "platform/core/MCBinding.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QPointer>
#include <QSignalMapper>
#include <QThread>

#include <stdexcept>

struct MCBinding::Impl
{
    QPointer<QObject> target;
    QMetaProperty property;
    MCObservable *object = nullptr;
    QString key;
    MCBindingOptions options;
    MCObservation token;
    // Lives in the control's thread: receives its notify signal (through its map() slot, so no
    // meta-object code of our own is needed) and is the context of values queued for it.
    std::unique_ptr<QSignalMapper> relay;
    bool showing = false; // set while the model's value is written to the control

    // Shows a value of the key in the control; runs in the control's thread.
    void show(const QVariant &value)
    {
        if (!target)
            return;
        showing = true;
        property.write(target, options.transformer ? options.transformer->transformedValue(value) : value);
        showing = false;
    }

    // Writes the control's value back to the key after the user changed it.
    void edited()
    {
        if (showing || options.readOnly || !target || !token.isActive())
            return;
        QVariant value = property.read(target);
        if (options.transformer) {
            if (!options.transformer->allowsReverseTransformation())
                return;
            value = options.transformer->reverseTransformedValue(value);
        }
        object->setValueForKey(key, value);
    }
};

MCBinding::MCBinding(QObject *target, const char *property, MCObservable &object, const QString &key,
                     MCBindingOptions options)
    : d(std::make_unique<Impl>())
{
    if (!target)
        throw std::invalid_argument("*** MCBinding: target must not be nil");
    const QMetaObject *meta = target->metaObject();
    const int index = meta->indexOfProperty(property);
    if (index < 0)
        throw std::invalid_argument(QStringLiteral("*** MCBinding: %1 has no property %2")
                                        .arg(QLatin1String(meta->className()), QLatin1String(property))
                                        .toStdString());
    d->target = target;
    d->property = meta->property(index);
    d->object = &object;
    d->key = key;
    d->options = std::move(options);
    Impl *impl = d.get();
    d->relay = std::make_unique<QSignalMapper>();
    d->relay->moveToThread(target->thread());
    if (d->property.hasNotifySignal() && !d->options.readOnly) {
        const QMetaMethod map = d->relay->metaObject()->method(d->relay->metaObject()->indexOfSlot("map()"));
        d->relay->setMapping(target, 0);
        QObject::connect(target, d->property.notifySignal(), d->relay.get(), map);
        QObject::connect(d->relay.get(), &QSignalMapper::mappedInt, d->relay.get(), [impl] { impl->edited(); });
    }
    d->token = object.observe(
        key,
        [impl](MCObservable &, const QString &, const MCKeyValueChange &change) {
            if (QThread::currentThread() == impl->relay->thread()) {
                impl->show(change.newValue);
            } else {
                QMetaObject::invokeMethod(
                    impl->relay.get(), [impl, value = change.newValue] { impl->show(value); }, Qt::QueuedConnection);
            }
        },
        MCKeyValueObservingOptionNew | MCKeyValueObservingOptionInitial);
}

MCBinding::MCBinding(MCBinding &&) noexcept = default;

MCBinding &MCBinding::operator=(MCBinding &&other) noexcept
{
    if (this != &other) {
        unbind();
        d = std::move(other.d);
    }
    return *this;
}

MCBinding::~MCBinding() { unbind(); }

void MCBinding::unbind()
{
    if (!d)
        return;
    d->token.invalidate();
    d.reset(); // deleting the relay drops its connection and any value still queued for it
}

bool MCBinding::isBound() const { return d && d->target && d->token.isActive(); }
