#!/bin/sh
# Makes the burn's signal tones, resources/success.mp3 and
# resources/failure.mp3: short tones of our own, made once and committed.
# Needs sox and lame.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Success: two rising notes. Failure: one low falling note.
sox -n -r 44100 -c 2 -b 16 "$work/a.wav" synth 0.18 sine 660 fade 0.01 0.18 0.05 vol 0.5
sox -n -r 44100 -c 2 -b 16 "$work/b.wav" synth 0.30 sine 880 fade 0.01 0.30 0.12 vol 0.5
sox "$work/a.wav" "$work/b.wav" "$work/success.wav"
sox -n -r 44100 -c 2 -b 16 "$work/failure.wav" synth 0.6 sine 330-180 fade 0.01 0.6 0.2 vol 0.5
lame --quiet -b 128 "$work/success.wav" "$here/resources/success.mp3"
lame --quiet -b 128 "$work/failure.wav" "$here/resources/failure.mp3"
