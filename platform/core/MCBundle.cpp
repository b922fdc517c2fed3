#include "platform/core/MCBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace platform {

namespace {

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir(QStringLiteral("/proc/self/exe")).canonicalPath().section(QLatin1Char('/'), 0, -2);
}

QString fromEnvironmentOr(const char *variable, const QString &relativeToExecutable)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty())
        return QDir::cleanPath(value);
    return QDir::cleanPath(executableFolder() + QLatin1Char('/') + relativeToExecutable);
}

QString ensured(const QString &path)
{
    QDir().mkpath(path);
    return path;
}

} // namespace

QString resourcePath() { return fromEnvironmentOr("QUILLONX_RESOURCES", QStringLiteral("../share/quillonx")); }

QString pathForResource(const QString &relativePath)
{
    return QDir::cleanPath(resourcePath() + QLatin1Char('/') + relativePath);
}

QString pluginPath() { return fromEnvironmentOr("QUILLONX_PLUGINS", QStringLiteral("../lib/quillonx/plugins")); }

QString applicationSupportPath()
{
    return ensured(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString cachesPath() { return ensured(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)); }

} // namespace platform
