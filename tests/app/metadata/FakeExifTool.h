#pragma once

#include <QString>

// A stand-in for exiftool in its stay-open mode, for the protocol's corners. It answers each
// command according to a mode: the contents of the file "mode" beside the script when that
// file is not empty, else the first argument's base name up to its first dot. Modes:
//   split      the output marker arrives in two pieces, 0.3 s apart
//   late       a stray answer of an earlier command comes before this one's
//   nolf       output without a final line feed runs into the marker
//   crlf       markers end with CR LF
//   slow       never answers within the test's patience (sleeps 30 s)
//   die        exits without answering
//   nostderr   answers on standard output only
//   error      "Error: Fake failure" on standard error, nothing updated
//   warning    "Warning: Fake warning" on standard error, one file updated
//   silent     answers with no summary at all
//   echo       prints every argument line it received
//   (other)    read commands (with -php) get a small answer in which "Artist" is listed
//              twice (EXIF "Fake", then XMP "Fake XMP"); writes append "X" to the
//              file and report one file updated
// An extra first argument "ignore-quit" makes it ignore "-stay_open false".
namespace fakeexiftool {

// Writes the script into `folder` and answers its path.
QString install(const QString &folder);
// Sets the mode for the following commands ("" = from the file name).
void setMode(const QString &scriptPath, const QString &mode);

} // namespace fakeexiftool
