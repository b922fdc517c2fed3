#pragma once

#include <QString>

// Where the program finds what it ships and where it keeps what it writes. Bundled
// resources sit beside the executable (<prefix>/share/quillonx, plug-ins in
// <prefix>/lib/quillonx/plugins); tests and developers override them with the environment
// variables QUILLONX_RESOURCES and QUILLONX_PLUGINS.
namespace platform {

QString resourcePath();
// A resource by its path relative to the resource folder ("Presets/Convert"); the path is
// returned whether or not it exists.
QString pathForResource(const QString &relativePath);
QString pluginPath();
// The application's support folder (presets, logs, statistics); created on first use.
QString applicationSupportPath();
// The application's caches folder; created on first use.
QString cachesPath();

} // namespace platform
