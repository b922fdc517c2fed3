#pragma once

#include <QString>
#include <QVariant>

#include <limits>

// Value transformers for settings controls: sliders that step through fixed lists of values
// and labels that describe a numeric setting in words. Texts are translated through the
// application's "Localizable" context with the English text as key. Each class has one
// shared instance, registered with MCValueTransformer under the class's name when the
// library is loaded, as interface files look them up.
#include "platform/core/MCValueTransformer.h"

#include <QList>

#include <limits>
#include <memory>

// Declares a transformer class with its shared instance; only reversible ones go back.
#define MC_DECLARE_VALUE_TRANSFORMER(Name)                                                              \
    class Name : public MCValueTransformer                                                              \
    {                                                                                                   \
    public:                                                                                             \
        static std::shared_ptr<Name> sharedInstance();                                                  \
        QVariant transformedValue(const QVariant &value) const override;                               \
    }
#define MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER(Name)                                                   \
    class Name : public MCValueTransformer                                                              \
    {                                                                                                   \
    public:                                                                                             \
        static std::shared_ptr<Name> sharedInstance();                                                  \
        bool allowsReverseTransformation() const override { return true; }                             \
        QVariant transformedValue(const QVariant &value) const override;                               \
        QVariant reverseTransformedValue(const QVariant &value) const override;                        \
    }

// A minimum image size in megapixel-like units v -> "(100 v)² rounded up to 16+ pixels", or
// "Any Size" for 0 and below.
MC_DECLARE_VALUE_TRANSFORMER(MCMinImageSizeToStringTransformer);
// Thumbnail quality in pixels (16, 24, 32 ...) <-> slider position ((q - 16) / 8).
MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER(MCRequiredQualitySliderTransformer);
// 64 -> "64x64 pixels".
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredQualityStringTransformer);
// Blur radius -> "None", "1 pixel", "%1 pixels".
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredBlurStringTransformer);
// Seconds <-> slider position in timeIntervals(); negative means unlimited (-1 both ways).
MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER(MCRequiredTimeIntervalSliderTransformer);
// Seconds -> "2 hours and less", "Unlimited" ...
MC_DECLARE_VALUE_TRANSFORMER(MCRequiredTimeIntervalStringTransformer);
// Name-match length (0 none, -1 full, n first n characters) <-> slider position.
MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER(MCMatchNameLengthSliderTransformer);
// Name-match length -> "Don't match", "Full match", "Match first 3 characters" ...
MC_DECLARE_VALUE_TRANSFORMER(MCMatchNameLengthStringTransformer);
// Name-match length <-> check-box state: 0 unchecked; any match (full or partial) checked;
// checking gives a full match (-1).
MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER(MCMatchNameLengthCheckboxTransformer);
// Null -> "" both ways; anything else unchanged.
MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER(MCNullAvoidStringTransformer);
// Null -> 0 both ways; anything else unchanged.
MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER(MCNullAvoidNumberTransformer);

#undef MC_DECLARE_VALUE_TRANSFORMER
#undef MC_DECLARE_REVERSIBLE_VALUE_TRANSFORMER

// The value lists the sliders step through.
namespace MCValueTransformerLists {
// The position that stands for "not in the list": the largest signed 64-bit integer.
constexpr qint64 kNotFound = std::numeric_limits<qint64>::max();
// 86400, 43200, ... 2, 1, 0 seconds (19 entries).
const QList<qint64> &timeIntervals();
// 0, 1, ... 24, -1 (26 entries).
const QList<qint64> &nameLengths();
// 0, -1.
const QList<qint64> &nameLengthCheckboxStates();
} // namespace MCValueTransformerLists
