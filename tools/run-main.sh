#!/usr/bin/env bash
# The main job: installs the packages, builds the plug-in and installs it into the user's VST
# folder, and runs the engine demo.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target VELK velk-demo
# Installs VELK.so into $VST_PATH, or ~/.vst, where Linux hosts look for VST 2.4 plug-ins.
cmake --install build
./build/velk-demo
