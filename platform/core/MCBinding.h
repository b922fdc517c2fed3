#pragma once

// Keeps a Qt property of a control (any QObject) in step with a key of an observable object:
// the control shows the key's value at once and after every change, and, for a property with a
// notify signal, the user's edits are written back through setValueForKey(). An optional value
// transformer converts in between (its reverse direction is used for edits, so an irreversible
// transformer makes the binding one-way).
//
//     MCBinding binding(field, "value", *stage, QStringLiteral("gamma"));
//
// A change made on another thread reaches the control through its thread's event loop. The
// binding ends when it is destroyed (on the control's thread) or when either side goes away.
#include "platform/core/MCObservable.h"
#include "platform/core/MCValueTransformer.h"

#include <QObject>
#include <QString>

#include <memory>

struct MCBindingOptions
{
    std::shared_ptr<MCValueTransformer> transformer;
    bool readOnly = false; // the control only shows the value
};

class MCBinding
{
public:
    // An unknown property name is a programmer error (std::invalid_argument).
    MCBinding(QObject *target, const char *property, MCObservable &object, const QString &key,
              MCBindingOptions options = {});
    MCBinding(MCBinding &&) noexcept;
    MCBinding &operator=(MCBinding &&) noexcept;
    ~MCBinding();

    // Ends the binding early.
    void unbind();
    // Both sides exist and the binding was not ended.
    bool isBound() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
