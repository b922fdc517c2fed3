#include "halvard/system/MCValueTransformers.h"

#include <gtest/gtest.h>

namespace {

QString text(const MCValueTransformer &t, const QVariant &v) { return t.transformedValue(v).toString(); }
const QVariant kNone;

} // namespace

TEST(ValueTransformers, Descriptions)
{
    struct Case { const MCValueTransformer &transformer; QVariant value; const char *expected; };
    const Case cases[] = {
        {*MCMinImageSizeToStringTransformer::sharedInstance(), 1, "10000+ pixels"},
        {*MCMinImageSizeToStringTransformer::sharedInstance(), 0.3, "912+ pixels"},
        {*MCMinImageSizeToStringTransformer::sharedInstance(), 0.4, "1600+ pixels"}, // exact, despite 0.4² noise
        {*MCMinImageSizeToStringTransformer::sharedInstance(), 0, "Any Size"},
        {*MCMinImageSizeToStringTransformer::sharedInstance(), -2, "Any Size"},
        {*MCMinImageSizeToStringTransformer::sharedInstance(), kNone, "Any Size"},
        {*MCRequiredQualityStringTransformer::sharedInstance(), 64, "64x64 pixels"},
        {*MCRequiredBlurStringTransformer::sharedInstance(), 1, "1 pixel"},
        {*MCRequiredBlurStringTransformer::sharedInstance(), 0, "None"},
        {*MCRequiredBlurStringTransformer::sharedInstance(), -3, "-3 pixels"},
        {*MCRequiredBlurStringTransformer::sharedInstance(), QStringLiteral("5"), "5 pixels"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), 5400, "2 hours and less"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), 3600, "1 hour and less"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), 90, "2 minutes and less"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), 60, "1 minute and less"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), 59, "59 seconds and less"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), 1, "1 second and less"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), 0, "0 seconds"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), kNone, "0 seconds"},
        {*MCRequiredTimeIntervalStringTransformer::sharedInstance(), -1, "Unlimited"},
        {*MCMatchNameLengthStringTransformer::sharedInstance(), 1, "Match first character"},
        {*MCMatchNameLengthStringTransformer::sharedInstance(), 0, "Don't match"},
        {*MCMatchNameLengthStringTransformer::sharedInstance(), kNone, "Don't match"},
        {*MCMatchNameLengthStringTransformer::sharedInstance(), -1, "Full match"},
        {*MCMatchNameLengthStringTransformer::sharedInstance(), 12, "Match first 12 characters"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(text(c.transformer, c.value), QString::fromUtf8(c.expected)) << c.expected;
        EXPECT_FALSE(c.transformer.allowsReverseTransformation());
    }
}

TEST(ValueTransformers, SlidersMapBothWays)
{
    struct Case { const MCValueTransformer &transformer; QVariant value; qint64 position; QVariant back; };
    const auto &quality = *MCRequiredQualitySliderTransformer::sharedInstance();
    const auto &interval = *MCRequiredTimeIntervalSliderTransformer::sharedInstance();
    const auto &nameLength = *MCMatchNameLengthSliderTransformer::sharedInstance();
    const auto &checkbox = *MCMatchNameLengthCheckboxTransformer::sharedInstance();
    const Case cases[] = {
        {quality, 16, 0, 16},    {quality, 24, 1, 24},     {quality, 20, 0, 16},   {quality, 32, 2, 32},
        {interval, 600, 7, 600}, {interval, -1, -1, -1},   {interval, 86400, 0, 86400},
        {interval, 0, 18, 0},    {interval, kNone, 0, 86400},
        {nameLength, -1, 25, -1}, {nameLength, 0, 0, 0},   {nameLength, 24, 24, 24},
        {checkbox, 0, 0, 0},     {checkbox, -1, 1, -1},    {checkbox, 5, 1, -1},
    };
    for (const Case &c : cases) {
        EXPECT_TRUE(c.transformer.allowsReverseTransformation());
        const QVariant position = c.transformer.transformedValue(c.value);
        EXPECT_EQ(position.toLongLong(), c.position) << c.value.toString().toStdString();
        EXPECT_EQ(c.transformer.reverseTransformedValue(position).toLongLong(), c.back.toLongLong())
            << c.value.toString().toStdString();
    }
    // Values that aren't in a list have no position.
    EXPECT_EQ(interval.transformedValue(601).toLongLong(), MCValueTransformerLists::kNotFound);
    EXPECT_EQ(nameLength.transformedValue(30).toLongLong(), MCValueTransformerLists::kNotFound);
    // Values without a number read as 0; positions beyond a list give no value.
    EXPECT_EQ(interval.reverseTransformedValue(kNone).toLongLong(), 0);
    EXPECT_EQ(checkbox.reverseTransformedValue(-1).toLongLong(), -1);
    EXPECT_FALSE(interval.reverseTransformedValue(19).isValid());
    EXPECT_FALSE(nameLength.reverseTransformedValue(26).isValid());
}

TEST(ValueTransformers, NullAvoidanceAndRegistry)
{
    const auto &strings = *MCNullAvoidStringTransformer::sharedInstance();
    const auto &numbers = *MCNullAvoidNumberTransformer::sharedInstance();
    EXPECT_THROW(MCRequiredBlurStringTransformer::sharedInstance()->reverseTransformedValue(1), std::logic_error);
    EXPECT_EQ(strings.transformedValue(kNone), QVariant(QString(QLatin1String(""))));
    EXPECT_FALSE(strings.reverseTransformedValue(kNone).toString().isNull());
    EXPECT_EQ(strings.transformedValue(QStringLiteral("x")), QVariant(QStringLiteral("x")));
    EXPECT_EQ(numbers.reverseTransformedValue(kNone).toLongLong(), 0);
    EXPECT_TRUE(numbers.transformedValue(kNone).isValid());
    EXPECT_EQ(numbers.transformedValue(2.5), QVariant(2.5));

    EXPECT_EQ(MCValueTransformer::valueTransformerForName(QStringLiteral("MCRequiredBlurStringTransformer")),
              MCRequiredBlurStringTransformer::sharedInstance());
    EXPECT_EQ(MCValueTransformer::valueTransformerForName(QStringLiteral("MCNullAvoidNumberTransformer")).get(), &numbers);
    EXPECT_EQ(MCValueTransformer::valueTransformerForName(QStringLiteral("MCMatchNameLengthCheckboxTransformer")),
              MCMatchNameLengthCheckboxTransformer::sharedInstance());
    EXPECT_EQ(MCValueTransformer::valueTransformerForName(QStringLiteral("NoSuchTransformer")), nullptr);
}
