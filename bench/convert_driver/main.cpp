// quillonx-convert-bench PRESET OUTPUT-FOLDER FILE...
//
// Converts the files one after another through the conversion pipeline with the settings and
// stages of PRESET (a ".convertpreset" file), as the application's convert operation does:
// each result is written to a temporary file beside the destination and moved into place;
// the pixel kernels run in parallel inside each conversion. Prints the files converted, the
// seconds, files per second and the peak resident memory.
//
// Nothing is ever overwritten: each result takes the first free name for its source's base
// name in OUTPUT-FOLDER ("a.jpg", else "a 2.jpg", ...), claimed before the conversion starts,
// so two sources with one base name (a.jpeg, a.png) give two results and an output folder
// that holds the sources never loses one.
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertPreset.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileManager.h"
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
#include <cstdlib>

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
    // Temporary folders of an earlier run that was killed go first.
    MCPathManager::defaultManager().removeStaleTemporaryFolders();
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
        // The name is claimed (an empty file) before the conversion and replaced by the
        // finished result; a failed conversion gives the name back.
        const QString destination = MCFileManager::defaultManager().reserveUniqueFileURLForURL(
            QDir(output).filePath(source.completeBaseName() + QLatin1Char('.') + converter.imageFileExtension()), &error);
        if (destination.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(source.fileName()), qPrintable(error.toString()));
            continue;
        }
        const QString temporary = MCPathManager::defaultManager().temporaryFileURLAppropriateForURL(destination);
        QFile::remove(temporary);
        bool placed = false;
        if (converter.convertFile(*file, temporary, &error)) {
            placed = ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(destination).constData()) == 0;
            if (placed)
                ++converted;
            else
                std::fprintf(stderr, "%s: cannot move the result into place\n", qPrintable(source.fileName()));
        } else {
            std::fprintf(stderr, "%s: %s\n", qPrintable(source.fileName()), qPrintable(error.toString()));
        }
        if (!placed)
            QFile::remove(destination);
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
