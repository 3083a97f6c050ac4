#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine for the project and builds it:
# installs every Debian package the project needs (apt-get update first),
# then configures and builds into build/.
# Usage: scripts/setup.sh   (as root, or with sudo available)
#   Q9_PRESET=ci scripts/setup.sh   configures with that CMake preset
#   instead (warnings stop the build); without it the build is a plain one.
# ccache speeds up rebuilds when it is installed; it is not required.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git python3 time bc
  clang libclang-rt-14-dev clang-format clang-tidy
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev qt6-qpa-plugins fonts-dejavu-core
  xvfb xauth xdotool help2man
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  libmagick++-6.q16-dev imagemagick ghostscript libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The launcher is set either way, so that a build dir configured while
# ccache was there still builds after it is gone.
launcher=""
if command -v ccache > /dev/null; then launcher="ccache"; fi
common=(-DCMAKE_C_COMPILER_LAUNCHER="$launcher" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher")

if [ -n "${Q9_PRESET:-}" ]; then
  cmake --preset "$Q9_PRESET" "${common[@]}"
else
  # A plain build: warnings are shown and never stop it (also in a build
  # dir a preset configured before).
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF "${common[@]}"
fi
ninja -C build
