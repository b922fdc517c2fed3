#pragma once

#include <QByteArray>
#include <QVariant>

// Nil-safe comparison of byte data (a null QByteArray is "no data").
namespace MCDataExtensions {

bool isEqualData(const QByteArray &first, const QByteArray &second);
// Three-way order: -1 first before second, 0 same, 1 first after second.
int compareData(const QByteArray &first, const QByteArray &second);
// Bytes compare as unsigned values up to the shorter length; then the shorter orders first.
// Absent `other` orders before the receiver (answer 1).
int compareToData(const QByteArray &receiver, const QByteArray &other);

} // namespace MCDataExtensions

// Storing one value (a colour, a number, a list ...) as bytes, for settings and presets.
// The form is a small tagged header followed by Qt's versioned data stream of the value.
// Reading it back is strict, since archives come from files anyone can edit: only lists, maps
// (QVariantMap), booleans, integers, double, float, QString, QByteArray, QColor, QPointF,
// QSizeF and QRectF are read, lists and maps nest at most 16 deep, and data that isn't exactly
// one such value (a foreign or truncated header, a count or length beyond the data, trailing
// bytes) gives a null QVariant instead of a guess.
namespace MCKeyedArchiver {
QByteArray archivedRootObject(const QVariant &object);
}

namespace MCKeyedUnarchiver {
QVariant unarchivedRootObject(const QByteArray &data);
}
