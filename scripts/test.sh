#!/usr/bin/env bash
# Installs the dependencies, builds everything (Debug, AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs every test. Then the tests that
# start threads (label threads) run once more under ThreadSanitizer, in a
# tree of their own that builds only them. With CI=true warnings are errors,
# and a Release tree is built too (not run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${TRACKPRESS_TEST_BUILD_DIR:-$top/build-test}"

"$top/scripts/install-deps.sh"

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

cmake -S "$top" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug \
  -DTRACKPRESS_BUILD_TESTS=ON \
  -DTRACKPRESS_SANITIZE=ON \
  -DTRACKPRESS_WERROR="$werror"
cmake --build "$build" -j "$(nproc)"

# CI also compiles (without running) the Release configuration with warnings
# as errors: GCC warns at -O3 about things it cannot see at -O0.
if [ "${CI:-}" = "true" ]; then
  release="${TRACKPRESS_RELEASE_BUILD_DIR:-$top/build-release-check}"
  cmake -S "$top" -B "$release" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DTRACKPRESS_BUILD_TESTS=ON \
    -DTRACKPRESS_WERROR=ON
  cmake --build "$release" -j "$(nproc)"
fi

# ThreadSanitizer cannot share a tree with AddressSanitizer: the thread
# tests get one of their own, with only their executables built.
tsan="${TRACKPRESS_TSAN_BUILD_DIR:-$top/build-tsan}"
cmake -S "$top" -B "$tsan" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug \
  -DTRACKPRESS_BUILD_TESTS=ON \
  -DTRACKPRESS_TSAN=ON \
  -DTRACKPRESS_WERROR="$werror"
cmake --build "$tsan" -j "$(nproc)" --target \
  tonecore_thread_tests platter_thread_tests songvault_thread_tests mediacore_thread_tests \
  songsmith_core_thread_tests

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
(cd "$build" && ctest --output-on-failure -j "$(nproc)" "$@")

# A race or a lock-order inversion fails the test that met it.
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
(cd "$tsan" && ctest --output-on-failure -j "$(nproc)" -L threads)
