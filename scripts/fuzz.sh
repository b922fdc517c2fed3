#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (clang, ASan+UBSan, into build-fuzz/) and runs
# each for a while on its seeds.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]   (default: every target)
# Inputs the fuzzer finds interesting collect in build-fuzz/corpus/<target>/; a crash, a
# sanitizer report, a hang or running out of memory leaves the input in
# build-fuzz/artifacts/<target>/ and makes the script fail once every target has run. Add
# such an input to tests/data/broken (decoders) or to a unit test before fixing it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
dir=${QUILLON_FUZZ_BUILD_DIR:-build-fuzz}
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"

if [ ! -f "$dir/build.ninja" ]; then
  # The whole tree is instrumented, so the fuzzer sees coverage of the code under test and
  # the sanitizers watch it, not only the driver.
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_BUILD_FUZZ=ON -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_BENCH=OFF >/dev/null
fi

# Each target's seeds: tests/fuzz/seeds/<target>/ and what else suits it.
seeds_of() {
  case "$1" in
    image_decoders) echo "tests/data/broken" ;;
    presets) echo "resources/Presets/Convert tests/fuzz/seeds/property_list" ;;
    property_list) echo "tests/fuzz/seeds/property_list resources/Presets/Convert" ;;
    *) echo "tests/fuzz/seeds/$1" ;;
  esac
}

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
  done
fi

cmake --build "$dir" -j "$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS="detect_leaks=0 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1 ${UBSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
failed=()
for name in "${targets[@]}"; do
  corpus="$dir/corpus/$name"
  artifacts="$dir/artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  for folder in $(seeds_of "$name"); do
    [ -d "$folder" ] && seeds+=("$folder")
  done
  echo "== $name: ${seconds}s on ${seeds[*]:-no seeds}"
  if ! "$dir/bin/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=262144 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" 2>"$dir/fuzz_$name.log"; then
    failed+=("$name")
    tail -n 40 "$dir/fuzz_$name.log"
  fi
  grep -E "^(stat::number_of_executed_units|stat::new_units_added)" "$dir/fuzz_$name.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]} (inputs in $dir/artifacts/)"
  exit 1
fi
echo "no findings"
