#!/usr/bin/env bash
# Installs what VELK needs to build and test on Debian 12. Run as root or through sudo; safe to
# run again.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

# iem-plugin-suite-vst: the peer that velk_module_bench compares VELK with. ladspa-sdk: for
# building the plug-in validator (tools/run-pluginval.sh). qtractor: its plug-in scanner checks
# that a CLAP host lists VELK.clap. zam-plugins and x42-plugins: the CLAP and LV2 peers that
# velk_clap_bench and velk_lv2_bench compare with.
packages=(
    build-essential cmake pkg-config git clang-format
    juce-modules-source
    libfreetype-dev libfontconfig1-dev libpng-dev libjpeg-dev zlib1g-dev
    libx11-dev libxtst-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev libxcomposite-dev libxrender-dev
    libasound2-dev
    libflac-dev libvorbis-dev libogg-dev
    fonts-dejavu-core
    libgtest-dev libbenchmark-dev libsleef-dev
    libjack-jackd2-dev lv2-dev sordi lilv-utils liblilv-dev
    xvfb xauth x11-utils
    ccache
    lintian
    iem-plugin-suite-vst
    ladspa-sdk
    qtractor
    zam-plugins
    x42-plugins
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update
    $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
