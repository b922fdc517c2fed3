#pragma once

#include <QString>

#include <cstdint>

// ICC profiles written by the tests (lcms2 underneath), for catalogues and profile stages.
namespace testsupport {

// Writes the profile of the named colour space (kCGColorSpaceSRGB, kCGColorSpaceGenericCMYK …)
// to `path` with another description and, unless 0, another profile class (an ICC
// signature such as 'link'). False when the space is unknown or the file cannot be written.
bool writeProfile(const QString &path, const QString &spaceName, const QString &description,
                  uint32_t profileClass = 0);

} // namespace testsupport
