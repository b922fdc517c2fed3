#include "halvard/system/MCDateExtensions.h"

#include <cmath>
#include <limits>

namespace MCDateExtensions {

namespace {

int order(qint64 a, qint64 b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Seconds from first to second, with millisecond precision.
double secondsBetween(const QDateTime &first, const QDateTime &second)
{
    return double(second.toMSecsSinceEpoch() - first.toMSecsSinceEpoch()) / 1000.0;
}

// Reads six signed decimal numbers separated as `separators` says, the way the C library's
// scanner reads "%d:%d:%d %d:%d:%d": each number may be preceded by white space, a blank in
// the pattern matches any run of white space (also none), any other separator must match
// exactly. Answers false when fewer than six numbers are found.
bool scanSixNumbers(const QString &text, const char *separators, int values[6])
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipSpace = [&] {
        while (i < n && text.at(i).isSpace())
            ++i;
    };
    for (int field = 0; field < 6; ++field) {
        if (field > 0) {
            const char separator = separators[field - 1];
            if (separator == ' ') {
                skipSpace();
            } else {
                if (i >= n || text.at(i) != QLatin1Char(separator))
                    return false;
                ++i;
            }
        }
        skipSpace();
        bool negative = false;
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
            negative = text.at(i) == QLatin1Char('-');
            ++i;
        }
        const qsizetype start = i;
        qint64 value = 0;
        while (i < n && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9') {
            value = std::min<qint64>(value * 10 + (text.at(i).unicode() - '0'), std::numeric_limits<int>::max());
            ++i;
        }
        if (i == start)
            return false;
        values[field] = int(negative ? -value : value);
    }
    return true;
}

QDateTime localDate(const int v[6])
{
    // Year 0 and month or day 0 mean "unknown" in stored metadata; out-of-range fields would
    // otherwise roll over into a different, wrong date.
    if (v[0] < 1 || v[0] > 9999)
        return {};
    const QDate day(v[0], v[1], v[2]);
    const QTime time(v[3], v[4], v[5]);
    if (!day.isValid() || !time.isValid())
        return {};
    return QDateTime(day, time, Qt::LocalTime);
}

} // namespace

int compareDate(const QDateTime &first, const QDateTime &second)
{
    if (!first.isValid() || !second.isValid())
        return first.isValid() == second.isValid() ? 0 : (first.isValid() ? 1 : -1);
    return order(first.toMSecsSinceEpoch(), second.toMSecsSinceEpoch());
}

int compareDate(const QDateTime &first, const QDateTime &second, double deviation)
{
    if (!first.isValid() || !second.isValid())
        return compareDate(first, second);
    const double d = secondsBetween(first, second);
    if (d > deviation)
        return -1;
    if (d < -deviation)
        return 1;
    return 0;
}

bool isEqualDate(const QDateTime &first, const QDateTime &second)
{
    if (!first.isValid() || !second.isValid())
        return first.isValid() == second.isValid();
    return first.toMSecsSinceEpoch() == second.toMSecsSinceEpoch();
}

bool isDate(const QDateTime &first, const QDateTime &second, double range)
{
    if (!first.isValid() || !second.isValid())
        return first.isValid() == second.isValid();
    return std::fabs(secondsBetween(first, second)) <= range;
}

QDateTime dateFromExifString(const QString &text)
{
    int values[6];
    if (!scanSixNumbers(text, ":: ::", values))
        return {};
    return localDate(values);
}

QDateTime dateFromISO8601String(const QString &text)
{
    int values[6];
    if (!scanSixNumbers(text, "--T::", values))
        return {};
    return localDate(values);
}

QString exifString(const QDateTime &date)
{
    if (!date.isValid())
        return {};
    // QDateTime::toString with a format uses the C locale and the Gregorian calendar and
    // keeps no shared state, unlike a formatter object.
    return date.toLocalTime().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

} // namespace MCDateExtensions

namespace MCCalendarExtensions {

QDateTime convertDate(const QDateTime &date, const QTimeZone &from, const QTimeZone &to)
{
    if (!date.isValid() || !from.isValid() || !to.isValid())
        return {};
    if (from == to)
        return date;
    const QDateTime reading = date.toTimeZone(from);
    return QDateTime(reading.date(), reading.time(), to);
}

QDateTime convertDateFromTimeZone(const QDateTime &date, const QTimeZone &from)
{
    return convertDate(date, from, QTimeZone::systemTimeZone());
}

QDateTime convertDateToTimeZone(const QDateTime &date, const QTimeZone &to)
{
    return convertDate(date, QTimeZone::systemTimeZone(), to);
}

} // namespace MCCalendarExtensions
