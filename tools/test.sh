#!/bin/sh
# Installs what is missing, builds, and runs every test twice: once in a normal
# build (build/) and once built with AddressSanitizer + UndefinedBehaviorSanitizer
# (build-asan/). Tests that need a display run under a private Xvfb. Between the
# two, the fuzz targets run for a bounded time each (tools/fuzz.sh, clang).
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh
if [ -x tools/setup-extra.sh ]; then ./tools/setup-extra.sh; fi
JOBS=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$JOBS"
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --test-dir build --output-on-failure -j 2

./tools/fuzz.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVELIN_SANITIZE=ON -DTAVELIN_BENCHMARKS=OFF
cmake --build build-asan -j "$JOBS"
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --test-dir build-asan --output-on-failure -j 2
