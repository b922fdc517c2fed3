// quillonx-convert-bench PRESET OUTPUT-FOLDER FILE...
//
// Converts the files one after another through the conversion pipeline with the settings and
// stages of PRESET (a ".convertpreset" file), as the application's convert operation does:
// each result is written to a temporary file beside the destination and moved into place;
// the pixel kernels run in parallel inside each conversion. Prints the files converted, the
// seconds, files per second and the peak resident memory.
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertPreset.h"
#include "app/library/MCFile.h"
#include "app/library/MCPathManager.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: %s PRESET.convertpreset OUTPUT-FOLDER FILE...\n", argv[0]);
        return 2;
    }
    MCError error;
    const std::optional<QVariantMap> stored = platform::readPropertyListDictionary(arguments[1], &error);
    if (!stored) {
        std::fprintf(stderr, "cannot read the preset: %s\n", qPrintable(error.toString()));
        return 1;
    }
    const QString output = QFileInfo(arguments[2]).absoluteFilePath();
    if (!QDir().mkpath(output)) {
        std::fprintf(stderr, "cannot make the output folder %s\n", qPrintable(output));
        return 1;
    }

    // Settings of its own, so a run never touches the user's.
    QTemporaryDir settings;
    MCUserDefaults defaults(settings.filePath(QStringLiteral("Preferences.plist")));
    QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
    registered.insert(kMCShouldAutorotateKey, true);
    registered.insert(kMCKeepOriginalFileCreationDateKey, true);
    defaults.registerDefaults(registered);
    MCBitmapConverter converter(&defaults);
    MCConvertPreset(*stored).applyToConverter(converter);

    qint64 converted = 0;
    QElapsedTimer timer;
    timer.start();
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        const QFileInfo source(arguments[i]);
        auto file = MCFile::fileWithID(quint64(i));
        file->setFilePath(source.absoluteFilePath());
        file->setFileName(source.fileName());
        file->reloadFileInfo();
        const QString destination =
            QDir(output).filePath(source.completeBaseName() + QLatin1Char('.') + converter.imageFileExtension());
        const QString temporary = MCPathManager::defaultManager().temporaryFileURLAppropriateForURL(destination);
        QFile::remove(temporary);
        if (converter.convertFile(*file, temporary, &error)) {
            QFile::remove(destination);
            if (QFile::rename(temporary, destination))
                ++converted;
            else
                std::fprintf(stderr, "%s: cannot move the result into place\n", qPrintable(source.fileName()));
        } else {
            std::fprintf(stderr, "%s: %s\n", qPrintable(source.fileName()), qPrintable(error.toString()));
        }
        QFile::remove(temporary);
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    MCPathManager::defaultManager().cleanupTemporaryURLs();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("files %lld\nseconds %.3f\nfiles_per_second %.3f\npeak_memory_mb %.1f\n", (long long)converted,
                seconds, seconds > 0 ? double(converted) / seconds : 0.0, double(usage.ru_maxrss) / 1024.0);
    return converted == arguments.size() - 3 ? 0 : 1;
}
