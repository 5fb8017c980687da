#!/usr/bin/env bash
# Installs the dependencies, builds a Release build and starts the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${TRACKPRESS_BUILD_DIR:-$top/build}"

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRACKPRESS_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)"

exec "$build/bin/songsmith" "$@"
