# Sourced by the whole-program measuring scripts (bench/*/): drives the real
# main frame and setup dialog of tavelin2 on an X display with xdotool.

# The id of the first window whose title matches, waiting up to $2 seconds.
window() {
  local deadline=$((SECONDS + $2)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  echo "no window '$1' within $2 s" >&2
  return 1
}

# Opens the setup dialog from the main frame and starts a run for subject $1
# with the time limit $2 (seconds). Sets `frame` to the main frame's id.
start_run() {
  frame=$(window '^DirectDraw Application$' 30)
  xdotool mousemove --sync 960 700 click 1
  local dialog
  dialog=$(window '^Dialog$' 20)
  xdotool windowfocus --sync "$dialog"
  sleep 0.3
  # Subject, then Tab twice to the time limit.
  xdotool key --delay 50 ctrl+a type --delay 50 "$1"
  xdotool key --delay 100 Tab Tab ctrl+a type --delay 50 "$2"
  xdotool key Return
}
