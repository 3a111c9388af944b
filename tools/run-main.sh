#!/usr/bin/env bash
# The main job: installs the packages, builds, and runs the engine demo.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target velk-demo
./build/velk-demo
