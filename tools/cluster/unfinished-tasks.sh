#!/bin/sh
# tools/cluster/unfinished-tasks.sh LIST OUTDIR: the array indices (comma-
# separated) of the runs in LIST whose re-analysis is not in OUTDIR, for
# sbatch --array=... to run them again. Prints nothing when all are done.
set -eu
[ $# -eq 2 ] || { echo "usage: $0 LIST OUTDIR" >&2; exit 2; }
i=0
missing=""
while IFS= read -r run || [ -n "$run" ]; do
  i=$((i + 1))
  name=${run##*/}
  name=${name%.csv}
  [ -f "$2/${name}_reanalysis.json" ] || missing="${missing:+$missing,}$i"
done < "$1"
[ -z "$missing" ] || echo "$missing"
