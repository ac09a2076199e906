#!/bin/bash
# One Slurm array task per session video: task i re-analyses the run on line
# i of LIST (a trial file X.csv, with X_V.avi and X_V.csv beside it) with
# tavelin2 --reanalyse into OUTDIR. Submit from the folder the paths in LIST
# are relative to:
#   sbatch --array=1-$(wc -l < LIST) tools/cluster/reanalyse-array.sbatch LIST OUTDIR [--set KEY=VALUE]...
# TAVELIN2 names the program when it is not "tavelin2" on the nodes' PATH.
#SBATCH --job-name=tavelin2-reanalyse
#SBATCH --cpus-per-task=1
#SBATCH --output=tavelin2-reanalyse_%A_%a.log
set -euo pipefail

if [ $# -lt 2 ] || [ -z "${SLURM_ARRAY_TASK_ID:-}" ]; then
  echo "usage: sbatch --array=1-N $0 LIST OUTDIR [--set KEY=VALUE]..." >&2
  exit 2
fi
list=$1
out=$2
shift 2
run=$(sed -n "${SLURM_ARRAY_TASK_ID}p" "$list")
if [ -z "$run" ]; then
  echo "$list has no line $SLURM_ARRAY_TASK_ID" >&2
  exit 2
fi
exec "${TAVELIN2:-tavelin2}" --reanalyse "$@" "$run" --out "$out"
