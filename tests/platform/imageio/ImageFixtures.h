#pragma once

// Test images made at run time with ImageMagick's `convert` and tagged with `exiftool`, so
// every format and metadata case is a real file without storing binaries in the repository.
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace fixtures {

inline bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

inline bool haveTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty();
}

// `convert <arguments...> <folder>/<name>`; the path, or empty when convert failed.
inline QString make(const QString &folder, const QString &name, const QStringList &arguments)
{
    const QString path = folder + QLatin1Char('/') + name;
    return run(QStringLiteral("convert"), arguments + QStringList{path}) ? path : QString();
}

// Writes tags with exiftool in place (numeric values: -n).
inline bool tag(const QString &path, const QStringList &assignments)
{
    return run(QStringLiteral("exiftool"),
               QStringList{QStringLiteral("-q"), QStringLiteral("-n"), QStringLiteral("-overwrite_original")} +
                   assignments + QStringList{path});
}

inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool write(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace fixtures

#define REQUIRE_IMAGE_TOOLS()                                                                                          \
    do {                                                                                                               \
        if (!fixtures::haveTools())                                                                                    \
            GTEST_SKIP() << "convert and exiftool are needed to make the test images";                                 \
    } while (0)
