#pragma once

// The benchmarks' common main: Google Benchmark's options, then every registered benchmark.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace bench {

// Runs every registered benchmark with the command line's options; 1 for an unknown option.
inline int runRegistered(int &argc, char **argv)
{
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
