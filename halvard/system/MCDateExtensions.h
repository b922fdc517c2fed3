#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// Nil-safe date comparison and the capture-date text forms. An invalid QDateTime stands for
// "no date": two absent dates are the same, an absent date orders before any present one.
namespace MCDateExtensions {

// Three-way order: -1 first before second, 0 same, 1 first after second.
int compareDate(const QDateTime &first, const QDateTime &second);
// Dates closer than `deviation` seconds (either way) compare as the same.
int compareDate(const QDateTime &first, const QDateTime &second, double deviation);
bool isEqualDate(const QDateTime &first, const QDateTime &second);
// Whether the two dates lie at most `range` seconds apart.
bool isDate(const QDateTime &first, const QDateTime &second, double range);

// "yyyy:MM:dd HH:mm:ss" and "yyyy-MM-ddTHH:mm:ss", both read as local wall-clock time;
// anything after the seconds (fractions, a zone designator) is ignored. Missing fields, a
// year, month or day of 0 (the "0000:00:00 00:00:00" that cameras write for "unknown") and
// fields out of range give an invalid date.
QDateTime dateFromExifString(const QString &text);
QDateTime dateFromISO8601String(const QString &text);

// The local wall-clock time as "yyyy:MM:dd HH:mm:ss", Gregorian, with ASCII digits whatever
// the user's locale; safe on any thread. A null string for an invalid date.
QString exifString(const QDateTime &date);

} // namespace MCDateExtensions

// Moving a wall-clock reading between time zones.
namespace MCCalendarExtensions {

// The date whose wall-clock reading in `to` equals `date`'s reading in `from`; an invalid date
// when any argument is invalid; `date` itself when the zones are equal.
QDateTime convertDate(const QDateTime &date, const QTimeZone &from, const QTimeZone &to);
// The same with the system's zone as target, or as source.
QDateTime convertDateFromTimeZone(const QDateTime &date, const QTimeZone &from);
QDateTime convertDateToTimeZone(const QDateTime &date, const QTimeZone &to);

} // namespace MCCalendarExtensions
