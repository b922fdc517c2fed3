#!/usr/bin/env bash
# Regenerates the generic CMYK profile we ship (resources/ColorProfiles/GenericCMYK.icc) from
# the measured characterisation of coated offset paper, FOGRA39L.ti3 (1617 CMYK patches with
# their measured Lab values), with ArgyllCMS's colprof. A developer runs it by hand; the build
# only uses the committed profile. Needs the Debian packages argyll and icc-profiles-free.
#
# usage: tools/genericcmyk/generate.sh [output.icc]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/resources/ColorProfiles/GenericCMYK.icc}
data=/usr/share/color/icc/FOGRA39L.ti3
srgb=/usr/share/color/argyll/ref/sRGB.icm

for need in colprof:argyll "$data":icc-profiles-free "$srgb":argyll; do
  what=${need%%:*} package=${need##*:}
  if ! command -v "$what" >/dev/null 2>&1 && [ ! -e "$what" ]; then
    echo "generate.sh: $what is missing; install the Debian package $package" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# colprof reads <name>.ti3 from the current folder; the packaged file has DOS line ends,
# which it reads as they are.
cp "$data" "$work/FOGRA39L.ti3"
cd "$work"

# -ql          low-quality (small) lookup tables: about 55 KB, within 1.5 ΔE*ab of every patch
# -nc          leave the measurement data out of the profile
# -l330        total ink limit of the printing condition (330 %)
# -k p ...     black generation: no black in the lightest 15 % of the tone range, then a
#              straight ramp to full black, as in a medium gray component replacement
# -S, -c, -d   perceptual tables gamut-mapped from sRGB, seen on a monitor, printed on paper
colprof -ql -nc -l330 -k p 0 0.15 1.0 1.0 1.0 \
  -S "$srgb" -cmt -dpp \
  -D "Generic CMYK Profile" \
  -C "Made from FOGRA39L.ti3 (zlib licence, see LICENSE); altered from the measured data" \
  -O GenericCMYK.icc FOGRA39L

cp GenericCMYK.icc "$out.tmp"
mv "$out.tmp" "$out"
echo "generate.sh: wrote $out ($(stat -c %s "$out") bytes)"
