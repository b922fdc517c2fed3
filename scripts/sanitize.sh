#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (Debug, into
# build-asan/) and runs every test, the broken-file corpus included (the decoder tests read
# every file of tests/data/broken). Any report fails the run.
# QUILLON_TSAN=1 builds with ThreadSanitizer into build-tsan/ instead, for the threaded tests;
# the tests that start other programs are left to the AddressSanitizer pass (see below).
# Extra arguments go to ctest (for example: scripts/sanitize.sh -L platform).
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
if [ "${QUILLON_TSAN:-0}" = 1 ]; then
  dir=${QUILLON_BUILD_DIR:-build-tsan}
  flags="-fsanitize=thread -fno-omit-frame-pointer"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLON_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
  # Qt and the codecs' threads are not instrumented: scripts/tsan.supp says what that hides.
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/scripts/tsan.supp ${TSAN_OPTIONS:-}"
  # Tests that start a program through QProcess: Qt starts children with a raw
  # clone(CLONE_VFORK), which ThreadSanitizer cannot follow, and it then reports races in the
  # parallel-loop pool that are not there. They run in the AddressSanitizer pass. A new test
  # that starts a program belongs in this list.
  process_tests='^(DecoderContent\.(FormatComesFromContentNotName|MultiPageTiffCountsEveryPage|EmbeddedProfileBecomesTheColourSpace)'
  process_tests+='|DecoderBrokenInput\.TruncatedFilesOfEveryFormatGiveNoImage|PropertyTest\.|MetadataCarryTest\.|WriterTest\.'
  process_tests+='|PropertyList\.InteroperatesWithPlistutil|RealPlugInsTest\.|MCThumbnailLoadStrategy\.ChoosesTheThumbnailByTheTargetSize'
  process_tests+='|EditMetadataFileTest\.|MetadataManagerTest\.|MetadataManagerVerdict\.|MetadataStageFiles\.'
  process_tests+='|ColorProfileReference\.|Presets\.AnInterruptedSaveIsFinishedFromWhatItLeft|QuitRoad\.|ConvertDriver\.)'
  set -- -E "$process_tests" "$@"
else
  dir=${QUILLON_BUILD_DIR:-build-asan}
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_BENCH=OFF >/dev/null
  # Leaks are reported by fontconfig and the Qt platform plug-ins at exit; they are not ours.
  export ASAN_OPTIONS="detect_leaks=0 abort_on_error=1 ${ASAN_OPTIONS:-}"
  export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1 ${UBSAN_OPTIONS:-}"
fi
cmake --build "$dir" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" "$@"
