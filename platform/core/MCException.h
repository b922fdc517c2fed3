#pragma once

// Programmer errors (a nil argument, an index out of range, a call on the wrong object) throw
// with the messages the system has always used, "%s" being the method's name.
#include <QString>

#include <stdexcept>
#include <string>

namespace platform {

[[noreturn]] inline void throwNilArgument(const char *method)
{
    throw std::invalid_argument(QStringLiteral("*** %1: object must not be nil").arg(QLatin1String(method)).toStdString());
}

// "*** %s: index %ld is out of range [0..%ld]"; `last` is the highest valid index (count − 1).
[[noreturn]] inline void throwIndexOutOfRange(const char *method, qint64 index, qint64 last)
{
    throw std::out_of_range(QStringLiteral("*** %1: index %2 is out of range [0..%3]")
                                .arg(QLatin1String(method))
                                .arg(index)
                                .arg(last)
                                .toStdString());
}

[[noreturn]] inline void throwLogicError(const QString &message) { throw std::logic_error(message.toStdString()); }

} // namespace platform
