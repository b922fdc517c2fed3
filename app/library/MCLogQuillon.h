#pragma once

#include "halvard/system/MCLog.h"

// The identifier of the application, the subsystem of its log channels.
extern const QString kMCQuillonBundleIdentifier; // "app.quillon.QuillonX"

// The application's five log channels, one per area of work. Each is made once, lives for
// the whole run and may be used from any thread.
namespace MCLogQuillon {
MCLog &application();  // "Application"
MCLog &converter();    // "Converter"
MCLog &fileSystem();   // "File System": reloads of a library file's facts
MCLog &fileManager();  // "File Manager": every failed item of a file operation
MCLog &import();       // "Import"
} // namespace MCLogQuillon
