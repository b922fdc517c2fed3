#pragma once

// The value transformers of the themed controls: between what a model keeps and what a field,
// slider or colour well shows. Each class has one shared instance (made on first use, kept for
// the run; main thread), which a screen passes to MCBinding in its options.
//
// Numbers are read as the platform reads a "double value": numbers as they are, booleans as
// 0 or 1, text by its leading number ("50%" is 50); anything else, null included, is 0.
// Rounding is half away from zero throughout.
#include "platform/core/MCValueTransformer.h"

#include <memory>

// The leading number of a value (see above), 0 when there is none.
double MCDoubleValue(const QVariant &value);

// A colour kept as archived data (MCKeyedArchiver) <-> the colour. Data that is not exactly one
// archived colour (damaged, truncated or another kind of value) reads as no colour (null), as
// does null; an invalid colour archives as null.
class MCColorToDataTransformer : public MCValueTransformer
{
public:
    static std::shared_ptr<MCColorToDataTransformer> sharedInstance();
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant &value) const override;
    QVariant reverseTransformedValue(const QVariant &value) const override;
};

// A fraction -> its percentage as text: 0.5 -> "50%", 0.125 -> "13%". One way only.
class MCPercentStringTransformer : public MCValueTransformer
{
public:
    static std::shared_ptr<MCPercentStringTransformer> sharedInstance();
    QVariant transformedValue(const QVariant &value) const override;
};

// A fraction -> its whole percentage as text for a field ("26" for 0.255); the field's number
// back -> the fraction, counting whole percents only (12.9 -> 0.12). A negative number has no
// whole count of percents and gives 0.
class MCPercentNumberTransformer : public MCValueTransformer
{
public:
    static std::shared_ptr<MCPercentNumberTransformer> sharedInstance();
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant &value) const override;
    QVariant reverseTransformedValue(const QVariant &value) const override;
};

// Any value -> the nearest whole number (qint64), both ways: 2.5 -> 3, -2.5 -> -3.
class MCDigitalSliderTransformer : public MCValueTransformer
{
public:
    static std::shared_ptr<MCDigitalSliderTransformer> sharedInstance();
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant &value) const override;
    QVariant reverseTransformedValue(const QVariant &value) const override { return transformedValue(value); }
};

// Any value -> the value to two decimals (double), both ways: 0.125 -> 0.13.
class MCFractionSliderTransformer : public MCValueTransformer
{
public:
    static std::shared_ptr<MCFractionSliderTransformer> sharedInstance();
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant &value) const override;
    QVariant reverseTransformedValue(const QVariant &value) const override { return transformedValue(value); }
};
