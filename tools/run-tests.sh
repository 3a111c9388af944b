#!/usr/bin/env bash
# Installs the packages, builds everything once (release) and runs every test. The sanitizer
# builds are tools/run-sanitizers.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
source tools/display.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
