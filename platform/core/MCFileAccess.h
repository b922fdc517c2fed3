#pragma once

#include "platform/core/MCError.h"

#include <QByteArray>
#include <QString>

// File access that keeps the system's reason for a failure (the errno value) instead of a
// generic "could not open": the errors are of MCPOSIXErrorDomain, with the errno value as
// code, the system's text ("No space left on device") as failure reason and the path.
namespace platform {

// Why the file at `path` cannot be read as a regular file: ENOENT (missing), ENOTDIR (a
// folder of its path is a file), EACCES (no permission), EISDIR (a folder), ... A null error
// when it opens for reading.
MCError errorOfReadingFile(const QString &path);

// Writes `bytes` to `path` whole or not at all: into a new hidden temporary file in the same
// folder, flushed to the disk, then renamed over `path` (which keeps the permissions of a file
// it replaces; a new file gets the usual 0666 less the umask). On failure the temporary file
// is removed and an earlier file at `path` is untouched.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, MCError *error = nullptr);

// The POSIX error of `errnoValue` for `path` (see above).
MCError posixError(int errnoValue, const QString &path);

} // namespace platform
