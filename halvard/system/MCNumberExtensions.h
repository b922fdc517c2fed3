#pragma once

#include <QVariant>

// Nil-safe comparison of numbers held in QVariants (a null or invalid QVariant is "no
// number" and orders before any number), the monotonic tick counter and the best fraction
// for a decimal value.
namespace MCNumberExtensions {

// The current value of the monotonic clock in ticks (nanoseconds here), for measuring spans.
quint64 numberWithMachAbsoluteTime();

// Three-way order: -1 first before second, 0 same, 1 first after second. Two integers
// compare exactly; otherwise the double values are compared.
int compareNumber(const QVariant &first, const QVariant &second);
// Numbers whose double values differ by at most `deviation` compare as the same.
int compareNumber(const QVariant &first, const QVariant &second, double deviation);
bool isEqualNumber(const QVariant &first, const QVariant &second);

// The smaller (greater) of the two, the receiver winning ties; `other` must not be null.
QVariant minNumber(const QVariant &receiver, const QVariant &other);
QVariant maxNumber(const QVariant &receiver, const QVariant &other);

// The fraction closest to `value` whose denominator is at most `largestDenominator`, by its
// continued fraction: 0.333 with 100 gives 1/3, 3.14159 with 10 gives 22/7. The numerator
// carries the sign; the denominator is positive. With a largest denominator of at most 1 the
// answer is the value truncated over 1. Defined for finite values (others answer 0/1).
void getFractionForDenominator(double value, qint64 largestDenominator, qint64 *numerator, qint64 *denominator);

} // namespace MCNumberExtensions
