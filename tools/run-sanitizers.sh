#!/usr/bin/env bash
# Installs the packages and runs the tests again under the sanitizers: every test of the
# VST 2.4 module, processor and engine under AddressSanitizer with UndefinedBehaviorSanitizer
# (and its leak checker), then the threading cases and the torture suite's storms under
# ThreadSanitizer. The VST3, LV2 and standalone builds are left out of both.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
source tools/display.sh
jobs="$(nproc)"

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 TSAN_OPTIONS=halt_on_error=1
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=address,undefined -DVELK_BUILD_BENCHMARKS=OFF -DVELK_BUILD_FORMATS=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=thread -DVELK_BUILD_BENCHMARKS=OFF -DVELK_BUILD_FORMATS=OFF
cmake --build build-tsan -j"$jobs" --target velk_engine_tests velk_format_processor_tests velk_torture_tests
ctest --test-dir build-tsan --output-on-failure -R '^Threading\.|^Torture\..*Storm'
