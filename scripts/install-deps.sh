#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Safe to run
# again: it only asks apt for the packages that are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  libcurl4-openssl-dev
  mpg123 lame sox
  # GUI (Qt 6 Widgets) and a font for the offscreen tests
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core
  # the program's windows on a desktop (the xcb platform) and offscreen
  qt6-qpa-plugins
  # CD reading and writing, the song database
  libcdio-dev libcdio-paranoia-dev libburn-dev libsqlite3-dev
  # sound devices and codecs
  libasound2-dev libgsm1-dev libmp3lame-dev
  # Windows Media audio over FFmpeg
  libavcodec-dev libavformat-dev libswresample-dev libavutil-dev
  # reference tools the oracle tests compare against (they skip when absent)
  libcdio-utils cd-paranoia ffmpeg twolame python3 python3-mutagen id3v2 eyed3 sqlite3
)

missing=()
for pkg in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
