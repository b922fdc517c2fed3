#include "app/library/MCLogQuillon.h"

const QString kMCQuillonBundleIdentifier = QStringLiteral("app.quillon.QuillonX");

namespace {
// Never destroyed, so a message written while the process ends still finds its channel.
MCLog &channel(const char *category)
{
    return *new MCLog(kMCQuillonBundleIdentifier, QString::fromLatin1(category));
}
} // namespace

namespace MCLogQuillon {
MCLog &application() { static MCLog &log = channel("Application"); return log; }
MCLog &converter() { static MCLog &log = channel("Converter"); return log; }
MCLog &fileSystem() { static MCLog &log = channel("File System"); return log; }
MCLog &fileManager() { static MCLog &log = channel("File Manager"); return log; }
MCLog &import() { static MCLog &log = channel("Import"); return log; }
} // namespace MCLogQuillon
