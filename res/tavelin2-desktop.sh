#!/bin/sh
# Started by the applications menu entry: runs tavelin2 in the experimenter's
# data folder ~/Tavelin2, where its settings and result files land. The folder
# is made on first start, with a README.txt about the files found there.
# Started from a shell, tavelin2 itself works in the current folder instead.
set -u
here=$(dirname "$(readlink -f "$0")")
program="$here/../../bin/tavelin2"
home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
data_home="$home/Tavelin2"

write_readme() {
  # CR LF lines, like the program's own files.
  sed 's/$/\r/' > "$1" <<'README'
Tavelin2 data folder
====================

The Tavelin2 entry of the applications menu starts the program in this folder.
Everything the program writes lands here:

  Tavelin2.ini
      The settings of the last session (subject ID, time limit, mirror display,
      ...). Written when a run starts and when the program is closed; read at
      the next start.

  <subject>_<yyyymmdd>_<hhmmss>.csv
      The trial file of a run: one row per popped balloon (reaction times in
      milliseconds).

  <subject>_<yyyymmdd>_<hhmmss>_B.csv
      The body file of the same run: one row per child per camera frame.

  <subject>_<yyyymmdd>_<hhmmss>_T.csv
      The timing file: the times behind each trial's reaction time.

  <subject>_<yyyymmdd>_<hhmmss>_run.json
      The run record: program version, settings, sensor, how the run ended,
      frame counts and latencies.

  <subject>_<yyyymmdd>_<hhmmss>_report.pdf
      The run report (figures, reaction times, hit map, tracking). Made again
      with "tavelin2 --report FILE.csv".

  <subject>_<yyyymmdd>_<hhmmss>_V.avi and _V.csv
      The session video and its frame table, only with "record_video = on"
      in camera.ini.

  latency_<yyyymmdd>_<hhmmss>.csv and Tavelin2_latency.json
      A screen-to-camera latency test (Experiment > Latency test), one row
      per flash, and the newest test of each camera, which every later run
      record names.

  .tavelin2-journal/  (hidden)
      The journal of a run in progress. If the program stops during a run,
      the next start writes that run's result files from it and removes it.

Only your account can read this folder and the files the program writes;
a lab that shares them within a group sets "share_group = <group>" in
Tavelin2.ini and gives this folder to that group (chgrp, chmod 750).

Files you may add here yourself:

  stim/      Your own stimuli (balloon0.png ... balloon3.png, bomb.png,
             bomb.wav). A file found here is used instead of the one
             installed with the program.
  camera.ini Settings of the camera sensor (key=value lines).

Started from a terminal, tavelin2 works in the current folder instead.
See "man tavelin2" and /usr/share/doc/tavelin2/README.md.
README
}

# Made for the user alone; one made by an older launcher loses what it gave
# every account, while a group the lab set stays.
if (umask 077 && mkdir -p "$data_home") 2>/dev/null && cd "$data_home"; then
  chmod o-rwx . 2>/dev/null || true
  [ -e README.txt ] || write_readme README.txt || true
else
  echo "tavelin2: cannot create or enter $data_home; working in $home instead" >&2
  cd "$home" || exit 1
fi
exec "$program" "$@"
