#pragma once

#include <QString>

namespace quillon {
// The application's name and version as shown to the user and written as "Software".
QString applicationName();
QString applicationVersion();
// Sets the names Qt uses for the application's data, cache and config folders.
void setApplicationIdentity();
}
