#!/usr/bin/env bash
# Decodes MPEG audio streams with the reference decoder (mpg123, run as a
# black box) into raw PCM beside the output prefix:
#   PREFIX.f32  interleaved 32-bit floats, native byte order, full scale 1.0
#   PREFIX.s16  interleaved signed 16-bit integers, native byte order
# Gapless trimming is off (encoder delay and padding stay in), the Info/Xing
# tag frame is left out, and the generic (portable) decoding core is used so
# the reference does not depend on the CPU.
#
#   reference_output.sh IN.mp3 PREFIX [OPTION...]   options go to the reference
#                                                   (e.g. --2to1, --mono, --single0)
#   reference_output.sh --folder FOLDER     every stream of FOLDER/manifest.tsv,
#                                           written as FOLDER/<file>.f32/.s16
set -euo pipefail

command -v mpg123 >/dev/null || { echo "$0: mpg123 is not installed" >&2; exit 3; }

decode() {
  local in=$1 prefix=$2
  shift 2
  mpg123 -q --no-gapless --no-infoframe --cpu generic "$@" -e f32 -s "$in" > "$prefix.f32"
  mpg123 -q --no-gapless --no-infoframe --cpu generic "$@" -e s16 -s "$in" > "$prefix.s16"
}

if [ "${1:-}" = "--folder" ] && [ $# -eq 2 ]; then
  folder=$2
  tail -n +2 "$folder/manifest.tsv" | while IFS=$'\t' read -r file _; do
    decode "$folder/$file" "$folder/$file"
  done
elif [ $# -ge 2 ]; then
  decode "$@"
else
  echo "usage: $0 IN.mp3 PREFIX [OPTION...] | --folder FOLDER" >&2
  exit 2
fi
