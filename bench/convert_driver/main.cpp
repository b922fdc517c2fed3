// quillonx-convert-bench [--no-decode-ahead] PRESET OUTPUT-FOLDER FILE...
//
// Converts the files through the file manager's convert operation with the settings and
// stages of PRESET (a ".convertpreset" file): the very path the Convert screen runs, with
// each result written to a temporary file and moved into place, the next photo decoded while
// this one runs through the stages and the encoder (unless --no-decode-ahead), and the pixel
// kernels of each conversion in parallel. Every question is answered without a human. Prints
// the files converted, the seconds, files per second and the peak resident memory.
//
// Nothing is ever overwritten: sources sharing a base name get numbered results ("a.jpg",
// "a 2.jpg"), and a result whose name is taken (an output folder that holds the sources) is
// kept beside the file there ("Keep Both Files").
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertPreset.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileManager.h"
#include "app/library/MCPathManager.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    MCReturnLargeBlocksToTheSystem(); // as the application does
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments();
    bool decodeAhead = true;
    if (arguments.size() > 1 && arguments[1] == QLatin1String("--no-decode-ahead")) {
        decodeAhead = false;
        arguments.removeAt(1);
    }
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: %s [--no-decode-ahead] PRESET.convertpreset OUTPUT-FOLDER FILE...\n", argv[0]);
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

    // Settings of its own, so a run never touches the user's, in a temporary folder named
    // after this process as the application names its own ("quillonx-<pid>-…"): it goes when
    // the run ends, and what a killed run left goes with the stale folders removed above.
    QTemporaryDir settings(QDir(QDir::tempPath())
                               .filePath(QStringLiteral("quillonx-%1-XXXXXX").arg(QCoreApplication::applicationPid())));
    MCUserDefaults defaults(settings.filePath(QStringLiteral("Preferences.plist")));
    QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
    registered.insert(kMCShouldAutorotateKey, true);
    registered.insert(kMCKeepOriginalFileCreationDateKey, true);
    defaults.registerDefaults(registered);
    auto converter = std::make_shared<MCBitmapConverter>(&defaults);
    MCConvertPreset(*stored).applyToConverter(*converter);

    // A name that is taken keeps both files; any other failure skips the photo (and says so).
    MCScopedAlertResponder answers([](const MCAlertRequest &request) {
        std::fprintf(stderr, "%s %s\n", qPrintable(request.messageText), qPrintable(request.informativeText));
        MCAlertAnswer answer;
        const qsizetype keep = request.buttonTitles.indexOf(QStringLiteral("Keep Both Files"));
        answer.response = MCAlertFirstButtonReturn + int(keep >= 0 ? keep : 0);
        return answer;
    });

    MCFileList files;
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        const QFileInfo source(arguments[i]);
        auto file = MCFile::fileWithID(quint64(i));
        file->setFilePath(source.absoluteFilePath());
        file->setFileName(source.fileName());
        file->setFolderPath(source.absolutePath());
        file->reloadFileInfo();
        files << file;
    }

    qint64 converted = 0;
    bool finished = false;
    QElapsedTimer timer;
    timer.start();
    auto operation = MCFileManager::defaultManager().asyncConvertFiles(
        files, output, converter,
        [&](MCFileOperation &, bool, const MCFileList &, const std::optional<QStringList> &results) {
            for (const QString &result : results.value_or(QStringList()))
                converted += QFileInfo(result).isFile() ? 1 : 0;
            finished = true;
        });
    operation->setDecodesAhead(decodeAhead);
    // Sleeps until an event comes: processEvents with a time limit ignores WaitForMoreEvents
    // and would keep one processor polling beside the conversion.
    QEventLoop loop;
    while (!finished)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("files %lld\nseconds %.3f\nfiles_per_second %.3f\npeak_memory_mb %.1f\n", (long long)converted,
                seconds, seconds > 0 ? double(converted) / seconds : 0.0, double(usage.ru_maxrss) / 1024.0);
    return converted == files.size() ? 0 : 1;
}
