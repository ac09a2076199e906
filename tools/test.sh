#!/bin/sh
# Installs what is missing, builds, and runs every test twice: once in a normal
# build (build/) and once built with AddressSanitizer + UndefinedBehaviorSanitizer
# (build-asan/). Tests that need a display run under a private Xvfb. Between the
# two, the fuzz targets run for a bounded time each (tools/fuzz.sh, clang).
#
# The camera backend and its tests are required: the command fails when they
# cannot be built, unless TAVELIN2_NO_CAMERA=1 says that a build without the
# camera is meant (its set-up is then not run either). With CI set in the
# environment a skipped test fails the command too.
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh
REQUIRE_CAMERA=ON
if [ "${TAVELIN2_NO_CAMERA:-0}" = 1 ]; then
  REQUIRE_CAMERA=OFF
  echo "TAVELIN2_NO_CAMERA=1: the camera backend is not required and not set up" >&2
elif [ -x tools/setup-extra.sh ]; then
  ./tools/setup-extra.sh
fi
JOBS=$(nproc)

# Runs the tests of build folder $1; in CI a skipped test is a failure.
run_tests() {
  log="$1/ctest-output.log"
  # -noreset: Xvfb otherwise resets when its last client leaves, and a
  # program started during the reset cannot connect (seen between two runs
  # of the signal test).
  xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
    ctest --test-dir "$1" --output-on-failure -j 2 --output-log "$log"
  case "${CI:-}" in
    "" | 0 | false) ;;
    *)
      if grep -q '(Skipped)$' "$log"; then
        echo "CI: tests were skipped in $1, which CI does not accept:" >&2
        grep '(Skipped)$' "$log" >&2
        exit 1
      fi
      ;;
  esac
}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVELIN_REQUIRE_CAMERA=$REQUIRE_CAMERA
cmake --build build -j "$JOBS"
run_tests build

./tools/fuzz.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVELIN_SANITIZE=ON -DTAVELIN_BENCHMARKS=OFF \
  -DTAVELIN_REQUIRE_CAMERA=$REQUIRE_CAMERA
cmake --build build-asan -j "$JOBS"
run_tests build-asan
