#pragma once

// XML property lists in the platform's format (the files presets, settings and statistics are
// kept in), to and from QVariant:
//
//   <dict>     QVariantMap (QVariantHash is written too)      keys are written sorted
//   <array>    QVariantList (QStringList is written too)
//   <string>   QString
//   <integer>  qint64; a value above the qint64 range reads as quint64
//   <real>     double (float is written too); "nan", "+infinity", "-infinity"
//   <true/>, <false/>   bool
//   <date>     QDateTime in UTC, "yyyy-MM-ddTHH:mm:ssZ" (whole seconds)
//   <data>     QByteArray, base64
//
// Other integer types are written as <integer>. Failures are reported through MCError and a
// null result; nothing here throws and nothing returns a partly read value.
#include "platform/core/MCError.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// Codes of MCCocoaErrorDomain for property-list contents (file access failures use the file
// codes of MCError.h).
enum MCPropertyListErrorCode : qint64 {
    MCPropertyListReadCorruptError = 3840,  // not a well-formed property list
    MCPropertyListWriteInvalidError = 3851, // a value a property list cannot hold
};

namespace platform {

// Whether `value` (recursively) holds only values a property list can store.
bool isPropertyList(const QVariant &value);
// Whether `value` is a number a property list stores: a boolean, an integer or a real.
bool isPropertyListNumber(const QVariant &value);

// Parses an XML property list. Answers a null QVariant and fills *error
// (MCPropertyListReadCorruptError, with the line and column in the failure reason) when the
// data is not a complete, well-formed property list.
QVariant propertyListFromData(const QByteArray &data, MCError *error = nullptr);

// The XML property list of `plist`; an empty array and MCPropertyListWriteInvalidError when
// `plist` holds a null value, a type a property list cannot store or text that XML cannot
// carry (control characters other than tab, line feed and carriage return).
QByteArray dataFromPropertyList(const QVariant &plist, MCError *error = nullptr);

// Reads the property list stored in the file at `path`. Missing, unreadable and damaged files
// give MCFileReadNoSuchFileError, MCFileReadNoPermissionError and MCFileReadCorruptFileError
// (the parse error as underlying error).
QVariant readPropertyList(const QString &path, MCError *error = nullptr);

// Reads a file whose root must be a dictionary; any other root is MCFileReadCorruptFileError.
std::optional<QVariantMap> readPropertyListDictionary(const QString &path, MCError *error = nullptr);

// Writes `plist` to `path` atomically: the data goes to a temporary file in the same folder,
// which then replaces `path`. On failure the earlier file is untouched.
bool writePropertyList(const QVariant &plist, const QString &path, MCError *error = nullptr);

} // namespace platform
