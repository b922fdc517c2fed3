#include "platform/core/MCValueTransformer.h"

#include "platform/core/MCException.h"
#include "platform/core/MCObservable.h"

#include <QHash>

#include <mutex>

const QString kMCNegateBooleanTransformerName = QStringLiteral("NSNegateBoolean");
const QString kMCIsNilTransformerName = QStringLiteral("NSIsNil");
const QString kMCIsNotNilTransformerName = QStringLiteral("NSIsNotNil");

namespace {

class NegateBooleanTransformer final : public MCValueTransformer
{
public:
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant &value) const override { return !value.toBool(); }
};

class IsNilTransformer final : public MCValueTransformer
{
public:
    explicit IsNilTransformer(bool answerForNil) : m_answerForNil(answerForNil) {}
    QVariant transformedValue(const QVariant &value) const override
    {
        return value.isValid() ? !m_answerForNil : m_answerForNil;
    }

private:
    bool m_answerForNil;
};

struct Registry
{
    std::mutex lock; // guards transformers
    QHash<QString, std::shared_ptr<MCValueTransformer>> transformers{
        {kMCNegateBooleanTransformerName, std::make_shared<NegateBooleanTransformer>()},
        {kMCIsNilTransformerName, std::make_shared<IsNilTransformer>(true)},
        {kMCIsNotNilTransformerName, std::make_shared<IsNilTransformer>(false)},
    };
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

QVariant MCValueTransformer::reverseTransformedValue(const QVariant &value) const
{
    if (!allowsReverseTransformation())
        platform::throwLogicError(QStringLiteral("*** -[%1 reverseTransformedValue:]: transformer does not allow "
                                                 "reverse transformation")
                                      .arg(platform::className(typeid(*this))));
    return transformedValue(value);
}

void MCValueTransformer::setValueTransformer(std::shared_ptr<MCValueTransformer> transformer, const QString &name)
{
    std::lock_guard guard(registry().lock);
    if (transformer)
        registry().transformers.insert(name, std::move(transformer));
    else
        registry().transformers.remove(name);
}

std::shared_ptr<MCValueTransformer> MCValueTransformer::valueTransformerForName(const QString &name)
{
    std::lock_guard guard(registry().lock);
    return registry().transformers.value(name);
}

QStringList MCValueTransformer::valueTransformerNames()
{
    std::lock_guard guard(registry().lock);
    QStringList names = registry().transformers.keys();
    names.sort();
    return names;
}
