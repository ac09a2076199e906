#!/bin/sh
# Installs what is missing, builds, and starts tavelin2 with the simulated sensor.
# The program runs in data/ (created here, with stim/ linked in): the settings
# file Tavelin2.ini and the result files land there.
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh
if [ -x tools/setup-extra.sh ]; then ./tools/setup-extra.sh; fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tavelin2
mkdir -p data
[ -e data/stim ] || ln -s ../stim data/stim
cd data
exec ../build/src/app/tavelin2 --sensor=sim "$@"
