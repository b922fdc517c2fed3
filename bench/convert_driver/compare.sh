#!/usr/bin/env bash
# Runs one batch through the conversion benchmark driver, through vips and through
# ImageMagick's convert with the equivalent operations, beside the codec's own floors, and
# prints the figures side by side.
#
#   compare.sh [--scale N] [--sharpen] [--cores LIST] [--no-convert] PRESET.convertpreset FILE...
#
# The output format and quality come from the preset; --scale N (fit the long side into N
# pixels) and --sharpen add the operations to vips and convert that the preset's stages do,
# so keep them in step with the preset. --cores runs every tool under `taskset -c LIST`
# ("0,1" for two cores). For JPEG output the rows also hold `vips thumbnail` straight to
# JPEG (reduced decoding, no sharpening: the peer to beat), the full decode+encode floor
# (`djpeg | cjpeg`) and, with --scale, the reduced-decode floor (`djpeg -scale 1/2 | cjpeg`).
# Needs the driver built (build/bin), /usr/bin/time, and djpeg/cjpeg for the floors.
# QUILLON_CONVERT_BENCH names another driver; QUILLON_CONVERT_BENCH_BEFORE adds a row "before"
# for a second driver (an earlier build), run in the same batch for a before/after comparison.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
driver=${QUILLON_CONVERT_BENCH:-$here/../../build/bin/quillonx-convert-bench}
scale=""
sharpen=0
cores=""
with_convert=1
while [[ $# -gt 0 ]]; do
  case "$1" in
    --scale) scale=$2; shift 2 ;;
    --sharpen) sharpen=1; shift ;;
    --cores) cores=$2; shift 2 ;;
    --no-convert) with_convert=0; shift ;;
    *) break ;;
  esac
done
[[ $# -ge 2 ]] || { sed -n 2,14p "$0"; exit 2; }
preset=$1; shift
files=("$@")

read -r format quality < <(python3 - "$preset" <<'PY'
import plistlib, sys
p = plistlib.load(open(sys.argv[1], "rb"))
print(p.get("format", 1), int(round(100 * p.get("quality", 0.8))))
PY
)
extensions=(gif jpg jp2 pdf png tiff bmp heic)
ext=${extensions[$format]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure NAME COMMAND...: wall seconds and peak memory of one command.
declare -A seconds memory
measure() {
  local name=$1; shift
  local start end
  local pin=()
  [[ -n $cores ]] && pin=(taskset -c "$cores")
  start=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$work/$name.mem" "${pin[@]}" "$@" >/dev/null 2>"$work/$name.err" || {
    echo "$name failed:"; cat "$work/$name.err"; return 1; }
  end=$(date +%s.%N)
  seconds[$name]=$(echo "$end - $start" | bc -l)
  memory[$name]=$(( $(tail -n1 "$work/$name.mem") / 1024 ))
}

measure quillon "$driver" "$preset" "$work/quillon" "${files[@]}"
tools=(quillon)
if [[ -n ${QUILLON_CONVERT_BENCH_BEFORE:-} ]]; then
  measure before "$QUILLON_CONVERT_BENCH_BEFORE" "$preset" "$work/before" "${files[@]}"
  tools+=(before)
fi

printf '%s\n' "${files[@]}" > "$work/files.txt"
vips_batch() {
  mapfile -t files < "$work/files.txt"
  mkdir -p "$work/vips"
  for f in "${files[@]}"; do
    local out="$work/vips/$(basename "${f%.*}").$ext"
    if [[ -n $scale ]]; then
      vips thumbnail "$f" "$work/vips/tmp.v" "$scale" --size down
    else
      vips copy "$f" "$work/vips/tmp.v"
    fi
    if [[ $sharpen == 1 ]]; then
      vips sharpen "$work/vips/tmp.v" "$work/vips/tmp2.v" && mv "$work/vips/tmp2.v" "$work/vips/tmp.v"
    fi
    case $ext in jpg|heic|jp2) vips copy "$work/vips/tmp.v" "$out[Q=$quality]" ;; *) vips copy "$work/vips/tmp.v" "$out" ;; esac
  done
}
convert_batch() {
  mapfile -t files < "$work/files.txt"
  mkdir -p "$work/convert"
  for f in "${files[@]}"; do
    local args=("$f" -auto-orient)
    [[ -n $scale ]] && args+=(-resize "${scale}x${scale}>")
    [[ $sharpen == 1 ]] && args+=(-sharpen 0x1)
    convert "${args[@]}" -quality "$quality" "$work/convert/$(basename "${f%.*}").$ext"
  done
}
# `vips thumbnail` straight to the output: decodes a JPEG at reduced size, does not sharpen.
thumbnail_batch() {
  mapfile -t files < "$work/files.txt"
  mkdir -p "$work/thumbnail"
  for f in "${files[@]}"; do
    vips thumbnail "$f" "$work/thumbnail/$(basename "${f%.*}").$ext[Q=$quality]" "$scale" --size down
  done
}
# The codec alone: decode and encode every file, at full size or at half size.
floor_batch() {
  mapfile -t files < "$work/files.txt"
  for f in "${files[@]}"; do
    djpeg $1 "$f" | cjpeg -quality "$quality" > "$work/floor.jpg"
  done
}
export -f vips_batch convert_batch thumbnail_batch floor_batch
export work scale sharpen quality ext
tools+=(vips)
measure vips bash -c vips_batch
if [[ $ext == jpg ]] && command -v djpeg >/dev/null && command -v cjpeg >/dev/null; then
  measure floor bash -c 'floor_batch ""'
  tools+=(floor)
  if [[ -n $scale ]]; then
    measure thumbnail bash -c thumbnail_batch
    measure floor_half bash -c 'floor_batch "-scale 1/2"'
    tools+=(thumbnail floor_half)
  fi
fi
if [[ $with_convert == 1 ]]; then
  measure convert bash -c convert_batch
  tools+=(convert)
fi

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)${cores:+, cores $cores}"
printf '%-10s %9s %9s %9s %12s\n' tool seconds files/s peak_MB vs_quillon
for tool in "${tools[@]}"; do
  s=${seconds[$tool]}
  printf '%-10s %9.2f %9.2f %9d %12.2f\n' "$tool" "$s" "$(echo "${#files[@]} / $s" | bc -l)" \
    "${memory[$tool]}" "$(echo "$s / ${seconds[quillon]}" | bc -l)"
done
