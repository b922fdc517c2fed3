#pragma once

#include <QString>
#include <QVariant>

#include <limits>

// Value transformers for settings controls: sliders that step through fixed lists of values
// and labels that describe a numeric setting in words. Texts are translated through the
// application's "Localizable" context with the English text as key. Each class has one
// shared instance; valueTransformerForName() finds it by class name, as interface files do.
class MCValueTransformer
{
public:
    virtual ~MCValueTransformer() = default;

    virtual bool allowsReverseTransformation() const { return false; }
    virtual QVariant transformedValue(const QVariant &value) const = 0;
    // The value itself unless the transformer goes both ways.
    virtual QVariant reverseTransformedValue(const QVariant &value) const { return value; }

    // The shared instance of the transformer class named `name`, or null.
    static const MCValueTransformer *valueTransformerForName(const QString &name);

    // The index that stands for "not in the list": the largest signed 64-bit integer.
    static constexpr qint64 kNotFound = std::numeric_limits<qint64>::max();
};

// Declares a transformer class with its shared instance.
#define MC_DECLARE_VALUE_TRANSFORMER(Name, reversible)                                                  \
    class Name : public MCValueTransformer                                                              \
    {                                                                                                   \
    public:                                                                                             \
        static const Name &sharedInstance();                                                            \
        bool allowsReverseTransformation() const override { return reversible; }                       \
        QVariant transformedValue(const QVariant &value) const override;                               \
        QVariant reverseTransformedValue(const QVariant &value) const override;                        \
    }

// A minimum image size in megapixel-like units v -> "(100 v)² rounded up to 16+ pixels", or
// "Any Size" for 0 and below.
MC_DECLARE_VALUE_TRANSFORMER(MCMinImageSizeToStringTransformer, false);
// Thumbnail quality in pixels (16, 24, 32 ...) <-> slider position ((q - 16) / 8).
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredQualitySliderTransformer, true);
// 64 -> "64x64 pixels".
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredQualityStringTransformer, false);
// Blur radius -> "None", "1 pixel", "%1 pixels".
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredBlurStringTransformer, false);
// Seconds <-> slider position in timeIntervals(); negative means unlimited (-1 both ways).
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredTimeIntervalSliderTransformer, true);
// Seconds -> "2 hours and less", "Unlimited" ...
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredTimeIntervalStringTransformer, false);
// Name-match length (0 none, -1 full, n first n characters) <-> slider position.
MC_DECLARE_VALUE_TRANSFORMER(MCMatchNameLengthSliderTransformer, true);
// Name-match length -> "Don't match", "Full match", "Match first 3 characters" ...
MC_DECLARE_VALUE_TRANSFORMER(MCMatchNameLengthStringTransformer, false);
// Name-match length <-> check-box state: 0 unchecked; any match (full or partial) checked;
// checking gives a full match (-1).
MC_DECLARE_VALUE_TRANSFORMER(MCMatchNameLengthCheckboxTransformer, true);
// Null -> "" both ways; anything else unchanged.
MC_DECLARE_VALUE_TRANSFORMER(MCNullAvoidStringTransformer, true);
// Null -> 0 both ways; anything else unchanged.
MC_DECLARE_VALUE_TRANSFORMER(MCNullAvoidNumberTransformer, true);

#undef MC_DECLARE_VALUE_TRANSFORMER

// The value lists the sliders step through.
namespace MCValueTransformerLists {
// 86400, 43200, ... 2, 1, 0 seconds (19 entries).
const QList<qint64> &timeIntervals();
// 0, 1, ... 24, -1 (26 entries).
const QList<qint64> &nameLengths();
// 0, -1.
const QList<qint64> &nameLengthCheckboxStates();
} // namespace MCValueTransformerLists
