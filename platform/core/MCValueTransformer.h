#pragma once

// The base of value transformers: objects that turn a model value (a key's value, see
// MCObservable) into what a control shows, and, when reversible, back. Controls bound to a key
// look a transformer up by name; the built-in ones are registered under the platform's names.
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

extern const QString kMCNegateBooleanTransformerName; // "NSNegateBoolean": true <-> false
extern const QString kMCIsNilTransformerName;         // "NSIsNil": whether the value is null
extern const QString kMCIsNotNilTransformerName;      // "NSIsNotNil": whether it is not

class MCValueTransformer
{
public:
    virtual ~MCValueTransformer() = default;

    // Whether reverseTransformedValue() may be called. The base answers false.
    virtual bool allowsReverseTransformation() const { return false; }
    // The base answers the value unchanged.
    virtual QVariant transformedValue(const QVariant &value) const { return value; }
    // The base calls transformedValue() when reversible, and otherwise throws
    // std::logic_error: reversing an irreversible transformer is a programmer error.
    virtual QVariant reverseTransformedValue(const QVariant &value) const;

    // The transformers known by name (thread-safe). Registering under a taken name replaces the
    // earlier transformer; registering nullptr removes the name.
    static void setValueTransformer(std::shared_ptr<MCValueTransformer> transformer, const QString &name);
    static std::shared_ptr<MCValueTransformer> valueTransformerForName(const QString &name);
    static QStringList valueTransformerNames();
};
