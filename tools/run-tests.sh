#!/usr/bin/env bash
# Installs the packages, builds everything and runs every test: the release build, then all the
# tests again under AddressSanitizer with UndefinedBehaviorSanitizer (and its leak checker), and
# the threading tests and the storms of the torture suite under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs="$(nproc)"

# The editor tests need an X server; without a display, start a virtual one.
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:97
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfbPid=$!
    trap 'kill "$xvfbPid" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 TSAN_OPTIONS=halt_on_error=1
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=address,undefined -DVELK_BUILD_BENCHMARKS=OFF -DVELK_BUILD_FORMATS=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=thread -DVELK_BUILD_BENCHMARKS=OFF -DVELK_BUILD_FORMATS=OFF
cmake --build build-tsan -j"$jobs" --target velk_engine_tests velk_format_processor_tests velk_torture_tests
ctest --test-dir build-tsan --output-on-failure -R '^Threading\.|^Torture\..*Storm'
