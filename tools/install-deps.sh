#!/bin/sh
# Installs the Debian 12 packages the build, the program and the tests need.
# Safe to run again: apt-get skips what is already installed.
set -eu
PKGS="build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-multimedia-dev qt6-charts-dev
  qt6-tools-dev qt6-l10n-tools
  libgl-dev libegl-dev libgles-dev mesa-utils libgl1-mesa-dri
  qt6-qpa-plugins fonts-ipafont-gothic
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
  xvfb xauth x11-utils xdotool poppler-utils
  clang-format ninja-build clang libclang-rt-14-dev
  python3-onnx python3-numpy
  dpkg-dev desktop-file-utils lintian man-db
  libopencv-imgproc-dev opencv-doc
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  slurm-wlm munge"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
# Node and npm run the BIDS validator test: Debian's, unless a Node with its
# own npm is already installed (Debian's npm would conflict with it).
if ! command -v npm >/dev/null 2>&1; then missing="$missing nodejs npm"; fi
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
