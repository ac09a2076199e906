#!/bin/sh
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer,
# UndefinedBehaviorSanitizer, LeakSanitizer) into build-fuzz/ and runs each for
# a bounded time, starting from the committed seeds in tests/fuzz/corpus/.
# Fails on any crash, leak, sanitizer report or broken round trip.
#   FUZZ_SECONDS         time per target (default 45)
#   FUZZ_READER_SECONDS  time per result file reader target (default 50)
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
SECONDS_EACH=${FUZZ_SECONDS:-45}
READER_SECONDS=${FUZZ_READER_SECONDS:-50}
TARGETS="settings journal_decode recovery file_names"
# Readers of a run's result files; they share the seeds in corpus/result_files.
READER_TARGETS="result_reader report_model run_summary bids_run_files"

cmake -S tests/fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j "$(nproc)"

passed=0
failed=0
for t in $TARGETS $READER_TARGETS; do
  seconds=$SECONDS_EACH
  seeds=$t
  case " $READER_TARGETS " in *" $t "*) seconds=$READER_SECONDS; seeds=result_files ;; esac
  # Inputs found on the way go to build-fuzz/, never into the repository's seeds.
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/artifacts"
  echo "fuzz_$t: ${seconds}s"
  if ./build-fuzz/fuzz_"$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$ROOT/build-fuzz/artifacts/$t-" \
      "$ROOT/build-fuzz/corpus/$t" "$ROOT/tests/fuzz/corpus/$seeds" >"build-fuzz/fuzz_$t.log" 2>&1; then
    passed=$((passed + 1))
    grep -E "stat::number_of_executed_units|stat::average_exec_per_sec" "build-fuzz/fuzz_$t.log" || true
  else
    failed=$((failed + 1))
    tail -n 60 "build-fuzz/fuzz_$t.log"
    echo "fuzz_$t FAILED (input kept in build-fuzz/artifacts/)"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
