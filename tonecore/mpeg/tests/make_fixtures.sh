#!/usr/bin/env bash
# Makes MPEG audio layer III test streams with sox (the sounds) and lame (the
# encoder) into a folder, and lists them in <folder>/manifest.tsv, one stream
# a line: file, sound, sample rate (Hz), stereo mode, rate control, CRC,
# notes. The encoder's output is deterministic, so the same arguments give the
# same bytes on every run.
#
#   make_fixtures.sh FOLDER            small set: a few seconds of work
#   make_fixtures.sh --full FOLDER     every rate, mode, bitrate, VBR and ABR
#                                      setting, longer sounds
#
# Sounds: sweep (20 Hz to 10 kHz sine at -20 dBFS, the accuracy sweep),
# noise (pink, -12 dBFS, different in both channels), tones (several sines
# with clicks), square (full scale, clips). Stereo modes: s stereo, j joint,
# f forced mid/side, d dual channel, m mono.
set -euo pipefail

full=0
if [ "${1:-}" = "--full" ]; then
  full=1
  shift
fi
if [ $# -ne 1 ]; then
  echo "usage: $0 [--full] FOLDER" >&2
  exit 2
fi
out=$1
for tool in sox lame; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 3; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds=2
if [ $full -eq 1 ]; then seconds=10; fi

# sound NAME RATE: the WAVE file of a sound at a rate (made once).
sound() {
  local name=$1 rate=$2
  local wav="$work/$name-$rate.wav"
  if [ ! -f "$wav" ]; then
    local top=$((rate / 2 - 100))
    local sweepEnd=$((top < 10000 ? top : 10000))
    case $name in
      sweep) sox -R -D -n -r "$rate" -c 2 -b 16 "$wav" synth "$seconds" sine 20-"$sweepEnd" vol -20dB ;;
      noise) sox -R -D -n -r "$rate" -c 2 -b 16 "$wav" synth "$seconds" pinknoise pinknoise vol -12dB ;;
      tones) sox -R -D -n -r "$rate" -c 2 -b 16 "$wav" synth "$seconds" sine 440 sine 1250 \
               synth "$seconds" sine mix 3000 sine mix 330 synth "$seconds" square mix 4 vol -9dB ;;
      square) sox -R -D -n -r "$rate" -c 2 -b 16 "$wav" synth "$seconds" square 441 ;;
      *) echo "unknown sound $name" >&2; exit 1 ;;
    esac
  fi
  echo "$wav"
}

manifest="$out/manifest.tsv"
printf 'file\tsound\trate_hz\tmode\trate_control\tcrc\tnotes\n' > "$manifest"

# encode SOUND RATE MODE CONTROL CRC [NOTES [LAME OPTIONS...]]
# CONTROL: cbrN, vbrN (lame -V N) or abrN. CRC: crc or nocrc.
encode() {
  local snd=$1 rate=$2 mode=$3 control=$4 crc=$5 notes=${6:-}
  shift 6 || shift $#
  local name="$snd-$rate-$mode-$control-$crc${notes:+-$notes}.mp3"
  local args=(--quiet -m "$mode" --resample "$(awk "BEGIN { print $rate / 1000 }")")
  case $control in
    cbr*) args+=(-b "${control#cbr}") ;;
    vbr*) args+=(-V "${control#vbr}") ;;
    abr*) args+=(--abr "${control#abr}") ;;
  esac
  if [ "$crc" = crc ]; then args+=(-p); fi
  # No Info tag unless the notes ask for one: the reference decoder is run
  # with the tag frame left out.
  case $notes in
    *infotag*) ;;
    *) args+=(-t) ;;
  esac
  lame "${args[@]}" "$@" "$(sound "$snd" "$rate")" "$out/$name"
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$snd" "$rate" "$mode" "$control" "$crc" "$notes" >> "$manifest"
}

mpeg1_rates=(44100 48000 32000)
lower_rates=(22050 24000 16000 11025 12000 8000)
# ISO/IEC 11172-3 and 13818-3: the layer III bitrates of each version.
mpeg1_bitrates=(32 40 48 56 64 80 96 112 128 160 192 224 256 320)
lower_bitrates=(8 16 24 32 40 48 56 64 80 96 112 128 144 160)
# The encoder stops at 64 kbit/s for the MPEG-2.5 rates.
mpeg25_bitrates=(8 16 24 32 40 48 56 64)

if [ $full -eq 0 ]; then
  # Every rate once, every mode, the bitrate extremes, VBR, ABR, CRC, the
  # reservoir off, an Info tag and a free-format stream (not decoded).
  for rate in "${mpeg1_rates[@]}" "${lower_rates[@]}"; do
    encode sweep "$rate" j vbr2 nocrc ""
  done
  encode noise 44100 s cbr128 crc ""
  encode noise 44100 f cbr320 nocrc ""
  encode noise 44100 d cbr192 nocrc ""
  encode tones 44100 m cbr32 nocrc ""
  encode tones 22050 j cbr8 crc ""
  encode tones 8000 s cbr64 nocrc ""
  encode square 48000 j abr160 nocrc ""
  encode noise 32000 j cbr96 nocrc nores --nores
  encode sweep 44100 j cbr128 nocrc infotag
  encode sweep 44100 j vbr2 nocrc infotag
  encode tones 44100 j cbr128 nocrc freeformat --freeformat
  exit 0
fi

for rate in "${mpeg1_rates[@]}" "${lower_rates[@]}"; do
  if [ "$rate" -ge 32000 ]; then
    bitrates=("${mpeg1_bitrates[@]}")
  elif [ "$rate" -ge 16000 ]; then
    bitrates=("${lower_bitrates[@]}")
  else
    bitrates=("${mpeg25_bitrates[@]}")
  fi
  for br in "${bitrates[@]}"; do
    encode sweep "$rate" j "cbr$br" nocrc ""
  done
  for mode in s j f d m; do
    for snd in sweep noise tones square; do
      encode "$snd" "$rate" "$mode" "cbr${bitrates[$(( ${#bitrates[@]} / 2 ))]}" nocrc ""
    done
    encode noise "$rate" "$mode" "cbr${bitrates[-1]}" crc ""
    encode tones "$rate" "$mode" "cbr${bitrates[0]}" crc ""
  done
  for v in 0 1 2 3 4 5 6 7 8 9; do
    encode noise "$rate" j "vbr$v" nocrc ""
  done
  encode tones "$rate" j "abr${bitrates[$(( ${#bitrates[@]} - 3 ))]}" nocrc ""
  encode noise "$rate" s "cbr${bitrates[$(( ${#bitrates[@]} / 2 ))]}" nocrc nores --nores
done
encode sweep 44100 j cbr128 nocrc infotag
encode sweep 44100 j vbr2 nocrc infotag
encode tones 44100 j cbr128 nocrc freeformat --freeformat
