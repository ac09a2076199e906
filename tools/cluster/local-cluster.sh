#!/bin/bash
# A one-node Slurm cluster on this machine, for tests and for trying the
# job array before a real cluster:
#   tools/cluster/local-cluster.sh start DIR   # then: export SLURM_CONF=DIR/slurm.conf
#   tools/cluster/local-cluster.sh stop DIR
# munged, slurmctld and slurmd run as root with everything in DIR: the
# configuration, munge key and socket, state, spool, pid files and logs
# (DIR/*.log). The ports are free ones picked at start, so two clusters and a
# system Slurm do not meet. Needs root and Debian's slurm-wlm and munge.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$(realpath -m "$2")
PATH=$PATH:/usr/sbin:/sbin

# A TCP port nobody listens on now.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# The pid in FILE if that process is still the daemon NAME.
daemon_pid() {
  local file=$1 name=$2 pid
  [ -s "$file" ] || return 1
  pid=$(tr -dc 0-9 < "$file")
  [ -n "$pid" ] && [ -r "/proc/$pid/comm" ] && [ "$(cat "/proc/$pid/comm")" = "$name" ] || return 1
  echo "$pid"
}

stop_daemon() {
  local file=$1 name=$2 pid
  pid=$(daemon_pid "$file" "$name") || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    [ -d "/proc/$pid" ] || return 0
    sleep 0.2
  done
  echo "$name ($pid) did not stop in 10 s: killed" >&2
  kill -KILL "$pid" 2>/dev/null || true
}

stop() {
  stop_daemon "$dir/slurmd.pid" slurmd
  stop_daemon "$dir/slurmctld.pid" slurmctld
  stop_daemon "$dir/munged.pid" munged
}

start() {
  [ "$(id -u)" -eq 0 ] || { echo "$0: needs root (slurmd runs the jobs as their users)" >&2; exit 1; }
  for tool in munged slurmctld slurmd sbatch; do
    command -v "$tool" >/dev/null || { echo "$0: $tool missing (Debian: slurm-wlm, munge)" >&2; exit 1; }
  done
  mkdir -p "$dir/state" "$dir/spool"
  chmod 0700 "$dir"
  # munged wants its key and folders private to it.
  head -c 1024 /dev/urandom > "$dir/munge.key"
  chmod 0400 "$dir/munge.key"
  munged --force --key-file="$dir/munge.key" --socket="$dir/munge.socket" \
    --pid-file="$dir/munged.pid" --log-file="$dir/munged.log" --seed-file="$dir/munge.seed"

  local host ctld_port node_port
  host=$(hostname -s)
  ctld_port=$(free_port)
  node_port=$(free_port)
  while [ "$node_port" = "$ctld_port" ]; do node_port=$(free_port); done
  cat > "$dir/slurm.conf" <<CONF
ClusterName=tavelin2test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge.socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
NodeName=tavelin2node NodeHostname=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=tavelin2 Nodes=tavelin2node Default=YES MaxTime=INFINITE State=UP
CONF
  export SLURM_CONF=$dir/slurm.conf
  slurmctld -i -f "$SLURM_CONF"
  slurmd -N tavelin2node -f "$SLURM_CONF"
  # Ready when the node takes jobs.
  local state
  for _ in $(seq 120); do
    state=$(sinfo -h -n tavelin2node -o %T 2>/dev/null || true)
    case "$state" in idle|mixed|allocated) echo "$SLURM_CONF"; return 0 ;; esac
    sleep 0.5
  done
  echo "$0: the node did not come up in 60 s (state '${state:-none}'); logs in $dir" >&2
  return 1
}

case "$action" in
  start) start || { stop; exit 1; } ;;
  stop) stop ;;
  *) usage ;;
esac
