#!/bin/bash
# The Slurm job array of tools/cluster/ on a one-node cluster started here:
# three recorded sessions, one array task each; the outputs must equal what
# tavelin2 --reanalyse writes locally.
#   slurm_array_test.sh TAVELIN2 MAKE_RECORDED_SESSION SOURCE_DIR
# Exit 77 (skipped) without root or Slurm; each wait has its time limit, the
# daemons are stopped whatever happens, and their logs are printed on failure.
set -uo pipefail

program=$1
make_session=$2
cluster_dir=$3/tools/cluster
PATH=$PATH:/usr/sbin:/sbin

if [ "$(id -u)" -ne 0 ]; then echo "skipped: needs root to start slurmd"; exit 77; fi
for tool in munged slurmctld slurmd sbatch squeue; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool missing (Debian: slurm-wlm, munge)"; exit 77; }
done

work=$(mktemp -d /tmp/tavelin2-slurm.XXXXXX)
chmod 0755 "$work"
status=1
finish() {
  "$cluster_dir/local-cluster.sh" stop "$work/cluster"
  if [ "$status" -ne 0 ]; then
    for log in "$work"/cluster/*.log "$work"/logs/*.log; do
      [ -f "$log" ] && { echo "==== $log"; tail -n 40 "$log"; }
    done
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
trap 'exit 1' INT TERM

fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/run" "$work/logs"
runs="A01_20261210_101500 A02_20261210_111500 A03_20261211_091500"
for run in $runs; do
  "$make_session" "$work/run/$run" || fail "the recorded session $run could not be made"
  echo "run/$run.csv" >> "$work/list"
done

start=$(date +%s)
timeout 90 "$cluster_dir/local-cluster.sh" start "$work/cluster" >/dev/null ||
  fail "the one-node cluster did not start"
export SLURM_CONF=$work/cluster/slurm.conf
echo "cluster up after $(($(date +%s) - start)) s"

cd "$work" || fail "no $work"
job=$(TAVELIN2=$program timeout 30 sbatch --parsable --array=1-3 --time=10 \
        --output="$work/logs/%A_%a.log" "$cluster_dir/reanalyse-array.sbatch" list out) ||
  fail "sbatch refused the array"
job=${job%%;*}
deadline=$(($(date +%s) + 240))
while [ -n "$(squeue -h -j "$job" 2>/dev/null)" ]; do
  [ "$(date +%s)" -lt "$deadline" ] || { scancel "$job"; fail "the array did not end in 240 s"; }
  sleep 1
done
echo "array $job done after $(($(date +%s) - start)) s"

left=$("$cluster_dir/unfinished-tasks.sh" list out)
[ -z "$left" ] || fail "array tasks $left left no re-analysis"

mapfile -t listed < list
timeout 240 "$program" --reanalyse "${listed[@]}" --out local >/dev/null 2>"$work/logs/local.log" ||
  fail "the local re-analysis failed: $(cat "$work/logs/local.log")"
for run in $runs; do
  for ending in _B.csv _T.csv _reanalysis.json; do
    cmp "out/$run$ending" "local/$run$ending" || fail "$run$ending differs from the local re-analysis"
  done
done
echo "three array tasks equal the local re-analysis"
status=0
