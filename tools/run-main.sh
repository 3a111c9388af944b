#!/usr/bin/env bash
# The main job: installs the packages, builds the plug-in in every format and installs each where
# hosts look, and renders the built-in demo through it into a WAV file and its plot.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target VELK velk-render VELKFormats_VST3 velk_lv2 velk_clap VELKFormats_Standalone
# Installs VELK.so into $VST_PATH, or ~/.vst, where Linux hosts look for VST 2.4 plug-ins, and
# VELK.vst3, VELK.lv2, VELK.clap and the standalone VELK into ~/.vst3, ~/.lv2, ~/.clap and
# ~/.local/bin.
cmake --install build
# The built-in demo (drums and bass) through the plug-in, as a host renders it.
mkdir -p build/demo
./build/velk-render build/demo/velk-demo.wav --plot build/demo/velk-demo.png \
    --ratio 8 --input 0.8 --attack 0.2 --release 0.15 --output 0.22 --dist warm
echo "Wrote build/demo/velk-demo.wav and build/demo/velk-demo.png"
