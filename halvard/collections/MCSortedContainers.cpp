#include "halvard/collections/MCSortedContainers.h"

#include <numeric>

std::optional<MCFraction> MCFraction::fractionWithNumerator(quint64 numerator, quint64 denominator)
{
    if (denominator == 0)
        return std::nullopt;
    const quint64 divisor = std::gcd(numerator, denominator); // gcd(0, n) = n: 0/n becomes 0/1
    return MCFraction(numerator / divisor, denominator / divisor);
}

MCComparisonResult MCFraction::compare(const MCFraction &other) const
{
    // Exact cross products: unequal fractions never compare same, as doubles could make them.
    const unsigned __int128 a = (unsigned __int128)m_numerator * other.m_denominator;
    const unsigned __int128 b = (unsigned __int128)other.m_numerator * m_denominator;
    return a < b ? MCOrderedAscending : a > b ? MCOrderedDescending : MCOrderedSame;
}

MCComparisonResult MCFraction::compareFraction(const std::optional<MCFraction> &a, const std::optional<MCFraction> &b)
{
    if (!a && !b)
        return MCOrderedSame;
    if (!a)
        return MCOrderedAscending;
    if (!b)
        return MCOrderedDescending;
    return a->compare(*b);
}
