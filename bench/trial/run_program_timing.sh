#!/usr/bin/env bash
# One timed run of the whole program with the simulated sensor, driven through
# its real main frame, setup dialog and stage window, then the pass timing of
# that run: the pass interval and the frame take-up (median, 99th percentile).
#
#   bench/trial/run_program_timing.sh [build dir] [time limit in seconds]
#
# Needs xdotool; starts its own Xvfb (1920 x 1080) unless DISPLAY is set. The
# run's files land in a temporary folder, which is removed afterwards unless
# KEEP=1. The trial loop writes its pass trace there (TAVELIN2_PASS_TRACE).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
limit_s=${2:-30}
program=$build_dir/src/app/tavelin2
analyser=$build_dir/bench/trial/trial_pass_timing

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$build_dir" "$limit_s"
fi
for tool in "$program" "$analyser"; do
  [ -x "$tool" ] || { echo "missing $tool (build the tavelin2 and trial_pass_timing targets)" >&2; exit 2; }
done
command -v xdotool >/dev/null || { echo "xdotool is needed" >&2; exit 2; }

work=$(mktemp -d /tmp/tavelin2-timing-XXXXXX)
ln -s "$source_dir/stim" "$work/stim"
trace=$work/passes.csv

(cd "$work" && TAVELIN2_PASS_TRACE="$trace" exec "$program" --sensor=sim) &
app=$!
cleanup() {
  if kill -0 "$app" 2>/dev/null; then kill "$app" 2>/dev/null || true; fi
  wait "$app" 2>/dev/null || true
  [ "${KEEP:-0}" = 1 ] && echo "files kept in $work" || rm -rf "$work"
}
trap cleanup EXIT

source "$here/../drive_program.sh"

start_run TIMING "$limit_s"
echo "run of $limit_s s after the first two pops..." >&2
score=$(window '^Score$' $((limit_s + 180)))
sleep 0.3
xdotool windowfocus --sync "$score" key Return
sleep 1
xdotool windowfocus --sync "$frame" key --delay 200 alt+f x || true
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done

"$analyser" "$trace"
