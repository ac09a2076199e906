#!/usr/bin/env bash
# One run of the whole program at the camera's full rate, measured from the
# outside: the camera backend reads a 30 fps 1280 x 720 clip (people walking,
# made from Debian's street video when opencv-doc is installed, else a test
# pattern), the stage window is drawn by Mesa's software rasteriser on Xvfb.
# Prints presented frames per second and the longest presentation gap (every
# buffer swap is noted by present_probe.so, preloaded), the pass interval (the
# trial loop's pass trace), and the run record's figures when the build writes
# one.
#
#   bench/stage/full_rate_run.sh [build dir] [seconds] [sensor]
#
# sensor: camera (default) or sim. CLIP=<file> plays another clip. BUSY=N
# keeps N other processes busy (yes > /dev/null) during the run. Needs ffmpeg
# and xdotool; starts its own Xvfb (1920 x 1080) unless DISPLAY is set. The
# run's files land in a temporary folder, removed afterwards unless KEEP=1.
# PROGRAM=<path> measures another build of tavelin2 with this build's tools.
# CAMERA_INI=<file> runs with those camera settings (copied as camera.ini).
# ALONE=1 measures as on a PC where only this run (and the BUSY processes)
# works: the run gets a scheduling group of its own, ahead of the other
# sessions' (Linux's autogroups; needs root), so builds elsewhere on a shared
# machine do not count against it.
set -euo pipefail

if [ "${ALONE:-0}" = 1 ] && [ -z "${ALONE_GROUP:-}" ]; then
  exec env ALONE_GROUP=1 setsid bash -c 'echo -20 > /proc/self/autogroup && exec "$@"' _ "$0" "$@"
fi

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
seconds=${2:-30}
sensor=${3:-camera}
program=$(realpath "${PROGRAM:-$build_dir/src/app/tavelin2}")
probe=$build_dir/bench/stage/present_probe.so
street=/usr/share/doc/opencv-doc/examples/data/vtest.avi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$build_dir" "$seconds" "$sensor"
fi
for tool in "$program" "$probe"; do
  [ -e "$tool" ] || { echo "missing $tool (build tavelin2 and t2_present_probe)" >&2; exit 2; }
done
for tool in xdotool ffmpeg python3; do
  command -v $tool >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tavelin2-full-rate-XXXXXX)
ln -s "$source_dir/stim" "$work/stim"
[ -n "${CAMERA_INI:-}" ] && cp "$CAMERA_INI" "$work/camera.ini"
trace=$work/passes.csv
presents=$work/presents.txt
app=""
busy=""
cleanup() {
  [ -n "$busy" ] && kill $busy 2>/dev/null || true
  if [ -n "$app" ] && kill -0 "$app" 2>/dev/null; then kill "$app" 2>/dev/null || true; fi
  [ -n "$app" ] && wait "$app" 2>/dev/null || true
  [ "${KEEP:-0}" = 1 ] && echo "files kept in $work" || rm -rf "$work"
}
trap cleanup EXIT

sensor_args=(--sensor=sim)
if [ "$sensor" = camera ]; then
  clip=${CLIP:-}
  if [ -z "$clip" ]; then
    clip=$work/clip.avi
    # Long enough for the run and the start; the street video is looped.
    length=$((seconds + 30))
    if [ -f "$street" ]; then
      ffmpeg -loglevel error -stream_loop -1 -i "$street" -t "$length" \
        -vf scale=1280:720,fps=30 -c:v mjpeg -q:v 3 "$clip"
    else
      ffmpeg -loglevel error -f lavfi -i testsrc2=size=1280x720:rate=30 -t "$length" \
        -c:v mjpeg -q:v 3 "$clip"
    fi
  fi
  sensor_args=(--sensor=camera "--camera=$clip")
fi

source "$here/../drive_program.sh"

echo "load before: $(cat /proc/loadavg)"
(cd "$work" && TAVELIN2_PASS_TRACE="$trace" TAVELIN2_PRESENT_LOG="$presents" \
  LD_PRELOAD="$probe" exec "$program" "${sensor_args[@]}") &
app=$!

# Ended with Esc: the time limit only has to be long.
start_run FULLRATE 3600
stage=$(window '^Experiment Window$' 60)
for _ in $(seq "${BUSY:-0}"); do
  yes > /dev/null &
  busy="$busy $!"
done
echo "running $seconds s with the $sensor sensor, busy process: ${BUSY:-0}..." >&2
sleep "$seconds"
echo "load during: $(cat /proc/loadavg)"
xdotool windowfocus --sync "$stage" key Escape || xdotool key Escape
score=$(window '^Score$' 60)
[ -n "$busy" ] && { kill $busy; busy=""; }
sleep 0.3
xdotool windowfocus --sync "$score" key Return
sleep 1
xdotool windowfocus --sync "$frame" key --delay 200 alt+f x || true
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done

record=$(find "$work" -name '*_run.json' | head -n 1)
python3 "$here/full_rate_report.py" "$trace" "$presents" ${record:+"$record"}
