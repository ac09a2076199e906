#!/bin/sh
# Installs the Debian 12 packages the build, the program and the tests need.
# Safe to run again: apt-get skips what is already installed.
set -eu
PKGS="build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-multimedia-dev
  libgl-dev libegl-dev libgles-dev mesa-utils libgl1-mesa-dri
  qt6-qpa-plugins fonts-ipafont-gothic
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  xvfb xauth x11-utils xdotool
  clang-format ninja-build
  python3-onnx python3-numpy
  libopencv-videoio-dev libopencv-imgproc-dev libopencv-imgcodecs-dev opencv-doc"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
