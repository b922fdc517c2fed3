#!/usr/bin/env bash
# Runs one batch through the conversion benchmark driver, through vips and through
# ImageMagick's convert with the equivalent operations, and prints the figures side by side.
#
#   compare.sh [--scale N] [--sharpen] PRESET.convertpreset FILE...
#
# The output format and quality come from the preset; --scale N (fit the long side into N
# pixels) and --sharpen add the operations to vips and convert that the preset's stages do,
# so keep them in step with the preset. Needs the driver built (build/bin) and /usr/bin/time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
driver=${QUILLON_CONVERT_BENCH:-$here/../../build/bin/quillonx-convert-bench}
scale=""
sharpen=0
while [[ $# -gt 0 ]]; do
  case "$1" in
    --scale) scale=$2; shift 2 ;;
    --sharpen) sharpen=1; shift ;;
    *) break ;;
  esac
done
[[ $# -ge 2 ]] || { sed -n 2,9p "$0"; exit 2; }
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
  start=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$work/$name.mem" "$@" >/dev/null 2>"$work/$name.err" || {
    echo "$name failed:"; cat "$work/$name.err"; return 1; }
  end=$(date +%s.%N)
  seconds[$name]=$(echo "$end - $start" | bc -l)
  memory[$name]=$(( $(tail -n1 "$work/$name.mem") / 1024 ))
}

measure quillon "$driver" "$preset" "$work/quillon" "${files[@]}"

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
export -f vips_batch convert_batch
export work scale sharpen quality ext
measure vips bash -c vips_batch
measure convert bash -c convert_batch

printf '%-10s %9s %9s %9s %12s\n' tool seconds files/s peak_MB vs_quillon
for tool in quillon vips convert; do
  s=${seconds[$tool]}
  printf '%-10s %9.2f %9.2f %9d %12.2f\n' "$tool" "$s" "$(echo "${#files[@]} / $s" | bc -l)" \
    "${memory[$tool]}" "$(echo "$s / ${seconds[quillon]}" | bc -l)"
done
