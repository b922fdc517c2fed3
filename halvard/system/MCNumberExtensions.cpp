#include "halvard/system/MCNumberExtensions.h"

#include "platform/core/MCException.h"
#include "platform/core/MCPropertyList.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace MCNumberExtensions {

namespace {

bool isNumber(const QVariant &v) { return platform::isPropertyListNumber(v); }

bool isInteger(const QVariant &v)
{
    return isNumber(v) && v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float;
}

bool isUnsignedWide(const QVariant &v) { return v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong; }

bool isNil(const QVariant &v) { return !v.isValid() || v.isNull(); }

int order(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

int compareIntegers(const QVariant &a, const QVariant &b)
{
    // Unsigned 64-bit values above the signed range must not wrap to negative numbers.
    const bool ua = isUnsignedWide(a), ub = isUnsignedWide(b);
    if (ua || ub) {
        const qint64 sa = ua ? 0 : a.toLongLong(), sb = ub ? 0 : b.toLongLong();
        if (!ua && sa < 0)
            return -1;
        if (!ub && sb < 0)
            return 1;
        const quint64 xa = ua ? a.toULongLong() : quint64(sa), xb = ub ? b.toULongLong() : quint64(sb);
        return xa < xb ? -1 : (xa > xb ? 1 : 0);
    }
    const qint64 xa = a.toLongLong(), xb = b.toLongLong();
    return xa < xb ? -1 : (xa > xb ? 1 : 0);
}

} // namespace

quint64 numberWithMachAbsoluteTime()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return quint64(now.tv_sec) * 1000000000ull + quint64(now.tv_nsec);
}

int compareNumber(const QVariant &first, const QVariant &second)
{
    if (isNil(first) || isNil(second))
        return isNil(first) == isNil(second) ? 0 : (isNil(first) ? -1 : 1);
    if (isInteger(first) && isInteger(second))
        return compareIntegers(first, second);
    return order(first.toDouble(), second.toDouble());
}

int compareNumber(const QVariant &first, const QVariant &second, double deviation)
{
    if (isNil(first) || isNil(second))
        return compareNumber(first, second);
    const double d = second.toDouble() - first.toDouble();
    if (d > deviation)
        return -1;
    if (d < -deviation)
        return 1;
    return 0;
}

bool isEqualNumber(const QVariant &first, const QVariant &second) { return compareNumber(first, second) == 0; }

QVariant minNumber(const QVariant &receiver, const QVariant &other)
{
    if (isNil(other))
        platform::throwNilArgument("minNumber");
    return compareNumber(receiver, other) > 0 ? other : receiver;
}

QVariant maxNumber(const QVariant &receiver, const QVariant &other)
{
    if (isNil(other))
        platform::throwNilArgument("maxNumber");
    return compareNumber(receiver, other) < 0 ? other : receiver;
}

void getFractionForDenominator(double value, qint64 largestDenominator, qint64 *numerator, qint64 *denominator)
{
    qint64 num = 0, den = 1;
    if (!std::isfinite(value)) {
        // Outside the contract; answer a harmless 0/1 rather than undefined arithmetic.
    } else if (largestDenominator <= 1) {
        num = std::abs(value) < 9.2e18 ? qint64(std::trunc(value)) : 0;
    } else {
        // |v| = h / k exactly, k a power of two.
        double magnitude = std::fabs(value);
        double k = 1;
        while (magnitude != std::floor(magnitude) && magnitude < 4.0e18) {
            magnitude *= 2;
            k *= 2;
        }
        if (magnitude < 9.2e18 && k < 9.2e18) {
            qint64 h = qint64(magnitude), kk = qint64(k);
            qint64 p1 = 1, q1 = 0, p0 = 0, q0 = 1;
            for (int step = 0; step < 64; ++step) {
                if (kk == 0)
                    break;
                const qint64 a = h / kk;
                const qint64 rest = h % kk;
                if (step > 0 && a == 0)
                    break;
                // The next convergent's denominator, saturated so large quotients can't wrap.
                const bool overflows = q1 != 0 && a > (std::numeric_limits<qint64>::max() - q0) / q1;
                const qint64 nextQ = overflows ? std::numeric_limits<qint64>::max() : q0 + a * q1;
                if (nextQ >= largestDenominator) {
                    const qint64 t = q1 != 0 ? (largestDenominator - q0) / q1 : 0;
                    qint64 semiP = 0;
                    if (2 * t >= a && !__builtin_mul_overflow(t, p1, &semiP) &&
                        !__builtin_add_overflow(semiP, p0, &semiP)) {
                        p1 = semiP;
                        q1 = q0 + t * q1;
                    }
                    break;
                }
                qint64 nextP = 0;
                if (__builtin_mul_overflow(a, p1, &nextP) || __builtin_add_overflow(nextP, p0, &nextP))
                    break; // the value is too large for a finer fraction

                p0 = p1;
                q0 = q1;
                p1 = nextP;
                q1 = nextQ;
                h = kk;
                kk = rest;
            }
            num = p1;
            den = q1 > 0 ? q1 : 1;
        }
        if (value < 0)
            num = -num;
    }
    if (numerator)
        *numerator = num;
    if (denominator)
        *denominator = den;
}

} // namespace MCNumberExtensions
