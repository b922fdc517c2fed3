#include "platform/core/MCValueTransformer.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class Doubling : public MCValueTransformer
{
public:
    QVariant transformedValue(const QVariant &value) const override { return value.toLongLong() * 2; }
};

} // namespace

TEST(ValueTransformer, BuiltInTransformersByTheirNames)
{
    struct Case {
        const QString &name;
        QVariant input;
        bool expected;
    };
    const Case cases[] = {
        {kMCNegateBooleanTransformerName, true, false},  {kMCNegateBooleanTransformerName, false, true},
        {kMCNegateBooleanTransformerName, QVariant(), true}, {kMCNegateBooleanTransformerName, qint64(2), false},
        {kMCIsNilTransformerName, QVariant(), true},     {kMCIsNilTransformerName, QString(), false},
        {kMCIsNotNilTransformerName, QVariant(), false}, {kMCIsNotNilTransformerName, qint64(0), true},
    };
    for (const Case &c : cases) {
        const auto transformer = MCValueTransformer::valueTransformerForName(c.name);
        ASSERT_NE(transformer, nullptr) << c.name.toStdString();
        EXPECT_EQ(transformer->transformedValue(c.input), QVariant(c.expected)) << c.name.toStdString();
    }
    const auto negate = MCValueTransformer::valueTransformerForName(QStringLiteral("NSNegateBoolean"));
    EXPECT_EQ(negate->reverseTransformedValue(false), QVariant(true));
    EXPECT_THROW(MCValueTransformer::valueTransformerForName(kMCIsNilTransformerName)->reverseTransformedValue(1),
                 std::logic_error);
}

TEST(ValueTransformer, RegistryAddsReplacesAndRemovesNames)
{
    const QString name = QStringLiteral("MCDoublingTransformer");
    EXPECT_EQ(MCValueTransformer::valueTransformerForName(name), nullptr);
    auto doubling = std::make_shared<Doubling>();
    MCValueTransformer::setValueTransformer(doubling, name);
    EXPECT_EQ(MCValueTransformer::valueTransformerForName(name), doubling);
    EXPECT_TRUE(MCValueTransformer::valueTransformerNames().contains(name));
    EXPECT_EQ(doubling->transformedValue(21), QVariant(qint64(42)));
    EXPECT_THROW(doubling->reverseTransformedValue(42), std::logic_error);

    auto identity = std::make_shared<MCValueTransformer>();
    MCValueTransformer::setValueTransformer(identity, name);
    EXPECT_EQ(MCValueTransformer::valueTransformerForName(name), identity);
    EXPECT_EQ(identity->transformedValue(QStringLiteral("x")), QVariant(QStringLiteral("x")));
    MCValueTransformer::setValueTransformer(nullptr, name);
    EXPECT_EQ(MCValueTransformer::valueTransformerForName(name), nullptr);
}
