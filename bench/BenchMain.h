#pragma once

// The benchmarks' common main: Google Benchmark's options, then every registered benchmark.
#include "platform/accelerate/vImageBuffer.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>

namespace bench {

// Runs every registered benchmark with the command line's options; 1 for an unknown option.
inline int runRegistered(int &argc, char **argv)
{
    MCReturnLargeBlocksToTheSystem(); // large blocks are handled as in the application
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench

// main() for benchmarks of code that needs a Qt application object (timers, queued calls,
// notifications delivered on the main thread).
#define QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()                                                  \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QCoreApplication application(argc, argv);                                                  \
        return bench::runRegistered(argc, argv);                                                   \
    }

// main() for benchmarks of screens (widgets on the offscreen platform unless QT_QPA_PLATFORM
// says otherwise). Settings and caches go to a temporary folder, never the user's own.
#define QUILLON_BENCHMARK_MAIN_WITH_GUI_APPLICATION()                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());              \
        qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());                \
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());                  \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication application(argc, argv);                                                      \
        return bench::runRegistered(argc, argv);                                                   \
    }
